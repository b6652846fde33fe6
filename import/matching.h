#ifndef IMPORT_MATCHING_H
#define IMPORT_MATCHING_H

#include <QString>

// How spellings of one organisation or one person are told to be the same.
namespace staffimport {

// An organisation as its spellings compare: lower case, "ё" as "е", Latin
// letters that look like Cyrillic ones ("OOO") as those, quotes of any kind
// («» "" „“ '') left out, runs of spaces as one. «ООО «Щит»», ООО "Щит" and
// OOO Щит give the same key.
QString organisationKey(const QString& text);

// A person's full name as a re-import compares it: lower case, quotes and
// runs of spaces aside; "ё" and Latin letters count as typed.
QString personKey(const QString& fullName);

// A name folded further, "ё" as "е" and Latin look-alikes as Cyrillic: two
// names with one such key but different person keys look alike.
QString lookAlikeKey(const QString& fullName);

// The text with Latin letters drawn like Cyrillic ones written as those,
// letter case kept: "Сидоpов" with a Latin "p" as "Сидоров".
QString cyrillicSpelling(const QString& text);

// Whether the text mixes Latin letters into Cyrillic ones ("Ивaнов" with a Latin "a").
bool mixesLatin(const QString& text);

} // namespace staffimport

#endif // IMPORT_MATCHING_H

#ifndef HIDDENTEXT_H
#define HIDDENTEXT_H

#include <QString>

// Characters that show nothing themselves but change what a text looks like
// or how it compares: control characters (Unicode category Cc) and format
// characters (Cf: direction overrides such as U+202E, zero-width spaces and
// joiners, the soft hyphen, the byte order mark). A name holding one can
// pass for another name, or read backwards, so no stored text keeps them.
namespace hiddentext {

// True when text holds a character of category Cc or Cf.
bool contains(const QString& text);

// The text without its Cc and Cf characters; everything else stays.
QString removed(const QString& text);

} // namespace hiddentext

#endif // HIDDENTEXT_H

#include "import/matching.h"

namespace staffimport {

namespace {

bool isQuote(QChar c)
{
    static const QString quotes = QStringLiteral("\"'`«»„“”‘’‚‹›");
    return quotes.contains(c);
}

QString withoutQuotes(const QString& text)
{
    QString clean = text.toLower();
    for (QChar& c : clean) {
        if (isQuote(c))
            c = QLatin1Char(' ');
    }
    return clean.simplified();
}

// Latin letters drawn like Cyrillic ones, in lower case, and the Cyrillic letter each stands for.
QChar cyrillicLookAlike(QChar c)
{
    static const QString latin = QStringLiteral("abcehkmoptxy");
    static const QString cyrillic = QStringLiteral("авсенкмортху");
    const int i = latin.indexOf(c);
    return i < 0 ? c : cyrillic.at(i);
}

QString folded(const QString& text)
{
    QString key = withoutQuotes(text);
    for (QChar& c : key) {
        if (c == QChar(0x0451)) // ё
            c = QChar(0x0435);
        else
            c = cyrillicLookAlike(c);
    }
    return key;
}

} // namespace

QString organisationKey(const QString& text)
{
    return folded(text);
}

QString personKey(const QString& fullName)
{
    return withoutQuotes(fullName);
}

QString lookAlikeKey(const QString& fullName)
{
    return folded(fullName);
}

QString cyrillicSpelling(const QString& text)
{
    static const QString latin = QStringLiteral("aceopxyABCEHKMOPTXY");
    static const QString cyrillic = QStringLiteral("асеорхуАВСЕНКМОРТХУ");
    QString spelled = text;
    for (QChar& c : spelled) {
        const int i = latin.indexOf(c);
        if (i >= 0)
            c = cyrillic.at(i);
    }
    return spelled;
}

bool mixesLatin(const QString& text)
{
    bool latin = false;
    bool cyrillic = false;
    for (const QChar c : text) {
        latin = latin || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('z'));
        cyrillic = cyrillic || c.script() == QChar::Script_Cyrillic;
    }
    return latin && cyrillic;
}

} // namespace staffimport

#include "util/decimalnumber.h"

#include <cmath>

namespace decimalnumber {

Reading read(const QString& text, double* value)
{
    const QString trimmed = text.trimmed();
    int i = 0;
    if (i < trimmed.size() && (trimmed.at(i) == QLatin1Char('-') || trimmed.at(i) == QLatin1Char('+')))
        ++i;
    QString plain = trimmed.left(i);
    int digits = 0;
    bool separator = false;
    for (; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            ++digits;
            plain += c;
        } else if ((c == QLatin1Char(',') || c == QLatin1Char('.')) && !separator) {
            separator = true;
            plain += QLatin1Char('.');
        } else {
            return Reading::NotNumber;
        }
    }
    if (digits == 0)
        return Reading::Incomplete;
    // The C locale's reading of the digits with a point: never the system's.
    bool ok = false;
    const double number = plain.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return Reading::NotNumber;
    *value = number;
    return Reading::Number;
}

QString format(double value, int decimals, bool trim)
{
    QString text = QString::number(value, 'f', decimals);
    if (trim && text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace decimalnumber

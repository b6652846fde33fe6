#ifndef DECIMALNUMBER_H
#define DECIMALNUMBER_H

#include <QString>

// Numbers typed by the operator. A comma and a point are the same decimal
// separator whatever the locale: "-1,5" and "-1.5" are both minus one and a
// half. Group separators are not accepted, so "1,500" is one and a half and
// never fifteen hundred.
namespace decimalnumber {

enum class Reading
{
    Number,      // a whole number: an optional sign, digits, at most one separator
    Incomplete,  // may still become one as typing goes on: "", "-", ",", "1," is a number already
    NotNumber    // can never become a number by typing more
};

// Reads text (blanks around it ignored) as a decimal number into *value; the
// value is set only for Reading::Number.
Reading read(const QString& text, double* value);

// The number with the given decimals and the comma of the Russian forms
// ("-1,5"), without trailing zeros when trim is true.
QString format(double value, int decimals, bool trim = false);

} // namespace decimalnumber

#endif // DECIMALNUMBER_H

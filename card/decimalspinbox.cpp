#include "card/decimalspinbox.h"

#include "util/decimalnumber.h"

#include <QLineEdit>

namespace {

const QString kMarkedStyle = QStringLiteral("QDoubleSpinBox { border: 2px solid #d00000; }");

} // namespace

DecimalSpinBox::DecimalSpinBox(QWidget* parent)
    : QDoubleSpinBox(parent)
{
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!m_editing) {
            m_editing = true;
            m_before = value();
        }
        m_typedProblem = problem(text);
        markText(text);
    });
    connect(this, &QAbstractSpinBox::editingFinished, this, &DecimalSpinBox::finishText);
}

QString DecimalSpinBox::bareText(const QString& text) const
{
    QString bare = text;
    if (!prefix().isEmpty() && bare.startsWith(prefix()))
        bare.remove(0, prefix().size());
    if (!suffix().isEmpty() && bare.endsWith(suffix()))
        bare.chop(suffix().size());
    return bare.trimmed();
}

QString DecimalSpinBox::problem(const QString& text) const
{
    double number = 0;
    switch (decimalnumber::read(bareText(text), &number)) {
    case decimalnumber::Reading::NotNumber:
    case decimalnumber::Reading::Incomplete:
        return QStringLiteral("Не число: введите, например, %1").arg(decimalnumber::format(-1.5, decimals()));
    case decimalnumber::Reading::Number:
        break;
    }
    // The box would round a longer fraction to its decimals; the range is
    // checked on what it would keep.
    const double kept = QString::number(number, 'f', decimals()).toDouble();
    if (kept < minimum() || kept > maximum())
        return QStringLiteral("Допустимо от %1 до %2")
            .arg(decimalnumber::format(minimum(), decimals(), true), decimalnumber::format(maximum(), decimals(), true));
    return QString();
}

QValidator::State DecimalSpinBox::validate(QString& text, int& pos) const
{
    Q_UNUSED(pos)
    // Anything may stand in the box while it is typed; only a number in range
    // is ever taken as the value.
    return problem(text).isEmpty() ? QValidator::Acceptable : QValidator::Intermediate;
}

double DecimalSpinBox::valueFromText(const QString& text) const
{
    double number = value();
    decimalnumber::read(bareText(text), &number);
    return number;
}

QString DecimalSpinBox::textFromValue(double value) const
{
    return decimalnumber::format(value, decimals());
}

void DecimalSpinBox::fixup(QString& input) const
{
    // Nothing is guessed: the box goes back to its last value.
    Q_UNUSED(input)
}

// A text left that cannot be taken gives way to the last value; the reason
// goes out once more for a dialog that shows it.
void DecimalSpinBox::finishText()
{
    // The box may have put its value's text back already: what was typed
    // decides.
    const QString reason = m_editing ? m_typedProblem : problem(text());
    if (!reason.isEmpty()) {
        if (m_editing)
            setValue(m_before);
        lineEdit()->setText(prefix() + textFromValue(value()) + suffix());
        emit refused(reason);
    }
    m_editing = false;
    markText(text());
}

// Marked is what cannot become a number in range; a sign or a separator
// alone is still being typed.
void DecimalSpinBox::markText(const QString& text)
{
    double number = 0;
    const bool typing = decimalnumber::read(bareText(text), &number) == decimalnumber::Reading::Incomplete;
    const QString reason = typing ? QString() : problem(text);
    const bool mark = !reason.isEmpty();
    if (mark == m_marked && !mark)
        return;
    if (!m_marked)
        m_toolTip = toolTip();
    m_marked = mark;
    setStyleSheet(mark ? kMarkedStyle : QString());
    setToolTip(mark ? reason : m_toolTip);
    if (mark)
        emit refused(reason);
}

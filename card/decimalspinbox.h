#ifndef DECIMALSPINBOX_H
#define DECIMALSPINBOX_H

#include <QDoubleSpinBox>

// A number box that reads a comma and a point alike in every locale and
// shows the comma. Text that is not a number in the box's range is never
// taken for another value: the box is outlined in red, its tooltip and the
// signal refused() say why, and leaving the box brings back the value it had
// before the typing began (not one a prefix of the text happened to give).
class DecimalSpinBox : public QDoubleSpinBox
{
    Q_OBJECT

public:
    explicit DecimalSpinBox(QWidget* parent = nullptr);

    QValidator::State validate(QString& text, int& pos) const override;
    double valueFromText(const QString& text) const override;
    QString textFromValue(double value) const override;
    void fixup(QString& input) const override;

    // Why the text cannot be taken; empty when it can.
    QString problem(const QString& text) const;

signals:
    void refused(const QString& reason);

private:
    void markText(const QString& text);
    void finishText();
    QString bareText(const QString& text) const;

    QString m_toolTip;
    bool m_marked = false;
    bool m_editing = false;
    double m_before = 0;  // the value when the operator began to type
    QString m_typedProblem;  // why the last typed text cannot be taken
};

#endif // DECIMALSPINBOX_H

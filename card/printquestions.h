#ifndef PRINTQUESTIONS_H
#define PRINTQUESTIONS_H

#include "card/fitcheck.h"
#include "util/questions.h"

#include <QString>
#include <QVector>

class QWidget;

// The questions asked before a page goes to the printer. Each returns the
// operator's answer; the default answer is always not to print.
namespace printquestions {

// "Принтер «…» не знает формата A6 …": true for "Печатать".
bool printWithoutA6(QWidget* parent, const QString& printer);

// "Шрифт «…» не найден, будет использован «…»": true for "Печатать".
bool printInOtherFamily(QWidget* parent, const QString& requested, const QString& used);

// A question before a print step that cannot be undone (a reprint, a
// batch), titled title: true for "Печатать"; "Отмена" is the default and Esc.
bool confirmStep(QWidget* parent, const QString& title, const QString& text);

using FitAnswer = Questions::FitAnswer;

// "Текст не помещается" with "Уменьшить шрифт", "Печатать как есть" and
// "Отмена" (the default, also Esc); text names what overflows.
FitAnswer askFit(QWidget* parent, const QString& text);

// "Текст не помещается" when even the smallest size cannot make it fit:
// only "Печатать как есть" (AsIs) and "Отмена" (Cancel, the default).
FitAnswer askCannotFit(QWidget* parent, const QString& text);

} // namespace printquestions

#endif // PRINTQUESTIONS_H

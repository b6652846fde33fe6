#ifndef MESSAGES_H
#define MESSAGES_H

class QString;
class QWidget;

// The program's one kind of failure report: a modal warning box titled
// "Ошибка" with the single button OK.
void showError(QWidget* parent, const QString& text);

// What the operator should know about a step that did only part of what was
// asked: a modal warning box titled "Предупреждение" with OK.
void showWarning(QWidget* parent, const QString& text);

#endif // MESSAGES_H

#ifndef MESSAGEQUESTIONS_H
#define MESSAGEQUESTIONS_H

#include "util/questions.h"

#include <QPointer>
#include <QWidget>

// The operator's answers through message boxes and file dialogs, over the
// window given (none: centred on the screen).
class MessageBoxQuestions : public Questions
{
public:
    explicit MessageBoxQuestions(QWidget* parent = nullptr);

    FitAnswer fit(const QString& text) override;
    FitAnswer cannotFit(const QString& text) override;
    bool printWithoutA6(const QString& printer) override;
    bool printInOtherFamily(const QString& requested, const QString& used) override;
    // "Внимание! Это действие нельзя отменить. Продолжить?" with "Да" and "Нет".
    bool confirm(const QString& detail) override;
    QStringList chooseFiles(FileChoice choice, const QString& title, const QString& folder,
                            const QString& filter) override;

private:
    QPointer<QWidget> m_parent;
};

#endif // MESSAGEQUESTIONS_H

#include "app/messagequestions.h"

#include "card/printquestions.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

MessageBoxQuestions::MessageBoxQuestions(QWidget* parent)
    : m_parent(parent)
{
}

Questions::FitAnswer MessageBoxQuestions::fit(const QString& text)
{
    return printquestions::askFit(m_parent, text);
}

Questions::FitAnswer MessageBoxQuestions::cannotFit(const QString& text)
{
    return printquestions::askCannotFit(m_parent, text);
}

bool MessageBoxQuestions::printWithoutA6(const QString& printer)
{
    return printquestions::printWithoutA6(m_parent, printer);
}

bool MessageBoxQuestions::printInOtherFamily(const QString& requested, const QString& used)
{
    return printquestions::printInOtherFamily(m_parent, requested, used);
}

// Neither button has a rejecting role, so Esc and the close button do nothing:
// the operator has to answer. The informative line says what goes.
bool MessageBoxQuestions::confirm(const QString& detail)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Предупреждение"),
                    QStringLiteral("Внимание! Это действие нельзя отменить. Продолжить?"));
    box.setInformativeText(detail);
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::ActionRole);
    // Enter, even held down, must not delete.
    box.setDefaultButton(box.addButton(QStringLiteral("Нет"), QMessageBox::ActionRole));
    box.exec();
    return box.clickedButton() == yes;
}

QStringList MessageBoxQuestions::chooseFiles(FileChoice choice, const QString& title, const QString& folder,
                                             const QString& filter)
{
    switch (choice) {
    case FileChoice::OpenMany:
        return QFileDialog::getOpenFileNames(nullptr, title, folder, filter);
    case FileChoice::OpenOne: {
        const QString file = QFileDialog::getOpenFileName(nullptr, title, folder, filter);
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
    case FileChoice::Save: {
        const QString file = QFileDialog::getSaveFileName(nullptr, title, folder, filter);
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
    }
    return {};
}

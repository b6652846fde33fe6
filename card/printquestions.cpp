#include "card/printquestions.h"

#include <QMessageBox>
#include <QPushButton>

namespace printquestions {

namespace {

// A warning with "Печатать" and "Отмена", "Отмена" being the default and Esc.
bool confirmPrint(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
    QPushButton* print = box.addButton(QStringLiteral("Печатать"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == print;
}

} // namespace

bool confirmStep(QWidget* parent, const QString& title, const QString& text)
{
    return confirmPrint(parent, title, text);
}

bool printWithoutA6(QWidget* parent, const QString& printer)
{
    return confirmPrint(parent, QStringLiteral("Формат бумаги"),
                        QStringLiteral("Принтер «%1» не знает формата A6: страница может лечь на лист другого "
                                       "формата и текст сместится. Проверьте положение листом калибровки "
                                       "(«Параметры»).")
                            .arg(printer));
}

bool printInOtherFamily(QWidget* parent, const QString& requested, const QString& used)
{
    return confirmPrint(parent, QStringLiteral("Шрифт"),
                        QStringLiteral("Шрифт «%1» не найден, будет использован «%2».").arg(requested, used));
}

FitAnswer askFit(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Текст не помещается"), text, QMessageBox::NoButton, parent);
    QPushButton* shrink = box.addButton(QStringLiteral("Уменьшить шрифт"), QMessageBox::AcceptRole);
    QPushButton* asIs = box.addButton(QStringLiteral("Печатать как есть"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == shrink)
        return FitAnswer::Shrink;
    if (box.clickedButton() == asIs)
        return FitAnswer::AsIs;
    return FitAnswer::Cancel;
}

FitAnswer askCannotFit(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Текст не помещается"), text, QMessageBox::NoButton, parent);
    QPushButton* asIs = box.addButton(QStringLiteral("Печатать как есть"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == asIs ? FitAnswer::AsIs : FitAnswer::Cancel;
}

} // namespace printquestions

#include "app/messages.h"

#include <QMessageBox>

void showError(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, QStringLiteral("Ошибка"), text, QMessageBox::Ok);
}

void showWarning(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, QStringLiteral("Предупреждение"), text, QMessageBox::Ok);
}

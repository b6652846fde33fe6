#include "app/security.h"

#include "app/messages.h"
#include "card/dialog.h"

// Runs the settings dialog on copies of the layout parameters; only an
// accepted dialog changes them and rewrites "params.txt".
void Security::on_buttonParams_clicked()
{
    QMap<QString, QMap<QString, QString>> workFonts = fonts;
    float workUdShift = udShift;
    float workLrShift = lrShift;

    Dialog dialog(&workFonts, &workUdShift, &workLrShift);
    connect(&dialog, &Dialog::resetSetiings, this, &Security::readParams, Qt::DirectConnection);
    dialog.setWindowFlags(Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint);
    dialog.setWindowTitle(QStringLiteral("Настройки"));
    if (dialog.exec() != QDialog::Accepted)
        return;

    fonts = workFonts;
    udShift = workUdShift;
    lrShift = workLrShift;
    // The new values are in force already, but the next print reloads the file:
    // the operator must know it still holds the old ones.
    QString error;
    if (!writeParams(&error)) {
        if (error.isEmpty())
            error = QStringLiteral("Не удалось записать файл \"params.txt\"");
        showError(this, error);
    }
}

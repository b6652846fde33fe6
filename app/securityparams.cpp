#include "app/security.h"

#include "app/messages.h"
#include "card/dialog.h"
#include "card/layoutparams.h"
#include "card/printerchoice.h"
#include "card/printing.h"

// Runs the settings dialog on copies of the layout parameters; only an
// accepted dialog changes them and rewrites "params.txt".
void Security::on_buttonParams_clicked()
{
    QMap<QString, QMap<QString, QString>> workFonts = fonts;
    float workUdShift = udShift;
    float workLrShift = lrShift;

    QStringList problems;
    printerchoice::PrinterSettings printers = printerchoice::readSettings(paramsRoot, &problems);
    if (!problems.isEmpty())
        showError(this, problems.join(QLatin1Char('\n')));
    const QString systemDefault = printerchoice::defaultDestination();

    Dialog dialog(&workFonts, &workUdShift, &workLrShift);
    dialog.setPrinters(&printers, printerchoice::destinations(), systemDefault);
    dialog.setCoords(coords);
    dialog.setSampleTexts(printing::sourceTexts(this, coords.keys()));
    connect(&dialog, &Dialog::resetSetiings, this, &Security::readParams, Qt::DirectConnection);
    dialog.setWindowFlags(Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint);
    dialog.setWindowTitle(QStringLiteral("Настройки"));
    if (dialog.exec() != QDialog::Accepted)
        return;

    fonts = workFonts;
    coords = dialog.coords();
    udShift = workUdShift;
    lrShift = workLrShift;
    // Once shifts are kept per printer, the chosen one's entry holds what the
    // boxes show; the shifts of "data" are the chosen printer's in any case.
    const QString chosen = printers.printer.isEmpty() ? systemDefault : printers.printer;
    if (!printers.shifts.isEmpty() && !chosen.isEmpty())
        printers.shifts.insert(chosen, {udShift, lrShift});
    printerchoice::writeSettings(&paramsRoot, printers);
    // The new values are in force already, but the next print reloads the file:
    // the operator must know it still holds the old ones.
    QString error;
    if (!writeParams(&error)) {
        if (error.isEmpty())
            error = QStringLiteral("Не удалось записать файл \"params.txt\"");
        showError(this, error);
    }
}

bool Security::readParams()
{
    LayoutParams params;
    QString error;
    switch (readLayoutParams(QString::fromLatin1(layoutParamsFileName), &params, &error)) {
    case LayoutReadResult::FileMissing:
        showError(nullptr, QStringLiteral("Файл с настройками не найден"));
        return false;
    case LayoutReadResult::Invalid:
        showError(nullptr, error);
        return false;
    case LayoutReadResult::Ok:
        break;
    }
    paramsRoot = params.root;
    fonts = params.fonts;
    coords = params.coords;
    udShift = params.udShift;
    lrShift = params.lrShift;
    return true;
}

bool Security::writeParams(QString* error)
{
    LayoutParams params = layout();
    const bool written = writeLayoutParams(QString::fromLatin1(layoutParamsFileName), &params, error);
    paramsRoot = params.root;
    coords = params.coords;
    return written;
}

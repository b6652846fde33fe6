#include "card/printerchoice.h"

#include <QJsonValue>

namespace printerchoice {

namespace {

const QString kPrinter = QStringLiteral("printer");
const QString kPrinters = QStringLiteral("printers");

} // namespace

QString chosenPrinter(const QJsonObject& root, QStringList* problems)
{
    const QJsonValue printer = root.value(kPrinter);
    if (printer.isString() || printer.isUndefined())
        return printer.toString();
    problems->append(QStringLiteral("Параметр \"printer\" в файле params.txt не является текстом и не "
                                    "учитывается: карточки печатаются на принтере по умолчанию."));
    return QString();
}

PrinterSettings readSettings(const QJsonObject& root, QStringList* problems)
{
    PrinterSettings settings;
    settings.printer = chosenPrinter(root, problems);

    const QJsonValue printers = root.value(kPrinters);
    if (printers.isUndefined())
        return settings;
    if (!printers.isObject()) {
        problems->append(
            QStringLiteral("Параметр \"printers\" в файле params.txt не является объектом и не учитывается."));
        return settings;
    }
    const QJsonObject entries = printers.toObject();
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        const QJsonObject entry = it.value().toObject();
        const QJsonValue ud = entry.value(QStringLiteral("udShift"));
        const QJsonValue lr = entry.value(QStringLiteral("lrShift"));
        if (!it.value().isObject() || !ud.isDouble() || !lr.isDouble()) {
            problems->append(QStringLiteral("Сдвиги принтера «%1» в файле params.txt заданы не числами и не "
                                            "учитываются.")
                                 .arg(it.key()));
            continue;
        }
        settings.shifts.insert(it.key(), {float(ud.toDouble()), float(lr.toDouble())});
    }
    return settings;
}

void writeSettings(QJsonObject* root, const PrinterSettings& settings)
{
    if (!settings.printer.isEmpty() || root->contains(kPrinter))
        root->insert(kPrinter, settings.printer);
    if (settings.shifts.isEmpty())
        return;
    QJsonObject printers;
    for (auto it = settings.shifts.constBegin(); it != settings.shifts.constEnd(); ++it) {
        printers.insert(it.key(), QJsonObject{{QStringLiteral("udShift"), double(it.value().udShift)},
                                              {QStringLiteral("lrShift"), double(it.value().lrShift)}});
    }
    root->insert(kPrinters, printers);
}

} // namespace printerchoice

#include "card/printreport.h"

#include <QDir>

namespace printreport {

namespace {

// "№ 12", or nothing for a card without a register number.
QString numbered(qint64 number)
{
    return number > 0 ? QStringLiteral(" № %1").arg(number) : QString();
}

} // namespace

QString reprintQuestion(qint64 number, bool spoiledAlready)
{
    const QString question = QStringLiteral("Напечатать новую карточку взамен № %1?").arg(number);
    if (spoiledAlready)
        return question + QStringLiteral(" Карточка № %1 уже отмечена испорченной.").arg(number);
    return question + QStringLiteral(" Карточка № %1 будет отмечена испорченной.").arg(number);
}

QString batchQuestion(int count, const QString& printer)
{
    return QStringLiteral("Напечатать %1 карточек на принтере «%2»?").arg(count).arg(printer);
}

QString destination(const QString& printer, const QString& pdfFile)
{
    if (!pdfFile.isEmpty())
        return QStringLiteral("в файл «%1»").arg(QDir::toNativeSeparators(pdfFile));
    return QStringLiteral("на принтер «%1»").arg(printer);
}

QString printed(qint64 number, const QString& where)
{
    return QStringLiteral("Карточка%1 отправлена %2.").arg(numbered(number), where);
}

QString reprinted(qint64 replaced, qint64 number, const QString& where)
{
    return QStringLiteral("Карточка%1 взамен № %2 отправлена %3.").arg(numbered(number)).arg(replaced).arg(where);
}

QString batchPrinted(int sent, int total, const QString& where)
{
    if (sent == total)
        return QStringLiteral("Отправлено карточек: %1 %2.").arg(sent).arg(where);
    return QStringLiteral("Отправлено карточек: %1 из %2 %3.").arg(sent).arg(total).arg(where);
}

QString exported(int rows, const QString& fileName)
{
    return QStringLiteral("Выгружено строк журнала: %1 в файл «%2».").arg(rows).arg(QDir::toNativeSeparators(fileName));
}

QString replacedNote(qint64 number)
{
    return number > 0 ? QStringLiteral("Заменена карточкой № %1").arg(number)
                      : QStringLiteral("Заменена при повторной печати");
}

} // namespace printreport

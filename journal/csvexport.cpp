#include "journal/csvexport.h"

#include <QSaveFile>

namespace journal {

QStringList csvHeader()
{
    return {"Номер",        "Дата и время печати", "Организация", "Фамилия",   "Имя",
            "Отчество",     "Должность руководителя", "Руководитель", "Дата выдачи", "Принтер",
            "Оператор",     "Состояние",           "Примечание"};
}

QString csvCell(const QString& text)
{
    QString cell = text;
    static const QString formulaOpeners = QStringLiteral("=+-@\t\r");
    if (!cell.isEmpty() && formulaOpeners.contains(cell.at(0)))
        cell.prepend(QLatin1Char('\''));
    if (cell.contains(QLatin1Char(';')) || cell.contains(QLatin1Char('"')) || cell.contains(QLatin1Char('\n')) ||
        cell.contains(QLatin1Char('\r'))) {
        cell.replace(QLatin1String("\""), QLatin1String("\"\""));
        cell = QLatin1Char('"') + cell + QLatin1Char('"');
    }
    return cell;
}

namespace {

QString statusText(const QString& status)
{
    if (status == QLatin1String(kIssued))
        return QStringLiteral("выдана");
    if (status == QLatin1String(kSpoiled))
        return QStringLiteral("испорчена");
    if (status == QLatin1String(kSent))
        return QStringLiteral("отправлена");
    return status;
}

QString csvLine(const QStringList& texts)
{
    QStringList cells;
    for (const QString& text : texts)
        cells.append(csvCell(text));
    return cells.join(QLatin1Char(';')) + QStringLiteral("\r\n");
}

} // namespace

QByteArray csvDocument(const QVector<CardRow>& rows)
{
    QString text = csvLine(csvHeader());
    for (const CardRow& row : rows) {
        QStringList values = row.values().mid(0, 13);
        values[11] = statusText(row.status);
        text += csvLine(values);
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool exportCsv(const QString& fileName, const QVector<CardRow>& rows, QString* error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = csvDocument(rows);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace journal

#include "journal/csvexport.h"

#include <QSaveFile>

namespace journal {

QStringList csvHeader()
{
    return {"Номер",        "Дата и время печати", "Организация", "Фамилия",   "Имя",
            "Отчество",     "Должность руководителя", "Руководитель", "Дата выдачи", "Принтер",
            "Оператор",     "Состояние",           "Примечание"};
}

namespace {

const QString kFormulaOpeners = QStringLiteral("=+-@\t\r");

// Characters after which a reader may start a new cell: either separator a
// spreadsheet offers, a tab and a line break.
bool isSeparator(QChar c)
{
    return c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
        || c == QLatin1Char('\r');
}

// Whether a cell beginning at from would start a formula; quotes and spaces a
// reader may drop in front of it are passed over.
bool opensFormula(const QString& text, int from)
{
    int i = from;
    while (i < text.size() && (text.at(i) == QLatin1Char('"') || text.at(i) == QLatin1Char(' ')))
        ++i;
    return i < text.size() && kFormulaOpeners.contains(text.at(i));
}

} // namespace

QString csvCell(const QString& text)
{
    QString cell;
    cell.reserve(text.size() + 4);
    for (int i = 0; i < text.size(); ++i) {
        if ((i == 0 || isSeparator(text.at(i - 1))) && opensFormula(text, i))
            cell += QLatin1Char('\'');
        cell += text.at(i);
    }
    cell.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + cell + QLatin1Char('"');
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

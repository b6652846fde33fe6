#include "import/columns.h"
#include "import/csvreader.h"
#include "import/staffrows.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Feeds arbitrary bytes, as a staff list in CSV, through the reader and the
// row builder, and checks that whatever the reader splits comes back the same
// when written out again with every field quoted.

namespace {

[[noreturn]] void fail(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "fuzz_csv: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

QString quotedCsv(const QVector<QStringList>& rows, QChar separator)
{
    QString text;
    for (const QStringList& row : rows) {
        QStringList fields;
        for (QString field : row)
            fields.append(QLatin1Char('"') + field.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"'));
        text += fields.join(separator) + QLatin1Char('\n');
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    QString text;
    QString encoding;
    if (!staffimport::decodeText(bytes, &text, &encoding))
        return 0;
    const QChar separator = staffimport::detectSeparator(text);
    QVector<QStringList> rows;
    QString error;
    if (!staffimport::splitCsv(text, separator, &rows, &error)) {
        if (error.isEmpty())
            fail("a refused file gave no reason", text);
        return 0;
    }
    QVector<QStringList> again;
    if (!staffimport::splitCsv(quotedCsv(rows, separator), separator, &again, &error))
        fail("the reader refused its own rows written out", error);
    if (again != rows)
        fail("rows changed by a write and a read", quotedCsv(rows, separator));

    staffimport::Table table;
    table.rows = rows;
    const staffimport::HeaderMatch header = staffimport::findHeader(rows);
    const QVector<staffimport::StaffRow> staff
        = staffimport::staffRows(table, header.row, header.columns, {}, QDate(2026, 1, 1));
    for (const staffimport::StaffRow& row : staff) {
        if (row.status == staffimport::StaffRow::Status::Add && row.person.date.size() != 10)
            fail("a row to add has no date of issue", row.person.date);
    }
    return 0;
}

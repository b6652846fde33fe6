#include "import/xlsreader.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QLocale>

#include <freexl.h>

#include <algorithm>

namespace staffimport {

namespace {

// Rows beyond this are not read: the format holds no more.
const unsigned kMaxXlsRows = 65536;

QString cellText(const FreeXL_CellValue& cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT: return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE: return QLocale::c().toString(cell.value.double_value, 'g', 15);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT: return QString::fromUtf8(cell.value.text_value);
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME: {
        // "2026-02-01" or "2026-02-01 00:00:00"
        const QDate date = QDate::fromString(QString::fromLatin1(cell.value.text_value).left(10), Qt::ISODate);
        return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString::fromLatin1(cell.value.text_value);
    }
    case FREEXL_CELL_TIME: return QString::fromLatin1(cell.value.text_value);
    default: return QString();
    }
}

bool readActiveSheet(const void* handle, Table* table)
{
    unsigned rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK)
        return false;
    rows = std::min(rows, kMaxXlsRows);
    const int width = std::min<int>(columns, kMaxColumns);
    for (unsigned r = 0; r < rows; ++r) {
        QStringList cells;
        for (int c = 0; c < width; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, r, static_cast<unsigned short>(c), &cell) != FREEXL_OK)
                return false;
            cells.append(cellText(cell));
        }
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        table->rows.append(cells);
    }
    return true;
}

bool readSheetsOf(const void* handle, QVector<Table>* tables)
{
    unsigned count = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        return false;
    for (unsigned i = 0; i < count && i < 256; ++i) {
        Table table;
        table.description = QStringLiteral("XLS");
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle, static_cast<unsigned short>(i), &name) == FREEXL_OK && name)
            table.sheet = QString::fromUtf8(name);
        if (freexl_select_active_worksheet(handle, static_cast<unsigned short>(i)) != FREEXL_OK
            || !readActiveSheet(handle, &table)) {
            return false;
        }
        tables->append(table);
    }
    return true;
}

} // namespace

bool isCompoundDocument(const QByteArray& bytes)
{
    return bytes.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

bool readXls(const QString& path, QVector<Table>* tables, QString* error)
{
    const void* handle = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (freexl_open(name.constData(), &handle) != FREEXL_OK) {
        freexl_close(handle);
        *error = QStringLiteral("файл .xls повреждён, защищён паролем или не читается");
        return false;
    }
    tables->clear();
    const bool read = readSheetsOf(handle, tables);
    freexl_close(handle);
    if (!read) {
        *error = QStringLiteral("файл .xls повреждён или не читается");
        return false;
    }
    const bool empty = std::all_of(tables->begin(), tables->end(), [](const Table& t) {
        return std::all_of(t.rows.begin(), t.rows.end(), [](const QStringList& r) { return r.isEmpty(); });
    });
    if (empty) {
        *error = QStringLiteral("в таблице нет ни одной заполненной ячейки");
        return false;
    }
    return true;
}

} // namespace staffimport

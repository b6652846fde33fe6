#include "import/sheetreader.h"

#include "import/sheetparts.h"

#include <QDate>
#include <QLocale>

#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>

#include <algorithm>
#include <cmath>
#include <deque>
#include <exception>
#include <stdexcept>
#include <map>
#include <string>
#include <vector>

namespace staffimport {

namespace {

namespace iface = orcus::spreadsheet::iface;
using sheetparts::fromUtf8;
using sheetparts::SharedStrings;
using sheetparts::Styles;
using orcus::spreadsheet::col_t;
using orcus::spreadsheet::row_t;

// Rows beyond this are not read: more than any spreadsheet program holds.
const row_t kMaxRows = 1048576;


struct Cell
{
    enum Kind { Text, Number, Date } kind = Text;
    QString text;
    double number = 0;
    size_t xf = 0;
    bool hasXf = false;
};

class Sheet;

// The cached result of a formula cell, handed to the sheet on commit.
class Formula : public iface::import_formula
{
public:
    explicit Formula(Sheet* sheet) : m_sheet(sheet) {}
    void set_position(row_t row, col_t col) override
    {
        m_row = row;
        m_col = col;
        m_cell = Cell();
    }
    void set_formula(orcus::spreadsheet::formula_grammar_t, std::string_view) override {}
    void set_shared_formula_index(size_t) override {}
    void set_result_string(std::string_view value) override { m_cell.text = fromUtf8(value); }
    void set_result_value(double value) override
    {
        m_cell.kind = Cell::Number;
        m_cell.number = value;
    }
    void set_result_bool(bool value) override { m_cell.text = value ? QStringLiteral("1") : QStringLiteral("0"); }
    void set_result_empty() override {}
    void commit() override;

private:
    Sheet* m_sheet;
    row_t m_row = 0;
    col_t m_col = 0;
    Cell m_cell;
};

class ArrayFormula : public iface::import_array_formula
{
public:
    explicit ArrayFormula(Sheet* sheet) : m_sheet(sheet) {}
    void set_range(const orcus::spreadsheet::range_t&) override {}
    void set_formula(orcus::spreadsheet::formula_grammar_t, std::string_view) override {}
    void set_result_string(row_t row, col_t col, std::string_view value) override;
    void set_result_value(row_t row, col_t col, double value) override;
    void set_result_bool(row_t row, col_t col, bool value) override;
    void set_result_empty(row_t, col_t) override {}
    void commit() override {}

private:
    Sheet* m_sheet;
};

// The merged ranges of a sheet; the rest of its properties does not matter.
class Properties : public iface::import_sheet_properties
{
public:
    const std::vector<orcus::spreadsheet::range_t>& merges() const { return m_merges; }
    void set_column_width(col_t, double, orcus::length_unit_t) override {}
    void set_column_hidden(col_t, bool) override {}
    void set_row_height(row_t, double, orcus::length_unit_t) override {}
    void set_row_hidden(row_t, bool) override {}
    void set_merge_cell_range(const orcus::spreadsheet::range_t& range) override { m_merges.push_back(range); }

private:
    std::vector<orcus::spreadsheet::range_t> m_merges;
};

// The cells of one sheet.
class Sheet : public iface::import_sheet
{
public:
    Sheet(const SharedStrings* strings, const std::string& name)
        : m_strings(strings), m_name(name), m_formula(this), m_arrayFormula(this)
    {
    }

    const std::string& name() const { return m_name; }
    const std::vector<orcus::spreadsheet::range_t>& merges() const { return m_properties.merges(); }
    iface::import_sheet_properties* get_sheet_properties() override { return &m_properties; }

    void put(row_t row, col_t col, const Cell& value)
    {
        if (row < 0 || col < 0 || row >= kMaxRows || col >= kMaxColumns)
            return;
        Cell& cell = m_cells[row][col];
        const size_t xf = cell.xf;
        const bool hasXf = cell.hasXf;
        cell = value;
        if (hasXf && !value.hasXf) {
            cell.xf = xf;
            cell.hasXf = true;
        }
    }
    void setXf(row_t row, col_t col, size_t xf)
    {
        if (row < 0 || col < 0 || row >= kMaxRows || col >= kMaxColumns)
            return;
        Cell& cell = m_cells[row][col];
        cell.xf = xf;
        cell.hasXf = true;
    }

    const std::map<row_t, std::map<col_t, Cell>>& cells() const { return m_cells; }

    iface::import_formula* get_formula() override { return &m_formula; }
    iface::import_array_formula* get_array_formula() override { return &m_arrayFormula; }
    void set_auto(row_t row, col_t col, std::string_view s) override { put(row, col, textCell(fromUtf8(s))); }
    void set_string(row_t row, col_t col, orcus::spreadsheet::string_id_t sindex) override
    {
        put(row, col, textCell(m_strings ? m_strings->at(sindex) : QString()));
    }
    void set_value(row_t row, col_t col, double value) override
    {
        Cell cell;
        cell.kind = Cell::Number;
        cell.number = value;
        put(row, col, cell);
    }
    void set_bool(row_t row, col_t col, bool value) override
    {
        put(row, col, textCell(value ? QStringLiteral("1") : QStringLiteral("0")));
    }
    void set_date_time(row_t row, col_t col, int year, int month, int day, int, int, double) override
    {
        Cell cell;
        cell.kind = Cell::Date;
        const QDate date(year, month, day);
        cell.text = date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
        put(row, col, cell);
    }
    void set_format(row_t row, col_t col, size_t xf_index) override { setXf(row, col, xf_index); }
    void set_format(row_t row_start, col_t col_start, row_t row_end, col_t col_end, size_t xf_index) override
    {
        // Ranges of formats reach only cells that hold something.
        for (auto& [row, cols] : m_cells) {
            if (row < row_start || row > row_end)
                continue;
            for (auto& [col, cell] : cols) {
                if (col >= col_start && col <= col_end) {
                    cell.xf = xf_index;
                    cell.hasXf = true;
                }
            }
        }
    }
    void fill_down_cells(row_t src_row, col_t src_col, row_t range_size) override
    {
        if (range_size <= 0 || range_size > kMaxRows)
            return;
        const auto row = m_cells.find(src_row);
        if (row == m_cells.end() || !row->second.count(src_col))
            return;
        const Cell cell = row->second.at(src_col);
        for (row_t i = 1; i <= range_size && src_row + i < kMaxRows; ++i)
            put(src_row + i, src_col, cell);
    }
    orcus::spreadsheet::range_size_t get_sheet_size() const override { return {kMaxRows, 16384}; }

private:
    static Cell textCell(const QString& text)
    {
        Cell cell;
        cell.text = text;
        return cell;
    }

    const SharedStrings* m_strings = nullptr;
    std::string m_name;
    Properties m_properties;
    std::map<row_t, std::map<col_t, Cell>> m_cells;
    Formula m_formula;
    ArrayFormula m_arrayFormula;
};

void Formula::commit()
{
    m_sheet->put(m_row, m_col, m_cell);
}

void ArrayFormula::set_result_string(row_t row, col_t col, std::string_view value)
{
    Cell cell;
    cell.text = fromUtf8(value);
    m_sheet->put(row, col, cell);
}

void ArrayFormula::set_result_value(row_t row, col_t col, double value)
{
    Cell cell;
    cell.kind = Cell::Number;
    cell.number = value;
    m_sheet->put(row, col, cell);
}

void ArrayFormula::set_result_bool(row_t row, col_t col, bool value)
{
    Cell cell;
    cell.text = value ? QStringLiteral("1") : QStringLiteral("0");
    m_sheet->put(row, col, cell);
}

class Settings : public iface::import_global_settings
{
public:
    QDate origin() const { return m_origin; }
    void set_origin_date(int year, int month, int day) override
    {
        const QDate date(year, month, day);
        if (date.isValid())
            m_origin = date;
    }
    void set_default_formula_grammar(orcus::spreadsheet::formula_grammar_t grammar) override { m_grammar = grammar; }
    orcus::spreadsheet::formula_grammar_t get_default_formula_grammar() const override { return m_grammar; }
    void set_character_set(orcus::character_set_t) override {}

private:
    // The serial day 0 of .xlsx (the 1900 system, leap-year bug included from March 1900 on).
    QDate m_origin = QDate(1899, 12, 30);
    orcus::spreadsheet::formula_grammar_t m_grammar = orcus::spreadsheet::formula_grammar_t::unknown;
};

// Cell addresses in A1 notation ("B12", "$B$12", "Sheet!B12", "[.B12]"), as
// the reader places cells by them. Formulas are not evaluated: their cached
// results are read.
class Resolver : public iface::import_reference_resolver
{
public:
    orcus::spreadsheet::src_address_t resolve_address(std::string_view address) override
    {
        std::string_view text = address;
        const size_t sheetEnd = text.find_last_of("!.");
        if (sheetEnd != std::string_view::npos)
            text.remove_prefix(sheetEnd + 1);
        long column = 0;
        long row = 0;
        bool columnSeen = false;
        bool rowSeen = false;
        for (const char c : text) {
            if (c >= 'a' && c <= 'z' && !rowSeen) {
                column = std::min(column * 26 + (c - 'a' + 1), 1L << 20);
                columnSeen = true;
            } else if (c >= 'A' && c <= 'Z' && !rowSeen) {
                column = std::min(column * 26 + (c - 'A' + 1), 1L << 20);
                columnSeen = true;
            } else if (c >= '0' && c <= '9' && columnSeen) {
                row = std::min(row * 10 + (c - '0'), 1L << 24);
                rowSeen = true;
            } else if (c != '$' && c != '[' && c != ']') {
                throw std::invalid_argument("address");
            }
        }
        if (!columnSeen || !rowSeen || row == 0)
            throw std::invalid_argument("address");
        orcus::spreadsheet::src_address_t result{};
        result.row = row_t(row - 1);
        result.column = col_t(column - 1);
        return result;
    }
    orcus::spreadsheet::src_range_t resolve_range(std::string_view range) override
    {
        const size_t colon = range.find(':');
        orcus::spreadsheet::src_range_t result{};
        result.first = resolve_address(range.substr(0, colon));
        result.last = colon == std::string_view::npos ? result.first : resolve_address(range.substr(colon + 1));
        return result;
    }
};

// Largest area a merged range gives its value to: a staff list's merges are
// a column or a few rows high; more is a decoration over empty cells.
constexpr qint64 kMaxMergedCells = 1 << 20;

class Factory : public iface::import_factory
{
public:
    iface::import_global_settings* get_global_settings() override { return &m_settings; }
    iface::import_shared_strings* get_shared_strings() override { return &m_strings; }
    iface::import_styles* get_styles() override { return &m_styles; }
    iface::import_reference_resolver* get_reference_resolver(orcus::spreadsheet::formula_ref_context_t) override
    {
        return &m_resolver;
    }
    iface::import_sheet* append_sheet(orcus::spreadsheet::sheet_t, std::string_view name) override
    {
        m_sheets.emplace_back(&m_strings, std::string(name));
        return &m_sheets.back();
    }
    iface::import_sheet* get_sheet(std::string_view name) override
    {
        for (Sheet& sheet : m_sheets) {
            if (sheet.name() == name)
                return &sheet;
        }
        return nullptr;
    }
    iface::import_sheet* get_sheet(orcus::spreadsheet::sheet_t index) override
    {
        return index >= 0 && size_t(index) < m_sheets.size() ? &m_sheets[size_t(index)] : nullptr;
    }
    void finalize() override {}

    QString text(const Cell& cell) const
    {
        if (cell.kind != Cell::Number)
            return cell.text;
        if (cell.hasXf && m_styles.isDate(cell.xf) && std::isfinite(cell.number) && std::abs(cell.number) < 3.0e6) {
            const QDate date = m_settings.origin().addDays(qint64(std::floor(cell.number)));
            if (date.isValid())
                return date.toString(QStringLiteral("dd.MM.yyyy"));
        }
        return QLocale::c().toString(cell.number, 'g', 15);
    }

    void fill(QVector<Table>* tables, const QString& format) const
    {
        for (const Sheet& sheet : m_sheets) {
            Table table;
            table.description = format;
            table.sheet = QString::fromStdString(sheet.name());
            for (const auto& [row, cols] : sheet.cells()) {
                if (table.rows.size() <= row)
                    table.rows.resize(row + 1);
                QStringList& cells = table.rows[row];
                for (const auto& [col, cell] : cols) {
                    while (cells.size() <= col)
                        cells.append(QString());
                    cells[col] = text(cell);
                }
            }
            spreadMerges(sheet.merges(), &table);
            tables->append(table);
        }
    }

private:
    // Every cell of a merged range shows the value of its first cell.
    static void spreadMerges(const std::vector<orcus::spreadsheet::range_t>& merges, Table* table)
    {
        qint64 spread = 0;
        for (const auto& range : merges) {
            const int top = range.first.row, left = range.first.column;
            const int bottom = std::min<int>(range.last.row, table->rows.size() - 1);
            const int right = std::min<int>(range.last.column, kMaxColumns - 1);
            if (top < 0 || left < 0 || top >= table->rows.size() || bottom < top || right < left)
                continue;
            spread += qint64(bottom - top + 1) * (right - left + 1);
            if (spread > kMaxMergedCells)
                return;
            const QString value = table->rows.at(top).value(left);
            for (int r = top; r <= bottom; ++r) {
                QStringList& cells = table->rows[r];
                while (cells.size() <= right)
                    cells.append(QString());
                for (int c = left; c <= right; ++c)
                    cells[c] = value;
            }
        }
    }

    Settings m_settings;
    Resolver m_resolver;
    SharedStrings m_strings;
    Styles m_styles;
    std::deque<Sheet> m_sheets;
};

} // namespace

bool isBuiltinDateFormat(int id)
{
    return (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
}

bool isDateFormatCode(const QString& code)
{
    bool quoted = false;
    bool bracket = false;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*'))
            ++i; // the next character is shown as it stands
        else if (c == QLatin1Char('['))
            bracket = true;
        else if (c == QLatin1Char(']'))
            bracket = false;
        else if (!bracket && QStringLiteral("dDyY").contains(c))
            return true;
    }
    return false;
}

bool readSheets(const QByteArray& bytes, SheetFormat format, QVector<Table>* tables, QString* error)
{
    Factory factory;
    try {
        const std::string_view stream(bytes.constData(), size_t(bytes.size()));
        if (format == SheetFormat::Xlsx) {
            orcus::orcus_xlsx reader(&factory);
            reader.read_stream(stream);
        } else {
            orcus::orcus_ods reader(&factory);
            reader.read_stream(stream);
        }
    } catch (const std::exception& e) {
        *error = QStringLiteral("файл таблицы повреждён или не читается (%1)").arg(QString::fromLocal8Bit(e.what()));
        return false;
    } catch (...) {
        *error = QStringLiteral("файл таблицы повреждён или не читается");
        return false;
    }
    tables->clear();
    factory.fill(tables, format == SheetFormat::Xlsx ? QStringLiteral("XLSX") : QStringLiteral("ODS"));
    const bool empty = std::all_of(tables->begin(), tables->end(), [](const Table& t) { return t.rows.isEmpty(); });
    if (empty) {
        *error = QStringLiteral("в таблице нет ни одной заполненной ячейки");
        return false;
    }
    return true;
}

} // namespace staffimport

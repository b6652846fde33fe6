#include "import/importsession.h"

#include "records/recordtexts.h"

#include <QFileInfo>

namespace staffimport {

namespace {

QString quoted(const QString& text)
{
    return QStringLiteral("«%1»").arg(text.left(80));
}

// The sheet a --sheet option names: its name, or its number from 1.
int sheetNamed(const QVector<Table>& sheets, const QString& name)
{
    for (int i = 0; i < sheets.size(); ++i) {
        if (sheets.at(i).sheet == name)
            return i;
    }
    bool number = false;
    const int index = name.toInt(&number) - 1;
    return number && index >= 0 && index < sheets.size() ? index : -1;
}

void appendSection(QStringList* lines, const QString& title, const QStringList& items)
{
    if (items.isEmpty())
        return;
    lines->append(title);
    for (const QString& item : items)
        lines->append(QStringLiteral("  ") + item);
}

} // namespace

QString noHeaderText(const QVector<Table>& sheets)
{
    QStringList names;
    for (const Table& sheet : sheets) {
        if (!sheet.sheet.isEmpty())
            names.append(quoted(sheet.sheet));
    }
    QString text = QStringLiteral("в первых %1 строках нет заголовка таблицы").arg(kHeaderSearchRows);
    if (!names.isEmpty())
        text += QStringLiteral(" (просмотрены листы: %1)").arg(names.join(QStringLiteral(", ")));
    return text + QStringLiteral(": нужны столбцы «Фамилия», «Имя», «Отчество» (или «ФИО»), «Организация» "
                                 "(или «Форма» и «Наименование»), «Дата выдачи»");
}

bool ImportSession::open(const QString& path, QString* error, const QString& sheet)
{
    m_path = path;
    m_rows.clear();
    m_newCompanies.clear();
    if (!readSheets(path, &m_sheets, error))
        return false;
    if (!sheet.isEmpty()) {
        const int index = sheetNamed(m_sheets, sheet);
        if (index < 0) {
            *error = QStringLiteral("в файле нет листа %1").arg(quoted(sheet));
            return false;
        }
        selectSheet(index);
        if (m_headerRow < 0)
            *error = noHeaderText({m_sheets.at(index)});
        return m_headerRow >= 0;
    }
    for (int i = 0; i < m_sheets.size(); ++i) {
        selectSheet(i);
        if (m_headerRow >= 0)
            return true;
    }
    selectSheet(0);
    *error = noHeaderText(m_sheets);
    return false;
}

void ImportSession::selectSheet(int index)
{
    m_sheet = index;
    m_table = m_sheets.value(index);
    const HeaderMatch header = findHeader(m_table.rows);
    m_headerRow = header.row;
    m_columns = header.columns;
}

void ImportSession::setHeaderRow(int row)
{
    const HeaderMatch header = headerAt(m_table.rows, row);
    m_headerRow = row;
    m_columns = header.columns;
}

bool ImportSession::check(DataBase& db, QString* error)
{
    m_rows = staffRows(m_table, m_headerRow, m_columns, m_fallback, m_defaultDate);
    return checkRows(db, &m_rows, &m_newCompanies, error);
}

bool ImportSession::write(DataBase& db, QString* error)
{
    return writeRows(db, &m_rows, &m_newCompanies, error);
}

QStringList ImportSession::ignoredColumns() const
{
    QStringList ignored;
    const QStringList header = m_table.rows.value(m_headerRow);
    for (int i = 0; i < header.size(); ++i) {
        const QString text = cleanCell(header.at(i));
        if (!text.isEmpty() && m_columns.value(i, Column::Ignore) == Column::Ignore)
            ignored.append(quoted(text));
    }
    return ignored;
}

QStringList ImportSession::reportLines() const
{
    const Summary summary = summarise(m_rows);
    QString file = QStringLiteral("Файл: %1 (%2)").arg(QFileInfo(m_path).fileName(), m_table.description);
    if (!m_table.sheet.isEmpty())
        file += QStringLiteral(", лист %1").arg(quoted(m_table.sheet));
    QStringList lines{file + QStringLiteral(", заголовок в строке %1").arg(m_headerRow + 1),
                      QStringLiteral("Строк данных: %1").arg(m_rows.size()),
                      QStringLiteral("К добавлению: %1 (новых организаций: %2)")
                          .arg(summary.toAdd)
                          .arg(m_newCompanies.size()),
                      QStringLiteral("Уже есть, пропущены: %1").arg(summary.duplicates),
                      QStringLiteral("Строки с ошибками: %1").arg(summary.invalid),
                      QStringLiteral("Не строки списка: %1").arg(summary.notListed)};
    if (summary.dateDefaulted > 0) {
        lines.append(QStringLiteral("Без даты выдачи: %1, им дана дата %2")
                         .arg(summary.dateDefaulted)
                         .arg(m_defaultDate.toString(QStringLiteral("dd.MM.yyyy"))));
    }
    if (!namesAPerson(m_columns))
        lines.append(QStringLiteral("Нет столбца «Фамилия», «Имя», «Отчество» или «ФИО»: строкам не из чего взять имя."));
    const QString hidden = hiddenCharacterLine(m_rows);
    if (!hidden.isEmpty())
        lines.append(hidden);
    const QStringList ignored = ignoredColumns();
    if (!ignored.isEmpty())
        lines.append(QStringLiteral("Не загружаются столбцы: %1").arg(ignored.join(QStringLiteral(", "))));
    QStringList created;
    for (const QStringList& company : m_newCompanies)
        created.append(quoted(records::companyText(company.value(0), company.value(1))));
    appendSection(&lines, QStringLiteral("Новые организации:"), created);
    appendSection(&lines, QStringLiteral("Организации в другом написании:"), matchedOrganisations(m_rows));
    appendSection(&lines, QStringLiteral("Похожие имена (загружаются как написаны):"), notedRowLines(m_rows));
    appendSection(&lines, QStringLiteral("Пропущенные строки:"), skippedRowLines(m_rows));
    appendSection(&lines, QStringLiteral("Не строки списка:"), notListedLines(m_rows));
    return lines;
}

} // namespace staffimport

#include "import/importsession.h"

#include <QFileInfo>

namespace staffimport {

QString expectedHeaderText()
{
    return QStringLiteral("в первых строках нет строки заголовка: нужны столбцы «Фамилия», «Имя», «Отчество» "
                          "(или «ФИО»), «Форма», «Наименование», «Должность», «Руководитель», «Дата выдачи»");
}

bool ImportSession::open(const QString& path, QString* error)
{
    m_path = path;
    m_rows.clear();
    m_newCompanies.clear();
    if (!readTable(path, &m_table, error))
        return false;
    const HeaderMatch header = findHeader(m_table.rows);
    if (header.row < 0) {
        *error = expectedHeaderText();
        return false;
    }
    m_headerRow = header.row;
    m_columns = header.columns;
    return true;
}

bool ImportSession::check(DataBase& db, QString* error)
{
    m_rows = staffRows(m_table, m_headerRow, m_columns, m_fallback, m_today);
    return checkRows(db, &m_rows, &m_newCompanies, error);
}

bool ImportSession::write(DataBase& db, QString* error)
{
    return writeRows(db, &m_rows, &m_newCompanies, error);
}

QStringList ImportSession::reportLines() const
{
    const Summary summary = summarise(m_rows);
    QStringList lines{QStringLiteral("Файл: %1 (%2)").arg(QFileInfo(m_path).fileName(), m_table.description),
                      QStringLiteral("Строк с сотрудниками: %1").arg(m_rows.size()),
                      QStringLiteral("К добавлению: %1 (новых организаций: %2)")
                          .arg(summary.toAdd)
                          .arg(m_newCompanies.size()),
                      QStringLiteral("Дубликаты, пропущены: %1").arg(summary.duplicates),
                      QStringLiteral("Строки с ошибками: %1").arg(summary.invalid)};
    if (!namesAPerson(m_columns))
        lines.append(QStringLiteral("Нет столбца «Фамилия», «Имя», «Отчество» или «ФИО»: строкам не из чего взять имя."));
    const QString hidden = hiddenCharacterLine(m_rows);
    if (!hidden.isEmpty())
        lines.append(hidden);
    const QStringList skipped = skippedRowLines(m_rows);
    if (!skipped.isEmpty()) {
        lines.append(QStringLiteral("Пропущенные строки:"));
        for (const QString& line : skipped)
            lines.append(QStringLiteral("  ") + line);
    }
    return lines;
}

} // namespace staffimport

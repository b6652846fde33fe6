#include "db/changelog.h"

#include "db/dialect.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Each log has a name of its own: two windows on one connection must not take
// each other's rows.
QString nextLogName(const QString& table)
{
    static int count = 0;
    return QStringLiteral("changes_%1_%2").arg(table).arg(++count);
}

bool runAll(const QSqlDatabase& database, const QStringList& statements)
{
    QSqlQuery query(database);
    for (const QString& statement : statements) {
        if (!query.exec(statement))
            return false;
    }
    return true;
}

} // namespace

ChangeLog::~ChangeLog()
{
    stop();
}

bool ChangeLog::canRecord(const QSqlDatabase& database)
{
    // Triggers of the temporary schema are SQLite's; other engines have no
    // place for them outside the stored file.
    return sql::dialectOf(database) == sql::Dialect::Sqlite;
}

bool ChangeLog::start(const QSqlDatabase& database, const QString& table)
{
    stop();
    if (!database.isOpen() || !canRecord(database))
        return false;
    m_database = database;
    m_table = table;
    m_name = nextLogName(table);
    if (!install()) {
        stop();
        return false;
    }
    return true;
}

void ChangeLog::stop()
{
    if (!m_name.isEmpty() && m_database.isOpen()) {
        runAll(m_database, {QStringLiteral("DROP TRIGGER IF EXISTS temp.%1_i").arg(m_name),
                            QStringLiteral("DROP TRIGGER IF EXISTS temp.%1_u").arg(m_name),
                            QStringLiteral("DROP TRIGGER IF EXISTS temp.%1_d").arg(m_name),
                            QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(m_name)});
    }
    m_name.clear();
    m_database = QSqlDatabase();
}

bool ChangeLog::install()
{
    const QString insert = QStringLiteral("INSERT INTO %1 VALUES").arg(m_name);
    const bool done = runAll(
        m_database,
        {QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS %1 (id INTEGER)").arg(m_name),
         QStringLiteral("DELETE FROM temp.%1").arg(m_name),
         QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS %1_i AFTER INSERT ON main.%2 BEGIN %3 (new.rowid); END")
             .arg(m_name, m_table, insert),
         QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS %1_u AFTER UPDATE ON main.%2 BEGIN %3 (old.rowid);"
                        " %3 (new.rowid); END")
             .arg(m_name, m_table, insert),
         QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS %1_d AFTER DELETE ON main.%2 BEGIN %3 (old.rowid); END")
             .arg(m_name, m_table, insert)});
    m_version = dataVersion();
    return done && m_version >= 0;
}

bool ChangeLog::triggersInPlace() const
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    return query.exec(QStringLiteral("SELECT count(*) FROM sqlite_temp_master WHERE type='trigger' AND name IN "
                                     "('%1_i','%1_u','%1_d')")
                          .arg(m_name))
           && query.next() && query.value(0).toInt() == 3;
}

qint64 ChangeLog::dataVersion() const
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("PRAGMA data_version")) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

ChangeLog::Outcome ChangeLog::take(QVector<qint64>* rowIds)
{
    rowIds->clear();
    if (m_name.isEmpty() || !m_database.isOpen())
        return Outcome::Everything;
    // The connection may have been opened anew (its temporary schema is then
    // gone), the table dropped (its triggers with it), or another connection
    // may have committed.
    bool lost = dataVersion() != m_version || !triggersInPlace();
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!lost && query.exec(QStringLiteral("SELECT id FROM temp.%1 ORDER BY rowid").arg(m_name))) {
        while (query.next())
            rowIds->append(query.value(0).toLongLong());
        query.finish();
        if (!rowIds->isEmpty())
            lost = !query.exec(QStringLiteral("DELETE FROM temp.%1").arg(m_name));
    } else {
        lost = true;
    }
    if (!lost)
        return Outcome::Rows;
    rowIds->clear();
    install();
    return Outcome::Everything;
}

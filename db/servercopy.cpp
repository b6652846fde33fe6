#include "db/servercopy.h"

#include "db/database.h"
#include "db/indexes.h"
#include "db/serverconfig.h"
#include "db/statements.h"
#include "db/workingdatabase.h"
#include "journal/cardregister.h"
#include "records/recordtexts.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace db {

namespace {

const QString kSourceConnection = QStringLiteral("copy-source");
const QString kTargetConnection = QStringLiteral("copy-target");
const QString kSourceFile = QStringLiteral("dataBase.db");
// Rows per INSERT statement: few round trips, statements of modest size.
const int kRowsPerStatement = 200;

QString literal(const QVariant& value)
{
    return value.isNull() ? QStringLiteral("NULL") : sql::quoteLiteral(value.toString());
}

bool flush(QSqlQuery& query, const QString& head, QStringList* rows)
{
    if (rows->isEmpty())
        return true;
    const bool done = query.exec(head + rows->join(QLatin1Char(',')));
    rows->clear();
    return done;
}

// The first value of a query's first row as a number; 0 when there is none.
qint64 numberOf(const QSqlDatabase& database, const QString& statement)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    return statement.isEmpty() || !query.exec(statement) || !query.next() ? 0 : query.value(0).toLongLong();
}

// Copies one table; false with the reason when a statement fails. *highest
// gets the greatest value copied into the table's serial key.
bool copyTable(const QSqlDatabase& source, QSqlQuery& target, const CopiedTable& table, int* count,
               qint64* highest, QString* message)
{
    *count = 0;
    *highest = 0;
    const int keyColumn = table.columns.indexOf(table.serialKey);
    if (!source.tables().contains(table.table))
        return true; // a file made before the table existed
    QSqlQuery read(source);
    read.setForwardOnly(true);
    const QString columns = table.columns.join(QLatin1Char(','));
    if (!read.exec(QStringLiteral("SELECT %1 FROM %2").arg(columns, table.table))) {
        *message = QStringLiteral("таблица %1 файла \"%2\" не читается: %3")
                       .arg(table.table, kSourceFile, read.lastError().text());
        return false;
    }
    const QString head = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(table.table, columns);
    QStringList rows;
    bool written = true;
    while (written && read.next()) {
        QStringList values;
        for (int i = 0; i < table.columns.size(); ++i)
            values.append(literal(read.value(i)));
        if (keyColumn >= 0)
            *highest = qMax(*highest, read.value(keyColumn).toLongLong());
        rows.append(QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')'));
        ++*count;
        if (rows.size() == kRowsPerStatement)
            written = flush(target, head, &rows);
    }
    written = written && flush(target, head, &rows);
    if (!written || read.lastError().isValid()) {
        const QSqlError error = written ? read.lastError() : target.lastError();
        *message = QStringLiteral("таблица %1 не скопирована: %2").arg(table.table, error.text());
        return false;
    }
    return true;
}

// The tables on the server that hold rows already, with their counts.
QStringList occupiedTables(const QSqlDatabase& target)
{
    QStringList occupied;
    for (const CopiedTable& table : copiedTables()) {
        QSqlQuery query(target);
        const bool counted = query.exec(sql::countRows(table.table)) && query.next();
        const int rows = counted ? query.value(0).toInt() : -1;
        if (rows != 0)
            occupied.append(QStringLiteral("%1: %2").arg(table.table, rows < 0 ? QStringLiteral("?")
                                                                                 : QString::number(rows)));
    }
    return occupied;
}

} // namespace

QList<CopiedTable> copiedTables()
{
    return {
        {QStringLiteral("companies"), records::companyColumns(), QStringLiteral("организаций"), QString()},
        {QStringLiteral("personal"), records::personalColumns(), QStringLiteral("сотрудников"), QString()},
        {QStringLiteral("cards"), journal::columns(), QStringLiteral("карточек в журнале выдачи"),
         QStringLiteral("number")},
    };
}

bool copyTables(const QSqlDatabase& source, QSqlDatabase& target, QList<int>* counts, QString* message)
{
    counts->clear();
    const QList<CopiedTable> tables = copiedTables();
    for (const CopiedTable& table : tables) {
        QSqlQuery query(target);
        QString reason;
        // The register makes its own table (a numbered key, texts never NULL).
        const bool created = table.serialKey.isEmpty()
                                 ? query.exec(sql::createTable(table.table, table.columns, sql::dialectOf(target)))
                                 : journal::CardRegister(target).ensureTable(&reason);
        if (!created) {
            *message = QStringLiteral("на сервере не создаётся таблица %1: %2")
                           .arg(table.table, reason.isEmpty() ? query.lastError().text() : reason);
            return false;
        }
    }
    indexes::createLookupIndexes(target);
    if (!beginWriteTransaction(target)) {
        *message = QStringLiteral("не начинается транзакция: %1").arg(target.lastError().text());
        return false;
    }
    // Checked under the write lock, so no workstation can write in between.
    const QStringList occupied = occupiedTables(target);
    bool done = occupied.isEmpty();
    if (!done) {
        *message = QStringLiteral("на сервере уже есть записи (%1); копирование отменено, ничего не записано")
                       .arg(occupied.join(QStringLiteral(", ")));
    }
    {
        QSqlQuery query(target);
        for (int i = 0; done && i < tables.size(); ++i) {
            const CopiedTable& table = tables.at(i);
            int count = 0;
            qint64 highest = 0;
            done = copyTable(source, query, table, &count, &highest, message);
            counts->append(count);
            if (!done || table.serialKey.isEmpty())
                continue;
            // Past every number the file gave, the deleted ones too, and any the server gave before.
            const sql::Dialect from = sql::dialectOf(source);
            const sql::Dialect to = sql::dialectOf(target);
            const qint64 last = qMax(highest, qMax(numberOf(source, sql::lastSerialQuery(from, table.table, table.serialKey)),
                                                   numberOf(target, sql::lastSerialQuery(to, table.table, table.serialKey))));
            const QString carryOn = sql::continueSerialStatement(to, table.table, table.serialKey, last);
            if (!carryOn.isEmpty() && !query.exec(carryOn)) {
                *message = QStringLiteral("нумерация таблицы %1 не продолжена: %2")
                               .arg(table.table, query.lastError().text());
                done = false;
            }
        }
    }
    QSqlQuery end(target);
    // A statement that failed unnoticed leaves the transaction aborted, and the
    // server would answer the COMMIT by rolling back without an error.
    const QString check = sql::commitCheckStatement(sql::dialectOf(target));
    if (done && (check.isEmpty() || end.exec(check)) && end.exec(QStringLiteral("COMMIT")))
        return true;
    if (done)
        *message = QStringLiteral("запись на сервер не завершилась: %1").arg(end.lastError().text());
    end.exec(QStringLiteral("ROLLBACK"));
    counts->clear();
    return false;
}

QString copyWorkingDatabaseToServer(bool* ok)
{
    *ok = false;
    ServerConfig config;
    QString message;
    switch (readServerConfig(serverConfigFileName(), &config, &message)) {
    case ConfigStatus::Invalid:
        return message;
    case ConfigStatus::Absent:
        return QStringLiteral("Нет файла \"%1\": не указан сервер, на который копировать").arg(serverConfigFileName());
    case ConfigStatus::Valid:
        break;
    }
    if (!QFileInfo(kSourceFile).isFile())
        return QStringLiteral("Нет файла \"%1\" в рабочей папке: копировать нечего").arg(kSourceFile);

    QString result;
    {
        QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kSourceConnection);
        source.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        source.setDatabaseName(kSourceFile);
        QSqlDatabase target = QSqlDatabase::addDatabase(config.driver, kTargetConnection);
        QList<int> counts;
        if (!source.open()) {
            result = QStringLiteral("Файл \"%1\" не открывается: %2").arg(kSourceFile, source.lastError().text());
        } else if (!openServerConnection(target, config, DataBase::busyTimeoutMs())) {
            result = serverFailure(config, target.lastError());
        } else if (!copyTables(source, target, &counts, &message)) {
            result = QStringLiteral("Копирование на сервер %1 не выполнено: %2").arg(serverAddress(config), message);
        } else {
            QStringList parts;
            for (int i = 0; i < counts.size(); ++i)
                parts.append(QStringLiteral("%1 — %2").arg(copiedTables().at(i).label).arg(counts.at(i)));
            result = QStringLiteral("Скопировано на сервер %1 (база \"%2\"): %3")
                         .arg(serverAddress(config), config.name, parts.join(QStringLiteral(", ")));
            *ok = true;
        }
        source.close();
        target.close();
    }
    QSqlDatabase::removeDatabase(kSourceConnection);
    QSqlDatabase::removeDatabase(kTargetConnection);
    return result;
}

} // namespace db

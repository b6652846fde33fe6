#include "db/servercopy.h"

#include "db/database.h"
#include "db/indexes.h"
#include "db/serverconfig.h"
#include "db/statements.h"
#include "db/workingdatabase.h"

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

// Copies one table; false with the reason when a statement fails.
bool copyTable(const QSqlDatabase& source, QSqlQuery& target, const CopiedTable& table, int* count,
               QString* message)
{
    *count = 0;
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
        {QStringLiteral("companies"), {"Форма", "Наименование", "name"}, QStringLiteral("организаций")},
        {QStringLiteral("personal"),
         {"id", "Фамилия", "Имя", "Отчество", "Должность", "Руководитель", "Дата_выдачи", "person", "director"},
         QStringLiteral("сотрудников")},
    };
}

bool copyTables(const QSqlDatabase& source, QSqlDatabase& target, QList<int>* counts, QString* message)
{
    counts->clear();
    for (const CopiedTable& table : copiedTables()) {
        QSqlQuery query(target);
        if (!query.exec(sql::createTable(table.table, table.columns, sql::dialectOf(target)))) {
            *message = QStringLiteral("на сервере не создаётся таблица %1: %2")
                           .arg(table.table, query.lastError().text());
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
        for (int i = 0; done && i < copiedTables().size(); ++i) {
            int count = 0;
            done = copyTable(source, query, copiedTables().at(i), &count, message);
            counts->append(count);
        }
    }
    QSqlQuery end(target);
    if (done && end.exec(QStringLiteral("COMMIT")))
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

#ifndef DATABASE_H
#define DATABASE_H

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QSqlQuery;

// Owns the program's one SQLite connection ("Ruvo") and builds every record
// statement as SQL text from table names, column lists and values.
class DataBase : public QWidget
{
public:
    explicit DataBase(QWidget* parent = nullptr);

    void setConnection(const QString& connectionName);
    bool open(QString& fileName);
    void close();
    bool createTable(const QString& table, const QStringList& columns);
    int countRows(const QString& table);
    int masterColumnCount(const QString& expr);
    bool execute(const QString& sql);

    // A value as an SQL text literal: single quotes doubled, enclosed in single quotes.
    static QString quoteLiteral(const QString& value);

    // Record statements.
    QStringList quoteValues(const QStringList& values) const;
    bool insertRecord(const QString& table, const QStringList& columns, const QStringList& values);
    bool updateRecords(const QString& table, const QStringList& columns, const QStringList& values,
                       const QStringList& whereColumns, const QStringList& whereValues);
    int recordExists(const QString& table, const QStringList& columns, const QStringList& values);
    bool selectRecords(QStringList& rows, const QString& table, const QStringList& columns,
                       const QStringList& whereColumns, const QStringList& whereValues);
    bool queryRows(QStringList& rows, const QString& statement);
    // Second entry point: takes the statement as its own copy and forwards to
    // the one above; a null rows pointer runs nothing and gives false.
    bool queryRows(QStringList* rows, QString statement);
    // Like selectRecords, but every row comes back as its separate column
    // values, so a value holding "|" cannot shift the others.
    bool selectRecordValues(QList<QStringList>& rows, const QString& table, const QStringList& columns,
                            const QStringList& whereColumns, const QStringList& whereValues);
    QString deleteRecords(const QString& table, const QStringList& columns, const QList<QStringList>& valueSets);
    QString insertRecords(const QString& table, const QStringList& columns, const QList<QStringList>& rows);

    QSqlDatabase database;

private:
    Q_DISABLE_COPY(DataBase)

    // Runs one statement on the query; a text holding U+0000 is refused, since
    // SQLite would stop reading the statement there.
    static bool run(QSqlQuery& query, const QString& statement);
    // Runs work inside one transaction: all or nothing. Empty text on success,
    // else the result message with the table name.
    QString runTransaction(const QString& table, const std::function<bool(QSqlQuery&)>& work);
};

#endif // DATABASE_H

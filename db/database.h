#ifndef DATABASE_H
#define DATABASE_H

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QWidget>

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
    // Like selectRecords, but every row comes back as its separate column
    // values, so a value holding "|" cannot shift the others.
    bool selectRecordValues(QList<QStringList>& rows, const QString& table, const QStringList& columns,
                            const QStringList& whereColumns, const QStringList& whereValues);
    QString deleteRecords(const QString& table, const QStringList& columns, const QList<QStringList>& valueSets);
    QString insertRecords(const QString& table, const QStringList& columns, const QList<QStringList>& rows);

    QSqlDatabase database;

private:
    Q_DISABLE_COPY(DataBase)
};

#endif // DATABASE_H

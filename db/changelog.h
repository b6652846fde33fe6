#ifndef CHANGELOG_H
#define CHANGELOG_H

#include <QSqlDatabase>
#include <QString>
#include <QVector>

// Tells what changed in one table since the last look, for copies of the data
// kept in memory. The row ids that this connection inserts, updates or deletes
// are recorded by triggers in the connection's temporary schema, so nothing is
// added to the database file; a commit by any other connection (another copy
// of the program) is noticed as a whole, without its rows. This is the one
// place that depends on the engine: where it cannot record, start() says so.
class ChangeLog
{
public:
    ChangeLog() = default;
    ~ChangeLog();

    // Whether the engine of database lets changes be recorded this way.
    static bool canRecord(const QSqlDatabase& database);
    // Starts recording the changes to table on database; false where the
    // engine cannot, or the table is missing.
    bool start(const QSqlDatabase& database, const QString& table);
    void stop();
    bool isRecording() const { return !m_name.isEmpty(); }

    enum class Outcome
    {
        Rows,      // *rowIds holds the changed rows (possibly none)
        Everything // the log was lost or another connection wrote: read the table anew
    };
    // Takes the row ids recorded since the last call, oldest first, repeats
    // included; afterwards the log is empty. After Everything the log records
    // again from this moment on.
    Outcome take(QVector<qint64>* rowIds);

private:
    Q_DISABLE_COPY(ChangeLog)

    bool install();
    qint64 dataVersion() const;
    bool triggersInPlace() const;

    QSqlDatabase m_database;
    QString m_table;
    QString m_name;
    qint64 m_version = -1;
};

#endif // CHANGELOG_H

#include "backup/sqlitecopy.h"

#include <QFile>
#include <QThread>

#include <sqlite3.h>

namespace {

// As long as the program's own connection waits for another writer.
const int kBusyTimeoutMs = 5000;

// One SQLite connection, closed when it goes out of scope.
class Connection
{
public:
    Connection(const QString& file, int flags)
    {
        m_status = sqlite3_open_v2(file.toUtf8().constData(), &m_db, flags, nullptr);
        if (m_db)
            sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    }
    ~Connection() { sqlite3_close(m_db); }
    Q_DISABLE_COPY(Connection)

    bool isOpen() const { return m_status == SQLITE_OK; }
    sqlite3* handle() const { return m_db; }
    QString message() const
    {
        return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(m_status));
    }

private:
    sqlite3* m_db = nullptr;
    int m_status = SQLITE_ERROR;
};

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QString quoted(const QString& value)
{
    QString text = value;
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

} // namespace

namespace sqlitecopy {

bool looksLikeDatabase(const QString& file)
{
    QFile input(file);
    return input.open(QIODevice::ReadOnly) && input.read(16) == QByteArray("SQLite format 3", 16);
}

bool snapshot(const QString& from, const QString& to, QString* error)
{
    Connection source(from, SQLITE_OPEN_READONLY);
    if (!source.isOpen())
        return fail(error, source.message());
    const QByteArray statement = (QStringLiteral("VACUUM INTO ") + quoted(to)).toUtf8();
    if (sqlite3_exec(source.handle(), statement.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(error, source.message());
    return true;
}

bool verify(const QString& from, QString* error)
{
    if (!looksLikeDatabase(from))
        return fail(error, QStringLiteral("файл не является базой данных"));
    Connection source(from, SQLITE_OPEN_READONLY);
    if (!source.isOpen())
        return fail(error, source.message());
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(source.handle(), "PRAGMA integrity_check", -1, &statement, nullptr) != SQLITE_OK)
        return fail(error, source.message());
    QString verdict;
    int status = SQLITE_ROW;
    while ((status = sqlite3_step(statement)) == SQLITE_ROW)
        verdict += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))) + ' ';
    sqlite3_finalize(statement);
    if (status != SQLITE_DONE)
        return fail(error, source.message());
    if (verdict.trimmed() != QLatin1String("ok"))
        return fail(error, verdict.trimmed());
    return true;
}

bool replaceContent(const QString& from, const QString& to, QString* error)
{
    Connection source(from, SQLITE_OPEN_READONLY);
    if (!source.isOpen())
        return fail(error, source.message());
    Connection target(to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!target.isOpen())
        return fail(error, target.message());
    sqlite3_backup* copy = sqlite3_backup_init(target.handle(), "main", source.handle(), "main");
    if (!copy)
        return fail(error, target.message());
    int status = SQLITE_OK;
    // The busy handler covers most waits; a lock still held after it gives up
    // is tried again for as long once more.
    for (int attempt = 0; attempt < 50; ++attempt) {
        status = sqlite3_backup_step(copy, -1);
        if (status != SQLITE_BUSY && status != SQLITE_LOCKED)
            break;
        QThread::msleep(100);
    }
    sqlite3_backup_finish(copy);
    if (status != SQLITE_DONE)
        return fail(error, QString::fromUtf8(sqlite3_errstr(status)));
    return true;
}

} // namespace sqlitecopy

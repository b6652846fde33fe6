#include "db/failurecause.h"

#include "backup/backups.h"
#include "backup/sqlitecopy.h"
#include "db/database.h"

#include <QDir>
#include <QSqlError>

namespace db {

namespace {

// SQLite's primary result codes; an extended code carries one in its low byte.
enum SqliteCode { Busy = 5, Locked = 6, ReadOnly = 8, Corrupt = 11, Full = 13, NotADatabase = 26 };

FailureCause sqliteCause(int code)
{
    switch (code & 0xff) {
    case Busy:
    case Locked: return FailureCause::Busy;
    case ReadOnly: return FailureCause::ReadOnly;
    case Corrupt:
    case NotADatabase: return FailureCause::Damaged;
    case Full: return FailureCause::DiskFull;
    default: return FailureCause::Unknown;
    }
}

// PostgreSQL's SQLSTATE codes of the same causes.
FailureCause serverCause(const QString& state)
{
    if (state == QLatin1String("25006")) // read_only_sql_transaction
        return FailureCause::ReadOnly;
    if (state == QLatin1String("53100")) // disk_full
        return FailureCause::DiskFull;
    if (state == QLatin1String("XX001") || state == QLatin1String("XX002")) // data or index corrupted
        return FailureCause::Damaged;
    if (state == QLatin1String("55P03") || state == QLatin1String("57014")) // lock or statement timeout
        return FailureCause::Busy;
    return FailureCause::Unknown;
}

// The newest copy in the working folder's backups that passes the check; a
// copy made from the damaged file itself is passed over.
QString newestSoundCopy()
{
    const QString workDir = QDir::currentPath();
    const QStringList names = backups::list(workDir);
    for (int i = names.size() - 1; i >= 0; --i) {
        const QString file = QDir(workDir).filePath(QStringLiteral("backups/%1/dataBase.db").arg(names.at(i)));
        if (sqlitecopy::verify(file, nullptr))
            return names.at(i);
    }
    return QString();
}

} // namespace

FailureCause failureCause(const QSqlError& error)
{
    if (error.type() == QSqlError::NoError)
        return FailureCause::Unknown;
    // A SQLSTATE has five characters; SQLite's codes, extended ones too, at most four digits.
    const QString code = error.nativeErrorCode();
    if (code.size() == 5)
        return serverCause(code);
    bool numeric = false;
    const int number = code.toInt(&numeric);
    return numeric ? sqliteCause(number) : FailureCause::Unknown;
}

QString failureText(FailureCause cause)
{
    switch (cause) {
    case FailureCause::Unknown: return QString();
    case FailureCause::ReadOnly:
        return QStringLiteral("база данных только для чтения (нет права записи в файл \"dataBase.db\" или в его папку)");
    case FailureCause::DiskFull: return QStringLiteral("нет места на диске");
    case FailureCause::Busy:
        return QStringLiteral("база данных занята другой программой дольше %1 с; повторите позже")
            .arg(DataBase::busyTimeoutMs() / 1000);
    case FailureCause::Damaged: break;
    }
    const QString copy = newestSoundCopy();
    if (copy.isEmpty())
        return QStringLiteral("база данных повреждена; исправной резервной копии нет (cardprint --list-backups), "
                              "восстановление: cardprint --restore-backup ИМЯ_КОПИИ");
    return QStringLiteral("база данных повреждена; восстановите её из резервной копии: cardprint --restore-backup %1")
        .arg(copy);
}

QString withCause(const QString& message, const QSqlError& error)
{
    const QString cause = failureText(failureCause(error));
    return cause.isEmpty() ? message : message + QStringLiteral(": ") + cause;
}

} // namespace db

#ifndef FAILURECAUSE_H
#define FAILURECAUSE_H

#include <QString>

class QSqlError;

// Why a statement failed, in the operator's words, from the database engine's
// error code: SQLite's result codes (extended or primary) and PostgreSQL's
// SQLSTATE. Only the causes the operator can act on are named.
namespace db {

enum class FailureCause {
    Unknown,
    ReadOnly, // the file or its folder is read-only, or the server refuses writes
    DiskFull,
    Damaged, // the file is no database or its pages are damaged
    Busy,    // another program held the lock past the busy timeout
};

FailureCause failureCause(const QSqlError& error);

// The text of the cause, for appending to a message: "база данных только для
// чтения ...", "нет места на диске", "база данных повреждена ..." with the
// --restore-backup command (and the newest sound copy of the working
// folder's backups), "база данных занята другой программой ...". Empty for
// Unknown.
QString failureText(FailureCause cause);

// message followed by ": " and the cause of error, when it has one.
QString withCause(const QString& message, const QSqlError& error);

} // namespace db

#endif // FAILURECAUSE_H

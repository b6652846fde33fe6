#ifndef BACKUPS_H
#define BACKUPS_H

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

// Copies of the working folder's "dataBase.db" and "params.txt", kept in its
// folder "backups/", one folder per copy:
//   backups/yyyy-MM-dd/          made at the first start of that day
//   backups/yyyy-MM-dd_HHmmss/   made just before a restore
// Each holds "dataBase.db" (a consistent copy made by the database engine) and
// "params.txt", whichever of the two existed. Names sort by age; the newest
// kKept copies stay, older ones are removed. Other entries of "backups/" are
// never touched, and neither is a symbolic link: a link among the copies, or
// "backups" itself as a link, is left alone, never followed and named in a
// warning.
namespace backups {

const int kKept = 30;

// The names of the copies in workDir's "backups/", oldest first; real
// folders only.
QStringList list(const QString& workDir);

// The links in workDir's "backups/" as "backups/<name>", or "backups" when
// the folder itself is one.
QStringList links(const QString& workDir);

// The warning that names links(workDir); empty when there are none.
QString linkWarning(const QString& workDir);

// Makes the copy of today unless it exists, then keeps the newest kKept. A
// folder without a "dataBase.db" database has nothing to keep and gets no copy.
// False with the reason in *error when the copy could not be made; the
// working folder's files are never changed. *warning (when given) gets
// linkWarning(), whatever the result.
bool makeDaily(const QString& workDir, const QDate& today, QString* error, QString* warning = nullptr);

// Makes the copy name of workDir's files now. Another copy of the program
// making the same copy at the same time is no failure.
bool make(const QString& workDir, const QString& name, QString* error);

// Removes all but the newest keep copies.
void prune(const QString& workDir, int keep = kKept);

// Puts the copy name back: checks it first, then copies the current files as
// "yyyy-MM-dd_HHmmss" of now (its name in *savedAs), then replaces the
// database's content and "params.txt". Nothing changes when the check or the
// copy of the current files fails, or when the copy is reached through a
// link.
bool restore(const QString& workDir, const QString& name, const QDateTime& now, QString* savedAs,
             QString* error);

} // namespace backups

#endif // BACKUPS_H

#ifndef BACKUPCOMMAND_H
#define BACKUPCOMMAND_H

#include <QString>

class QTextStream;

namespace cli {
struct Call;
}

// The command-line options of the backups (entries of app/options.cpp); both
// work on the current folder, which is the working folder when they run.
namespace backups {

// --list-backups: the copies in "backups/", oldest first, with what each holds.
int listCommand(const cli::Call& call);
// --restore-backup NAME: puts the copy NAME back; the current files are copied first.
int restoreCommand(const cli::Call& call);

// The work of the two options on workDir; the exit status (0 done, 1 failed).
int listCopies(const QString& workDir, QTextStream& out);
int restoreCopy(const QString& workDir, const QString& name, QTextStream& out, QTextStream& err);

} // namespace backups

#endif // BACKUPCOMMAND_H

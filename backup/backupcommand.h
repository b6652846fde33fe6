#ifndef BACKUPCOMMAND_H
#define BACKUPCOMMAND_H

namespace cli {
struct Call;
}

// The command-line options of the backups (entries of app/options.cpp); both
// work on the current folder, which is the working folder when they run.
namespace backups {

// --list-backups: the copies in "backups/", oldest first, with what each holds.
int listCommand(const cli::Call& call);
// --restore-backup NAME: puts the copy NAME back; the current files are copied first.
// Exit status 1 when it failed, with the reason on standard error.
int restoreCommand(const cli::Call& call);

} // namespace backups

#endif // BACKUPCOMMAND_H

#ifndef WORKFOLDER_H
#define WORKFOLDER_H

#include <QString>

// The working folder holds "params.txt", "paramsBackUp.txt", "dataBase.db" and
// "fonts/". It is chosen in this order:
//   1. --workdir DIR on the command line;
//   2. the CARDPRINT_WORKDIR environment variable (when not empty);
//   3. the current folder, when it holds "params.txt" (used as it is, nothing copied);
//   4. the operator's data folder (~/.local/share/cardprint).
// Folders of cases 1, 2 and 4 are created when missing and receive the installed
// files they lack; an operator's own file is never overwritten.
namespace install {

enum class WorkFolderSource
{
    Option,
    Environment,
    Current,
    UserData
};

struct WorkFolderInputs
{
    bool optionGiven = false;
    QString option;       // value of --workdir
    QString environment;  // value of CARDPRINT_WORKDIR
    QString currentDir;   // the process's current folder
    QString userDataDir;  // QStandardPaths::AppDataLocation
};

struct WorkFolderChoice
{
    QString path; // absolute and clean
    WorkFolderSource source = WorkFolderSource::Current;
};

// Name of the environment variable that names the working folder.
extern const char* const WorkDirVariable;

// The inputs of the running process (environment, current folder, data folder).
WorkFolderInputs processInputs(bool optionGiven, const QString& option);

// Picks the folder; touches nothing on disk besides looking for "params.txt".
WorkFolderChoice chooseWorkFolder(const WorkFolderInputs& inputs);

// One Russian line that names the folder and why it is used.
QString describeChoice(const WorkFolderChoice& choice);

// Folder of the files installed with the program (params.txt, paramsBackUp.txt,
// fonts/): share/cardprint beside the program's bin/ folder.
QString installedDataDir();

// Makes the chosen folder usable: creates it (with missing parents) when it does
// not exist and copies the installed files it lacks. The current folder of case 3
// is left exactly as it is. On failure returns false with the reason in *error,
// and folders it created are removed again.
bool prepareWorkFolder(const WorkFolderChoice& choice, const QString& installedDir, QString* error = nullptr);

// Copies from installedDir the files that folder lacks; the copies are writable
// by the operator even when the installed ones are read-only.
bool seedWorkFolder(const QString& folder, const QString& installedDir, QString* error = nullptr);

} // namespace install

#endif // WORKFOLDER_H

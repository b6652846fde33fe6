#ifndef IMPORT_IMPORTCOMMAND_H
#define IMPORT_IMPORTCOMMAND_H

#include <QStringList>

// The import from the command line:
//   cardprint --import FILE [--company TEXT] [--dry-run]
// It opens no window, prints the report and ends with one of the exit codes below.
namespace staffimport {

enum ExitCode {
    ExitImported = 0,   // rows were written (with --dry-run: there are rows to write)
    ExitNothing = 1,    // nothing was or could be written
    ExitBadCommand = 2, // the command line is wrong
};

// Whether the arguments ask for an import (an argument "--import" or "--import=FILE").
bool wantsImport(int argc, char** argv);

// Runs the import the arguments ask for in the working folder's database,
// and returns the exit code. Makes its own application object.
int runImportCommand(int argc, char** argv);

} // namespace staffimport

#endif // IMPORT_IMPORTCOMMAND_H

#ifndef IMPORT_IMPORTCOMMAND_H
#define IMPORT_IMPORTCOMMAND_H

#include "app/commandline.h"

#include <QVector>

// The import from the command line:
//   cardprint --import FILE [--company TEXT] [--dry-run]
// It opens no window, prints the report and ends with one of the exit codes below.
namespace staffimport {

enum ExitCode {
    ExitImported = 0,   // rows were written (with --dry-run: there are rows to write)
    ExitNothing = 1,    // nothing was or could be written
    ExitBadCommand = cli::ExitBadInput, // the command line is wrong
};

// The options --import (with its handler), --company and --dry-run for the
// program's table of options.
QVector<cli::Option> importOptions();

// Runs the import the parsed command line asks for in the working folder's
// database and returns the exit code.
int runImport(const cli::Call& call);

} // namespace staffimport

#endif // IMPORT_IMPORTCOMMAND_H

#ifndef IMPORT_IMPORTCOMMAND_H
#define IMPORT_IMPORTCOMMAND_H

#include "app/commandline.h"

#include <QVector>

// The import from the command line:
//   cardprint --import FILE [--company TEXT] [--sheet SHEET] [--date dd.MM.yyyy] [--dry-run]
// It opens no window, prints the report and ends with one of the exit codes below.
namespace staffimport {

enum ExitCode {
    // Every row of the list was stored or was stored already (with --dry-run:
    // would be); lines that are no rows of the list do not count.
    ExitImported = 0,
    // Some row was rejected (the others stored), or the file or the database
    // failed and nothing was written.
    ExitRejected = 1,
    ExitBadCommand = cli::ExitBadInput, // the command line is wrong
};

// The options --import (with its handler), --company, --sheet, --date and
// --dry-run for the program's table of options.
QVector<cli::Option> importOptions();

// Runs the import the parsed command line asks for in the working folder's
// database and returns the exit code.
int runImport(const cli::Call& call);

} // namespace staffimport

#endif // IMPORT_IMPORTCOMMAND_H

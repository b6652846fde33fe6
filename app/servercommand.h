#ifndef SERVERCOMMAND_H
#define SERVERCOMMAND_H

namespace cli {
struct Call;
}

// "cardprint --copy-to-server": copies the working folder's "dataBase.db"
// into the server that "database.json" names, without opening a window.
// Prints the counts, or the reason it failed on the error output; the exit
// status is 0 or 1.
int runCopyToServer(const cli::Call& call);

#endif // SERVERCOMMAND_H

#ifndef BENCHPEER_H
#define BENCHPEER_H

#include "benchdata.h"

#include <QList>
#include <QString>

class QTextStream;

// "Peer committing": another process commits one small organisation a second
// to the same file while this window's company filter is typed in, common and
// rare filters in turn, twice a second.
namespace peerbench {

// The other process: for seconds, a commit every half second, one connection
// with the program's 5 s busy timeout and one with none (an older copy) in
// turn. Prints "commit <ms>" for each commit of the first, "locked" for each
// commit of the second refused as locked, "last <text>" for the last one.
int runPeer(const QString& databasePath, int seconds);

// Registers the row at every size.
void registerAll(const QList<benchdata::Size>& sizes, const QString& cacheDir, int seconds);

// The figures of the runs, one line per size and way.
void printFigures(QTextStream& out, const QStringList& sizes);

} // namespace peerbench

#endif // BENCHPEER_H

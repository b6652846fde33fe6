#ifndef INTERACTIONS_H
#define INTERACTIONS_H

#include "benchdata.h"

#include <QList>
#include <QString>

// The timed interactions of the main window, registered with Google Benchmark.
namespace interactions {

// Working folder of a size inside the cache folder.
QString workDir(const QString& cacheDir, const benchdata::Size& size);

// Registers the first start at every size (it makes the indexes), then each
// interaction at every size in turn; the empty database only starts up. Each
// size works in its own working folder, which must have been prepared with a
// fresh copy of its database.
void registerAll(const QList<benchdata::Size>& sizes, const QString& cacheDir);

// Starts and closes a window in workDir: the first window of a process loads
// fonts and styles, which belongs to no interaction. False if it cannot start.
bool warmUp(const QString& workDir);

// Closes the window that the interactions share.
void finish();

} // namespace interactions

#endif // INTERACTIONS_H

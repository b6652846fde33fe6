#ifndef BENCH_IMPORT_H
#define BENCH_IMPORT_H

#include "benchdata.h"

#include <QList>
#include <QString>

// The import of a staff list of 10,000 rows, and of an office's list of
// 5,000 rows, into the databases of the benchmark.
namespace importbench {

// Registers the import at every size with organisations; the working folders
// of interactions::workDir must have been prepared.
void registerAll(const QList<benchdata::Size>& sizes, const QString& cacheDir);

} // namespace importbench

#endif // BENCH_IMPORT_H

#ifndef PROBES_H
#define PROBES_H

#include <QString>

// Measurements that need a process of their own: how soon a window appears
// after the process starts, and the peak memory of a whole session.
namespace probes {

// Child side: runs the probe named kind in the current folder and prints
// "result <value> <clock>" on standard output. The window kinds give the
// milliseconds from main() to the end of the first frame (painted and
// flushed) and the monotonic clock then: "window-bare" (a plain QWidget of
// the main window's size), "window-program" (the main window),
// "window-program-before" (the main window started the way it was before the
// start left work until after the first paint) and "window-form" (the main
// window's widgets and style sheets alone: no parameters, database or rows).
// The memory kinds give the process's peak resident memory in MB: "memory"
// (start-up and three rounds of interactions at once) and "memory-settled"
// (the same with the rounds started once the organisations are in memory).
int runChild(const QString& kind, int argc, char* argv[]);

// Parent side: starts this program as a probe of that kind in workDir and
// returns the child's result (-1 on failure). *wallMs receives the time from
// the start of the child's program (its exec) to its first frame (-1 for
// other kinds).
double spawn(const QString& kind, const QString& workDir, double* wallMs = nullptr);

} // namespace probes

#endif // PROBES_H

#ifndef BENCHSESSION_H
#define BENCHSESSION_H

#include "benchdata.h"
#include "benchwindow.h"

#include <QList>
#include <QSqlRecord>
#include <QString>

#include <functional>

namespace benchmark {
class State;
}

// What the timed interactions share: the window of the size being measured,
// the timing loop, and the untimed steps that bring the window into the state
// an interaction starts from.
namespace session {

// The company row that the record interactions work on: inside the first screen.
const int kCompanyRow = 3;

struct Context
{
    benchdata::Size size;
    QString workDir;
};

WindowDriver& driver();
BoxAnswerer& boxes();
// Closes the window and lets go of both; they must go before the application object.
void release();
// Starts the window of this size in its working folder, unless it runs already.
QString ensureWindow(const Context& context);

// An empty text when all went well, else what went wrong.
using Step = std::function<QString()>;

// Runs one untimed round first (caches, fonts, the printer), then times act,
// with the repaint that follows it, between prepare and check on every
// further iteration. A message box other than the delete confirmation fails
// the benchmark.
void measure(benchmark::State& state, const QString& id, const Context& context, const Step& prepare,
             const std::function<void()>& act, const Step& check);

QLineEdit* edit(const char* name);
QString cellText(QTableView* view, int row, int column);

// The company filter empty and the list long enough.
QString companyFilterCleared();
void personnelFiltersCleared();
// Some company selected (clicked now when none is).
QString companySelected();
// A fresh company click and employee click: the form holds an employee.
QString employeeSelected();

// Lower-case text of one organisation without its quotes: a filter that only it matches.
QString rareFilter(const benchdata::Size& size);

// The stored rows (with their row ids) of the employee in row 0 of the personnel list.
QList<QSqlRecord> employeeRows(const QString& companyText);
// Writes such rows back under their old row ids; fails when they are still there.
QString restoreRows(const QList<QSqlRecord>& rows);

} // namespace session

#endif // BENCHSESSION_H

#include "interactions.h"

#include "benchchanges.h"
#include "benchreport.h"
#include "benchsession.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QTest>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QScopedPointer>
#include <QSqlQuery>
#include <QTableView>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <functional>
#include <string>

namespace interactions {

namespace {

using namespace session;

const QChar kCommonKey(0x043A); // "к": in about a third of the company texts
const QChar kPersonKey(0x0430); // "а"

void add(const QString& id, const QString& label, int iterations, const Body& body)
{
    // One more iteration than timed: the first is the untimed warm-up round.
    benchmark::RegisterBenchmark((id + QLatin1Char('/') + label).toStdString().c_str(), body)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(iterations + 1);
}

// Constructs and initialises a window until the company list is filled.
Body startUp(const Context& c)
{
    return [c](benchmark::State& state) {
        QScopedPointer<Security> window;
        measure(
            state, QStringLiteral("startup"), c,
            [&] {
                driver().stop();
                return QDir::setCurrent(c.workDir) ? QString() : QStringLiteral("no working folder");
            },
            [&] {
                window.reset(new Security);
                window->initialize();
            },
            [&] {
                auto* list = window->findChild<QTableView*>(QStringLiteral("tableViewCompanies"));
                const bool filled = c.size.companies == 0 || (list->model() && list->model()->rowCount() > 0);
                window.reset();
                return filled ? QString() : QStringLiteral("the company list is empty");
            });
    };
}

// The first start on the fresh copy of an index-less database: it makes the indexes.
Body firstStart(const Context& c)
{
    return [c](benchmark::State& state) {
        static std::string error;
        for (auto _ : state) {
            driver().stop();
            QDir::setCurrent(c.workDir);
            QElapsedTimer timer;
            timer.start();
            QScopedPointer<Security> window(new Security);
            const int result = window->initialize();
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            state.SetIterationTime(ms / 1000);
            benchreport::addSample(QStringLiteral("first_start"), c.size.label, ms);
            if (result != 0) {
                error = "the window did not start";
                state.SkipWithError(error.c_str());
            }
            // The new indexes go to disk before the next interactions are timed.
            ::sync();
        }
    };
}

// A keystroke in the company filter; before it the filter holds prefix.
Body companyFilter(const Context& c, const QString& id, const QString& prefix, const QString& key)
{
    return [=](benchmark::State& state) {
        measure(
            state, id, c,
            [=] {
                const QString problem = ensureWindow(c);
                if (problem.isEmpty())
                    edit("lineEditCompanyFilter")->setText(prefix);
                return problem;
            },
            [key] { driver().typeKey(edit("lineEditCompanyFilter"), key); },
            [&state] {
                const int rows = driver().rowCount(driver().companies());
                state.counters["rows_shown"] = rows;
                return rows > 0 ? QString() : QStringLiteral("the filter found nothing");
            });
    };
}

Body companyClick(const Context& c)
{
    return [c](benchmark::State& state) {
        measure(
            state, QStringLiteral("company_click"), c,
            [c] {
                const QString problem = ensureWindow(c);
                return problem.isEmpty() ? companyFilterCleared() : problem;
            },
            [] { driver().clickRow(driver().companies(), kCompanyRow); },
            [] {
                return driver().rowCount(driver().personnel()) > 0 && !edit("lineEditComp")->text().isEmpty()
                           ? QString()
                           : QStringLiteral("the click showed no employees");
            });
    };
}

// The lower-case text of the organisation that the list shows last.
QString lastCompanyFilter()
{
    QSqlQuery query(driver().connection());
    if (!query.exec(QStringLiteral("SELECT name FROM companies ORDER BY Форма||' '||Наименование DESC LIMIT 1"))
        || !query.next())
        return QString();
    return query.value(0).toString();
}

// The way to an organisation among many: filter until it is found, then click
// it. The filter is emptied and the organisation is selected in the whole list.
Body filteredCompanyClick(const Context& c, const QString& id, bool last)
{
    return [=](benchmark::State& state) {
        measure(
            state, id, c,
            [=] {
                const QString problem = ensureWindow(c);
                if (!problem.isEmpty())
                    return problem;
                edit("lineEditCompanyFilter")->setText(last ? lastCompanyFilter() : rareFilter(c.size));
                return driver().rowCount(driver().companies()) > 0 ? QString() : QStringLiteral("nothing found");
            },
            [] { driver().clickRow(driver().companies(), 0); },
            [&state] {
                const QModelIndexList rows = driver().companies()->selectionModel()->selectedRows();
                state.counters["list_row"] = rows.isEmpty() ? -1 : rows.first().row();
                return driver().rowCount(driver().personnel()) > 0 && !edit("lineEditComp")->text().isEmpty()
                           ? QString()
                           : QStringLiteral("the click showed no employees");
            });
    };
}

Body personnelFilter(const Context& c)
{
    return [c](benchmark::State& state) {
        measure(
            state, QStringLiteral("personnel_filter"), c,
            [c] {
                const QString problem = ensureWindow(c);
                if (!problem.isEmpty())
                    return problem;
                personnelFiltersCleared();
                return companySelected();
            },
            [] { driver().typeKey(edit("lineEditSunameFilter"), kPersonKey); },
            [] { return QString(); });
    };
}

Body employeeClick(const Context& c)
{
    return [c](benchmark::State& state) {
        measure(
            state, QStringLiteral("employee_click"), c,
            [c] {
                const QString problem = ensureWindow(c);
                if (!problem.isEmpty())
                    return problem;
                personnelFiltersCleared();
                edit("lineEditSurname")->clear();
                return companySelected();
            },
            [] { driver().clickRow(driver().personnel(), 0); },
            [] {
                return edit("lineEditSurname")->text().isEmpty() ? QStringLiteral("the click filled nothing")
                                                                 : QString();
            });
    };
}

struct Kind
{
    QString id;
    int iterations;
    std::function<Body(const Context&)> make;
};

// Every interaction but start-up, in the order of the table.
QList<Kind> recordKinds()
{
    return {
        {QStringLiteral("company_filter_common"), 30,
         [](const Context& c) {
             return companyFilter(c, QStringLiteral("company_filter_common"), QString(), kCommonKey);
         }},
        // The whole rare text at once: the statement reads every name.
        {QStringLiteral("company_filter_rare"), 30,
         [](const Context& c) {
             return companyFilter(c, QStringLiteral("company_filter_rare"), QString(), rareFilter(c.size));
         }},
        // Its last letter typed on: answered from the row shown.
        {QStringLiteral("company_filter_rare_on"), 30,
         [](const Context& c) {
             const QString rare = rareFilter(c.size);
             return companyFilter(c, QStringLiteral("company_filter_rare_on"), rare.chopped(1), rare.right(1));
         }},
        {QStringLiteral("company_click"), 30, companyClick},
        {QStringLiteral("company_click_filtered"), 30,
         [](const Context& c) { return filteredCompanyClick(c, QStringLiteral("company_click_filtered"), false); }},
        {QStringLiteral("company_click_last"), 15,
         [](const Context& c) { return filteredCompanyClick(c, QStringLiteral("company_click_last"), true); }},
        {QStringLiteral("personnel_filter"), 30, personnelFilter},
        {QStringLiteral("employee_click"), 30, employeeClick},
        {QStringLiteral("save"), 20, save},
        {QStringLiteral("employee_update"), 20, employeeUpdate},
        {QStringLiteral("company_update"), 20, companyUpdate},
        {QStringLiteral("employee_delete"), 20, employeeDelete},
        {QStringLiteral("print"), 15, print},
        {QStringLiteral("preview"), 15, preview},
    };
}

} // namespace

QString workDir(const QString& cacheDir, const benchdata::Size& size)
{
    return QDir(cacheDir).filePath(QStringLiteral("work-") + size.label);
}

void registerAll(const QList<benchdata::Size>& sizes, const QString& cacheDir)
{
    QList<Context> contexts;
    for (const benchdata::Size& size : sizes)
        contexts.append({size, workDir(cacheDir, size)});
    for (const Context& c : contexts) {
        benchmark::RegisterBenchmark(("first_start/" + c.size.label).toStdString().c_str(), firstStart(c))
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    // An interaction is measured at every size before the next one, so that the
    // sizes meet the shared machine in much the same state.
    for (const Context& c : contexts)
        add(QStringLiteral("startup"), c.size.label, 15, startUp(c));
    for (const Kind& kind : recordKinds()) {
        for (const Context& c : contexts) {
            if (c.size.companies > 0)
                add(kind.id, c.size.label, kind.iterations, kind.make(c));
        }
    }
}

bool warmUp(const QString& workDir)
{
    boxes();
    if (!QDir::setCurrent(workDir))
        return false;
    Security window;
    return window.initialize() == 0 && boxes().takeUnexpected().isEmpty();
}

void finish()
{
    release();
}

} // namespace interactions

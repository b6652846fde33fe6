#include "interactions.h"

#include "benchreport.h"
#include "benchsession.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QScopedPointer>
#include <QSqlQuery>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <functional>
#include <string>

namespace interactions {

namespace {

using namespace session;

const QChar kCommonKey(0x043A); // "к": in about a third of the company texts
const QChar kPersonKey(0x0430); // "а"
const QString kPdf = QStringLiteral("card.pdf");

using Body = std::function<void(benchmark::State&)>;

void add(const QString& id, const QString& label, int iterations, const Body& body)
{
    // One more iteration than timed: the first is the untimed warm-up round.
    benchmark::RegisterBenchmark((id + QLatin1Char('/') + label).toStdString().c_str(), body)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(iterations + 1);
}

// The window of this size with a freshly clicked organisation and employee in the form.
QString employeeShown(const Context& c)
{
    const QString problem = ensureWindow(c);
    return problem.isEmpty() ? employeeSelected() : problem;
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
Body companyFilter(const Context& c, const QString& id, const QString& prefix, QChar key)
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

// The way to an organisation among many: filter until it is found, then click it.
Body filteredCompanyClick(const Context& c)
{
    return [c](benchmark::State& state) {
        measure(
            state, QStringLiteral("company_click_filtered"), c,
            [c] {
                const QString problem = ensureWindow(c);
                if (!problem.isEmpty())
                    return problem;
                edit("lineEditCompanyFilter")->setText(rareFilter(c.size));
                return driver().rowCount(driver().companies()) > 0 ? QString() : QStringLiteral("nothing found");
            },
            [] { driver().clickRow(driver().companies(), 0); },
            [] {
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

// Saves a new employee of a stored organisation; the row is removed again untimed.
Body save(const Context& c)
{
    return [c](benchmark::State& state) {
        int serial = 0;
        QString company;
        QString surname;
        measure(
            state, QStringLiteral("save"), c,
            [&] {
                const QString problem = employeeShown(c);
                if (!problem.isEmpty())
                    return problem;
                company = cellText(driver().companies(), kCompanyRow, 0);
                surname = QStringLiteral("Сохранов-%1").arg(++serial);
                edit("lineEditSurname")->setText(surname);
                return QString();
            },
            [] { driver().click(QStringLiteral("buttonSave")); },
            [&] {
                QSqlQuery query(driver().connection());
                query.prepare(QStringLiteral("DELETE FROM personal WHERE id=? AND Фамилия=?"));
                query.addBindValue(company);
                query.addBindValue(surname);
                return query.exec() && query.numRowsAffected() == 1 ? QString()
                                                                     : QStringLiteral("the employee was not saved");
            });
    };
}

// Moves the selected employee's date of issue on by a day.
Body employeeUpdate(const Context& c)
{
    return [c](benchmark::State& state) {
        QString date;
        measure(
            state, QStringLiteral("employee_update"), c,
            [&] {
                const QString problem = employeeShown(c);
                if (!problem.isEmpty())
                    return problem;
                driver().dateEdit()->setDate(driver().dateEdit()->date().addDays(1));
                date = driver().dateEdit()->text();
                return QString();
            },
            [] { driver().click(QStringLiteral("buttonUpdate")); },
            [&] {
                for (int row = 0; row < driver().rowCount(driver().personnel()); ++row) {
                    if (cellText(driver().personnel(), row, 2) == date)
                        return QString();
                }
                return QStringLiteral("the new date is not in the list");
            });
    };
}

// Renames one organisation back and forth (its employees move along).
Body companyUpdate(const Context& c)
{
    return [c](benchmark::State& state) {
        QString form;
        QStringList names;
        QString target;
        measure(
            state, QStringLiteral("company_update"), c,
            [&] {
                QString problem = ensureWindow(c);
                if (problem.isEmpty())
                    problem = companyFilterCleared();
                if (!problem.isEmpty())
                    return problem;
                if (names.isEmpty()) {
                    driver().clickRow(driver().companies(), kCompanyRow);
                    form = edit("lineEditForm")->text();
                    names << edit("lineEditComp")->text() << edit("lineEditComp")->text() + QStringLiteral(" 2");
                }
                const int row = qMax(driver().companyRow(form + QLatin1Char(' ') + names.at(0)),
                                     driver().companyRow(form + QLatin1Char(' ') + names.at(1)));
                if (row < 0)
                    return QStringLiteral("the renamed organisation left the first screen");
                driver().clickRow(driver().companies(), row);
                target = edit("lineEditComp")->text() == names.at(0) ? names.at(1) : names.at(0);
                edit("lineEditComp")->setText(target);
                return QString();
            },
            [] { driver().click(QStringLiteral("buttonUpdate")); },
            [&] {
                return driver().companyRow(form + QLatin1Char(' ') + target) >= 0 ? QString()
                                                                                : QStringLiteral("not renamed");
            });
    };
}

// Deletes the first employee of the organisation, confirming at once; the row comes back untimed.
Body employeeDelete(const Context& c)
{
    return [c](benchmark::State& state) {
        QList<QSqlRecord> rows;
        measure(
            state, QStringLiteral("employee_delete"), c,
            [&] {
                const QString problem = employeeShown(c);
                if (!problem.isEmpty())
                    return problem;
                rows = employeeRows(cellText(driver().companies(), kCompanyRow, 0));
                return rows.isEmpty() ? QStringLiteral("employee not found") : QString();
            },
            [] { driver().click(QStringLiteral("buttonDeletePerson")); },
            [&] { return restoreRows(rows); });
    };
}

// The test print mode: the page goes to "card.pdf" in the working folder.
Body print(const Context& c)
{
    return [c](benchmark::State& state) {
        measure(
            state, QStringLiteral("print"), c,
            [c] {
                const QString problem = employeeShown(c);
                if (!problem.isEmpty())
                    return problem;
                edit("lineEditForm")->setText(edit("lineEditForm")->text() + QStringLiteral(" qzk"));
                QFile::remove(kPdf);
                return QString();
            },
            [] { driver().click(QStringLiteral("buttonPrint")); },
            [] { return QFileInfo(kPdf).size() > 0 ? QString() : QStringLiteral("no card.pdf written"); });
    };
}

Body preview(const Context& c)
{
    return [c](benchmark::State& state) {
        measure(
            state, QStringLiteral("preview"), c,
            [c] {
                WindowDriver::closePreviews();
                return employeeShown(c);
            },
            [] {
                driver().click(QStringLiteral("buttonView"));
                QElapsedTimer waited;
                waited.start();
                while (WindowDriver::shownPreviews() == 0 && waited.elapsed() < 2000)
                    QCoreApplication::processEvents();
            },
            [] {
                const int shown = WindowDriver::shownPreviews();
                WindowDriver::closePreviews();
                return shown == 1 ? QString() : QStringLiteral("%1 preview windows shown").arg(shown);
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
        {QStringLiteral("company_filter_rare"), 30,
         [](const Context& c) {
             const QString rare = rareFilter(c.size);
             return companyFilter(c, QStringLiteral("company_filter_rare"), rare.chopped(1), rare.back());
         }},
        {QStringLiteral("company_click"), 30, companyClick},
        {QStringLiteral("company_click_filtered"), 30, filteredCompanyClick},
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

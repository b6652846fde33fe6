#include "benchchanges.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTableView>

#include <benchmark/benchmark.h>

namespace interactions {

using namespace session;

namespace {

const QString kPdf = QStringLiteral("card.pdf");

// The window of this size with a freshly clicked organisation and employee in the form.
QString employeeShown(const Context& c)
{
    const QString problem = ensureWindow(c);
    return problem.isEmpty() ? employeeSelected() : problem;
}

} // namespace

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


} // namespace interactions

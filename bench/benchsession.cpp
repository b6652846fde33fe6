#include "benchsession.h"

#include "benchreport.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QVariant>
#include <QVector>

#include <benchmark/benchmark.h>

#include <string>

namespace session {

namespace {

QString& currentLabel()
{
    static QString label;
    return label;
}

} // namespace

namespace {

// Made on first use and released by release(), while the application still exists.
WindowDriver* sharedDriver = nullptr;
BoxAnswerer* sharedBoxes = nullptr;

} // namespace

WindowDriver& driver()
{
    if (!sharedDriver)
        sharedDriver = new WindowDriver;
    return *sharedDriver;
}

BoxAnswerer& boxes()
{
    if (!sharedBoxes)
        sharedBoxes = new BoxAnswerer;
    return *sharedBoxes;
}

void release()
{
    delete sharedDriver;
    sharedDriver = nullptr;
    delete sharedBoxes;
    sharedBoxes = nullptr;
}

QString ensureWindow(const Context& context)
{
    if (driver().isRunning() && currentLabel() == context.size.label)
        return QString();
    driver().stop();
    currentLabel().clear();
    if (!QDir::setCurrent(context.workDir) || !driver().start())
        return QStringLiteral("the window did not start in ") + context.workDir;
    currentLabel() = context.size.label;
    return QString();
}

void measure(benchmark::State& state, const QString& id, const Context& context, const Step& prepare,
             const std::function<void()>& act, const Step& check)
{
    static std::string error;
    boxes().takeUnexpected();
    for (int round = -1; state.KeepRunningBatch(1); ++round) {
        QString problem = prepare();
        QElapsedTimer timer;
        timer.start();
        if (problem.isEmpty()) {
            act();
            // Up to the repaint, which the operator waits for as well.
            QCoreApplication::processEvents();
        }
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        // A message box tells best what went wrong, so it goes first.
        const QStringList unexpected = boxes().takeUnexpected();
        if (problem.isEmpty() && !unexpected.isEmpty())
            problem = QStringLiteral("message box: ") + unexpected.join(QStringLiteral("; "));
        if (problem.isEmpty())
            problem = check();
        if (!problem.isEmpty()) {
            error = problem.toStdString();
            state.SkipWithError(error.c_str());
            return;
        }
        state.SetIterationTime(ms / 1000);
        if (round >= 0)
            benchreport::addSample(id, context.size.label, ms);
    }
    state.counters["median_ms"] = benchreport::median(id, context.size.label);
}

QLineEdit* edit(const char* name)
{
    return driver().edit(QString::fromLatin1(name));
}

QString cellText(QTableView* view, int row, int column)
{
    return view->model()->index(row, column).data().toString();
}

QString companyFilterCleared()
{
    if (!edit("lineEditCompanyFilter")->text().isEmpty())
        edit("lineEditCompanyFilter")->clear();
    return driver().rowCount(driver().companies()) > kCompanyRow ? QString() : QStringLiteral("too few companies");
}

void personnelFiltersCleared()
{
    edit("lineEditSunameFilter")->clear();
    edit("lineEditDirectorFilter")->clear();
}

QString companySelected()
{
    if (driver().companies()->selectionModel()->hasSelection())
        return QString();
    const QString problem = companyFilterCleared();
    if (problem.isEmpty())
        driver().clickRow(driver().companies(), kCompanyRow);
    return problem;
}

QString employeeSelected()
{
    const QString problem = companyFilterCleared();
    if (!problem.isEmpty())
        return problem;
    driver().clickRow(driver().companies(), kCompanyRow);
    if (driver().rowCount(driver().personnel()) == 0)
        return QStringLiteral("the company shows no employees");
    driver().clickRow(driver().personnel(), 0);
    return edit("lineEditSurname")->text().isEmpty() ? QStringLiteral("the employee click filled nothing") : QString();
}

QString rareFilter(const benchdata::Size& size)
{
    QString name = benchdata::companyName(size.companies - 1, size.companies);
    name.remove(QStringLiteral("«")).remove(QStringLiteral("»"));
    return name.toLower();
}

QList<QSqlRecord> employeeRows(const QString& companyText)
{
    QSqlQuery query(driver().connection());
    query.prepare(QStringLiteral("SELECT rowid,* FROM personal WHERE id=? AND TRIM(Фамилия||' '||Имя||' '||Отчество)=?"
                                 " AND TRIM(Должность||' '||Руководитель)=? AND Дата_выдачи=?"));
    query.addBindValue(companyText);
    for (int column = 0; column < 3; ++column)
        query.addBindValue(cellText(driver().personnel(), 0, column));
    QList<QSqlRecord> rows;
    if (query.exec()) {
        while (query.next())
            rows.append(query.record());
    }
    return rows;
}

QString restoreRows(const QList<QSqlRecord>& rows)
{
    for (const QSqlRecord& row : rows) {
        QStringList names;
        QStringList marks;
        for (int i = 0; i < row.count(); ++i) {
            names << row.fieldName(i);
            marks << QStringLiteral("?");
        }
        QSqlQuery query(driver().connection());
        query.prepare(QStringLiteral("INSERT INTO personal (%1) VALUES (%2)")
                          .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
        for (int i = 0; i < row.count(); ++i)
            query.addBindValue(row.value(i));
        // The old row id is taken again, which fails if the delete left the row in place.
        if (!query.exec())
            return QStringLiteral("the employee was not deleted: ") + query.lastError().text();
    }
    return QString();
}

} // namespace session

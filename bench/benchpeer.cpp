#include "benchpeer.h"

#include "benchreport.h"
#include "benchsession.h"
#include "interactions.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTextStream>
#include <QThread>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <sys/resource.h>

#include <algorithm>
#include <string>

namespace peerbench {

namespace {

using namespace session;

const QChar kCommonKey(0x043A); // "к"

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QSqlDatabase openPeer(const QString& name, const QString& path, int busyMs)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
    db.open();
    return db;
}

// One organisation in one transaction, the way the program saves.
bool commitOne(const QSqlDatabase& db, const QString& name, QString* error)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO companies (Форма,Наименование,name) VALUES (?,?,?)"));
    query.addBindValue(QStringLiteral("ООО"));
    query.addBindValue(name);
    query.addBindValue(QStringLiteral("ооо ") + name.toLower());
    QSqlQuery control(db);
    if (control.exec(QStringLiteral("BEGIN IMMEDIATE")) && query.exec() && control.exec(QStringLiteral("COMMIT")))
        return true;
    *error = query.lastError().isValid() ? query.lastError().text() : control.lastError().text();
    QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    return false;
}

// Sums the time this side's statements run on the file: a read holds the
// file's read lock while it runs, and a commit of a copy that does not wait
// fails when it falls into one.
class ReadingTime
{
public:
    explicit ReadingTime(const QSqlDatabase& database)
    {
        const QVariant handle = database.driver()->handle();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
            m_connection = *static_cast<sqlite3* const*>(handle.constData());
        if (m_connection)
            sqlite3_trace_v2(m_connection, SQLITE_TRACE_PROFILE, &ReadingTime::profiled, this);
    }
    ~ReadingTime()
    {
        if (m_connection)
            sqlite3_trace_v2(m_connection, 0, nullptr, nullptr);
    }
    double milliseconds() const { return double(m_nanoseconds) / 1e6; }

private:
    static int profiled(unsigned, void* context, void*, void* nanoseconds)
    {
        static_cast<ReadingTime*>(context)->m_nanoseconds += *static_cast<sqlite3_int64*>(nanoseconds);
        return 0;
    }

    sqlite3* m_connection = nullptr;
    sqlite3_int64 m_nanoseconds = 0;
};

struct PeerResult
{
    QVector<double> commits;
    int locked = 0;
    QString last;
};

PeerResult parsePeer(const QByteArray& output)
{
    PeerResult result;
    for (const QString& line : QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("commit ")))
            result.commits << line.mid(7).toDouble();
        else if (line == QLatin1String("locked"))
            ++result.locked;
        else if (line.startsWith(QLatin1String("last ")))
            result.last = line.mid(5);
    }
    return result;
}

// Types into the company filter twice a second until the peer ends; the keystrokes' times go to the report.
void typeWhilePeerRuns(QProcess* peer, const QString& id, const Context& c)
{
    const QString rare = rareFilter(c.size);
    QLineEdit* filter = edit("lineEditCompanyFilter");
    for (int i = 0; peer->state() != QProcess::NotRunning; ++i) {
        QTest::qWait(500);
        const bool common = i % 2 == 0;
        // The filter emptied, or all but the last letter of a rare one entered
        // at once, then a letter typed: each is timed.
        QElapsedTimer timer;
        timer.start();
        filter->setText(common ? QString() : rare.chopped(1));
        benchreport::addSample(id, c.size.label, double(timer.nsecsElapsed()) / 1e6);
        timer.start();
        driver().typeKey(filter, common ? kCommonKey : rare.back());
        benchreport::addSample(id, c.size.label, double(timer.nsecsElapsed()) / 1e6);
    }
}

// The filter typed afterwards shows the peer's last organisation.
bool findsLast(const QString& last)
{
    edit("lineEditCompanyFilter")->setText(last.toLower());
    return driver().rowCount(driver().companies()) > 0
           && cellText(driver().companies(), 0, 0) == QStringLiteral("ООО ") + last;
}

void peerRun(benchmark::State& state, const Context& c, const QString& id, int seconds)
{
    static std::string error;
    QString problem = ensureWindow(c);
    if (problem.isEmpty())
        problem = companyFilterCleared();
    if (!problem.isEmpty()) {
        error = problem.toStdString();
        state.SkipWithError(error.c_str());
        return;
    }
    QProcess peer;
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--peer=") + driver().connection().databaseName(),
                QStringLiteral("--peer-seconds=%1").arg(seconds)});
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    double reading = 0;
    {
        const ReadingTime reads(driver().connection());
        typeWhilePeerRuns(&peer, id, c);
        reading = reads.milliseconds();
    }
    const double cpu = cpuSeconds() - cpuBefore;
    peer.waitForFinished(60000);
    const PeerResult result = parsePeer(peer.readAllStandardOutput());
    const bool found = !result.last.isEmpty() && findsLast(result.last);
    const QString label = c.size.label;
    benchreport::setFigure(id + QStringLiteral("_cpu"), label, cpu, QStringLiteral("s"));
    benchreport::setFigure(id + QStringLiteral("_wall"), label, double(wall.elapsed()) / 1000, QStringLiteral("s"));
    benchreport::setFigure(id + QStringLiteral("_reading"), label, reading, QStringLiteral("ms"));
    for (double ms : result.commits)
        benchreport::addSample(id + QStringLiteral("_commit"), label, ms);
    benchreport::setFigure(id + QStringLiteral("_locked"), label, result.locked, QString());
    benchreport::setFigure(id + QStringLiteral("_found"), label, found ? 1 : 0, QString());
    state.SetIterationTime(double(wall.elapsed()) / 1000);
    QSqlQuery(driver().connection()).exec(QStringLiteral("DELETE FROM companies WHERE name LIKE 'ооо пир %'"));
    companyFilterCleared();
}

} // namespace

int runPeer(const QString& databasePath, int seconds)
{
    QSqlDatabase timed = openPeer(QStringLiteral("timed"), databasePath, 5000);
    QSqlDatabase older = openPeer(QStringLiteral("older"), databasePath, 0);
    QTextStream out(stdout);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < seconds * 2; ++i) {
        const qint64 wait = qint64(i) * 500 - clock.elapsed();
        if (wait > 0)
            QThread::msleep(quint64(wait));
        const bool program = i % 2 == 0;
        const QString name = QStringLiteral("Пир %1 %2").arg(program ? QStringLiteral("а") : QStringLiteral("б")).arg(i);
        QString error;
        QElapsedTimer timer;
        timer.start();
        const bool done = commitOne(program ? timed : older, name, &error);
        if (program)
            out << "commit " << double(timer.nsecsElapsed()) / 1e6 << "\n";
        if (!done)
            out << (error.contains(QLatin1String("locked")) ? "locked" : "failed") << "\n";
        else
            out << "last " << name << "\n";
        out.flush();
    }
    return 0;
}

void registerAll(const QList<benchdata::Size>& sizes, const QString& cacheDir, int seconds)
{
    for (const benchdata::Size& size : sizes) {
        if (size.companies == 0)
            continue;
        const Context c{size, interactions::workDir(cacheDir, size)};
        const QString id = QStringLiteral("peer");
        benchmark::RegisterBenchmark((id + QLatin1Char('/') + size.label).toStdString().c_str(),
                                     [=](benchmark::State& state) {
                                         for (auto _ : state)
                                             peerRun(state, c, id, seconds);
                                     })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
}

void printFigures(QTextStream& out, const QStringList& sizes)
{
    const auto number = [](double value) { return QString::number(value, 'f', value < 10 ? 2 : 1); };
    for (const QString& size : sizes) {
        for (const QString& id : {QStringLiteral("peer")}) {
            QVector<double> commits = benchreport::samples(id + QStringLiteral("_commit"), size);
            QVector<double> keys = benchreport::samples(id, size);
            if (commits.isEmpty() || keys.isEmpty())
                continue;
            const double wall = benchreport::figure(id + QStringLiteral("_wall"), size);
            out << QStringLiteral("Peer committing at %1, %2: peer's commits median %3 ms, max %4 ms; 'database "
                                  "is locked' for a peer without busy timeout %5 times; this side's CPU %6 s over "
                                  "%7 s, its statements on the file %11 ms of it (%12 %); keystroke median %8 ms, "
                                  "max %9 ms; a filter afterwards finds the peer's last organisation: %10.\n")
                       .arg(size, QStringLiteral("list read by pages"))
                       .arg(number(benchreport::median(id + QStringLiteral("_commit"), size)))
                       .arg(number(*std::max_element(commits.begin(), commits.end())))
                       .arg(benchreport::figure(id + QStringLiteral("_locked"), size))
                       .arg(number(benchreport::figure(id + QStringLiteral("_cpu"), size)))
                       .arg(number(wall))
                       .arg(number(benchreport::median(id, size)))
                       .arg(number(*std::max_element(keys.begin(), keys.end())))
                       .arg(benchreport::figure(id + QStringLiteral("_found"), size) > 0 ? QStringLiteral("yes")
                                                                                         : QStringLiteral("no"))
                       .arg(number(benchreport::figure(id + QStringLiteral("_reading"), size)))
                       .arg(QString::number(benchreport::figure(id + QStringLiteral("_reading"), size) / wall / 10,
                                            'f', 2));
        }
    }
}

} // namespace peerbench

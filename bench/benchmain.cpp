// The interaction benchmark: builds the office databases, times the main
// window's interactions at every size, measures the start of a fresh process
// and its peak memory in child processes, and prints the table of medians.
//
// Own options (the --benchmark_* options of Google Benchmark work as well):
//   --sizes=1k,10k,100k   sizes to measure besides the empty database
//   --cache-dir=DIR       generated databases and working folders
//                         (default: bench-cache next to this program)
//   --probe-runs=N        fresh processes per window probe (default 11)
//   --no-probes           skip the fresh-process and memory probes
//   --journal-mode=MODE   set this SQLite journal mode on the working copies
//                         (for instance WAL), to see what it does to writes
//   --peer-seconds=N      length of the "peer committing" rows (default 40;
//                         0 leaves them out)

#include "benchdata.h"
#include "benchreport.h"
#include "bench_import.h"
#include "benchpeer.h"
#include "interactions.h"
#include "probes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <algorithm>

#include <unistd.h>

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform warns on every window that sizes itself, and Qt on a
// session without a runtime folder; nothing to act on in either.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("propagateSizeHints")) || message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        return;
    previousHandler(type, context, message);
}

struct Options
{
    QStringList sizes{QStringLiteral("1k"), QStringLiteral("10k"), QStringLiteral("100k")};
    QString cacheDir;
    QString probe;
    QString journalMode;
    QString peer;
    int peerSeconds = 40;
    int probeRuns = 11;
    bool probes = true;
};

// Takes this program's own options out of argv; the rest stays for Qt and Google Benchmark.
Options takeOptions(int& argc, char* argv[])
{
    Options options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(QLatin1String("--sizes=")))
            options.sizes = arg.mid(8).split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (arg.startsWith(QLatin1String("--cache-dir=")))
            options.cacheDir = arg.mid(12);
        else if (arg.startsWith(QLatin1String("--probe=")))
            options.probe = arg.mid(8);
        else if (arg.startsWith(QLatin1String("--probe-runs=")))
            options.probeRuns = qMax(1, arg.mid(13).toInt());
        else if (arg.startsWith(QLatin1String("--journal-mode=")))
            options.journalMode = arg.mid(15);
        else if (arg.startsWith(QLatin1String("--peer=")))
            options.peer = arg.mid(7);
        else if (arg.startsWith(QLatin1String("--peer-seconds=")))
            options.peerSeconds = qMax(0, arg.mid(15).toInt());
        else if (arg == QLatin1String("--no-probes"))
            options.probes = false;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return options;
}

double medianOf(QVector<double> values)
{
    values.removeAll(-1);
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// Window probes alternate, so that a busy moment of the machine hits all of them alike.
void runProbes(const Options& options, const QList<benchdata::Size>& sizes)
{
    const benchdata::Size empty = sizes.first();
    const benchdata::Size largest = sizes.last();
    const QString emptyDir = interactions::workDir(options.cacheDir, empty);
    const QString largestDir = interactions::workDir(options.cacheDir, largest);
    QVector<double> bare, emptyWindow, largeWindow, bareMain, largeMain, largeBefore, form;
    for (int run = 0; run < options.probeRuns; ++run) {
        double wall = -1;
        bareMain << probes::spawn(QStringLiteral("window-bare"), emptyDir, &wall);
        bare << wall;
        probes::spawn(QStringLiteral("window-program"), emptyDir, &wall);
        emptyWindow << wall;
        largeMain << probes::spawn(QStringLiteral("window-program"), largestDir, &wall);
        largeWindow << wall;
        probes::spawn(QStringLiteral("window-program-before"), largestDir, &wall);
        largeBefore << wall;
        probes::spawn(QStringLiteral("window-form"), emptyDir, &wall);
        form << wall;
    }
    benchreport::setFigure(QStringLiteral("window_form"), QString(), medianOf(form), QStringLiteral("ms"));
    benchreport::setFigure(QStringLiteral("window_program_before"), largest.label, medianOf(largeBefore),
                           QStringLiteral("ms"));
    benchreport::setFigure(QStringLiteral("window_bare"), QString(), medianOf(bare), QStringLiteral("ms"));
    benchreport::setFigure(QStringLiteral("window_program"), empty.label, medianOf(emptyWindow), QStringLiteral("ms"));
    benchreport::setFigure(QStringLiteral("window_program"), largest.label, medianOf(largeWindow),
                           QStringLiteral("ms"));
    benchreport::setFigure(QStringLiteral("window_bare_main"), QString(), medianOf(bareMain), QStringLiteral("ms"));
    benchreport::setFigure(QStringLiteral("window_program_main"), largest.label, medianOf(largeMain),
                           QStringLiteral("ms"));
    for (const QString& kind : {QStringLiteral("memory")}) {
        QVector<double> emptyMemory, largeMemory;
        for (int run = 0; run < 3; ++run) {
            emptyMemory << probes::spawn(kind, emptyDir);
            largeMemory << probes::spawn(kind, largestDir);
        }
        benchreport::setFigure(kind, empty.label, medianOf(emptyMemory), QStringLiteral("MB"));
        benchreport::setFigure(kind, largest.label, medianOf(largeMemory), QStringLiteral("MB"));
    }
}

// Median time of committing one small row in a database of its own in dir, in
// the given journal mode: what every save, update and delete waits for at least.
double commitMs(const QString& dir, const QString& journalMode)
{
    const QString path = QDir(dir).filePath(QStringLiteral("commit-probe.db"));
    const QString connection = QStringLiteral("benchcommit");
    QVector<double> times;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (db.open() && query.exec(QStringLiteral("PRAGMA journal_mode=") + journalMode)
            && query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS probe (value TEXT)"))) {
            for (int i = 0; i < 21; ++i) {
                QElapsedTimer timer;
                timer.start();
                if (!query.exec(QStringLiteral("INSERT INTO probe VALUES ('x')")))
                    break;
                times << double(timer.nsecsElapsed()) / 1e6;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
    return medianOf(times);
}

bool prepareSizes(const Options& options, const QList<benchdata::Size>& sizes)
{
    QTextStream err(stderr);
    for (const benchdata::Size& size : sizes) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (!benchdata::prepareWorkDir(size, options.cacheDir, interactions::workDir(options.cacheDir, size),
                                       &error, options.journalMode)) {
            err << "cannot prepare the " << size.label << " database: " << error << "\n";
            return false;
        }
        err << "database " << size.label << " (" << size.companies << " organisations, " << size.employees
            << " employees) ready in " << timer.elapsed() << " ms\n";
        err.flush();
    }
    // The copies are hundreds of megabytes: written back now, they cannot slow
    // down the timed writes, which wait for the disk.
    ::sync();
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    Options options = takeOptions(argc, argv);
    previousHandler = qInstallMessageHandler(quietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!options.probe.isEmpty())
        return probes::runChild(options.probe, argc, argv);
    if (!options.peer.isEmpty()) {
        QCoreApplication peer(argc, argv);
        return peerbench::runPeer(options.peer, options.peerSeconds);
    }

    QApplication app(argc, argv);
    if (options.cacheDir.isEmpty())
        options.cacheDir = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-cache"));
    options.cacheDir = QDir(options.cacheDir).absolutePath();

    QList<benchdata::Size> sizes{benchdata::sizeByLabel(QStringLiteral("empty"))};
    for (const QString& label : options.sizes) {
        const benchdata::Size size = benchdata::sizeByLabel(label);
        if (size.label.isEmpty() || size.companies == 0) {
            QTextStream(stderr) << "unknown size " << label << "\n";
            return 2;
        }
        sizes << size;
    }
    if (!prepareSizes(options, sizes))
        return 1;

    if (!interactions::warmUp(interactions::workDir(options.cacheDir, sizes.first()))) {
        QTextStream(stderr) << "the window does not start\n";
        return 1;
    }

    interactions::registerAll(sizes, options.cacheDir);
    importbench::registerAll(sizes, options.cacheDir);
    if (options.peerSeconds > 0)
        peerbench::registerAll(sizes, options.cacheDir, options.peerSeconds);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    interactions::finish();
    benchreport::setFigure(QStringLiteral("commit"), QStringLiteral("DELETE"),
                           commitMs(options.cacheDir, QStringLiteral("DELETE")), QStringLiteral("ms"));
    benchreport::setFigure(QStringLiteral("commit"), QStringLiteral("WAL"),
                           commitMs(options.cacheDir, QStringLiteral("WAL")), QStringLiteral("ms"));
    if (options.probes && sizes.size() > 1)
        runProbes(options, sizes);

    QStringList labels;
    for (const benchdata::Size& size : sizes)
        labels << size.label;
    QTextStream out(stdout);
    out << "\n";
    benchreport::printTable(out, labels);
    out << "\n";
    peerbench::printFigures(out, labels);
    benchmark::Shutdown();
    return 0;
}

#include "probes.h"

#include "benchwindow.h"

#include "app/mytableview.h"
#include "app/style.h"
#include "records/companylistmodel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSqlQuery>
#include <QTableView>
#include <QTextStream>
#include <QVariant>

#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

namespace probes {

namespace {

// The monotonic clock in nanoseconds, the same in the parent and the child.
qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Notes when the first frame of the watched window is done: the end of the
// event (an expose or an update request) during which the window was first
// painted, backing store flushed. Work the program leaves until after the
// first paint, handled later in the same pass of the event loop, is not
// counted.
class ProbeApplication : public QApplication
{
public:
    using QApplication::QApplication;

    void watch(QWidget* window) { m_window = window; }
    bool frameDone() const { return m_doneNs >= 0; }
    qint64 doneNs() const { return m_doneNs; }

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_window && receiver == m_window && event->type() == QEvent::Paint)
            m_painted = true;
        ++m_depth;
        const bool result = QApplication::notify(receiver, event);
        --m_depth;
        if (m_depth == 0 && m_painted && m_doneNs < 0)
            m_doneNs = monotonicNs();
        return result;
    }

private:
    QWidget* m_window = nullptr;
    bool m_painted = false;
    int m_depth = 0;
    qint64 m_doneNs = -1;
};

// Prints the time from main() to the first frame and the clock reading then.
void printResult(double value, qint64 atNs = -1)
{
    std::printf("result %.3f %lld\n", value, static_cast<long long>(atNs));
    std::fflush(stdout);
}

void showUntilPainted(ProbeApplication& app, QWidget* window, qint64 mainNs)
{
    app.watch(window);
    window->show();
    const qint64 waitUntil = monotonicNs() + qint64(10000) * 1000000;
    while (!app.frameDone() && monotonicNs() < waitUntil)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (app.frameDone())
        printResult(double(app.doneNs() - mainNs) / 1e6, app.doneNs());
    else
        printResult(-1);
}

// Peak resident memory of this process, from /proc/self/status, in MB.
double peakMemoryMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return -1;
}

// What an operator does in a session: filter, click, preview and print.
void memoryRound(WindowDriver& driver)
{
    QLineEdit* filter = driver.edit(QStringLiteral("lineEditCompanyFilter"));
    driver.typeKey(filter, QChar(0x043A));
    filter->clear();
    if (driver.rowCount(driver.companies()) > 3) {
        // The organisation shown last, found through the filter: the whole list gets fetched.
        QSqlQuery last(driver.connection());
        if (last.exec(QStringLiteral("SELECT name FROM companies ORDER BY Форма||' '||Наименование DESC LIMIT 1"))
            && last.next()) {
            filter->setText(last.value(0).toString());
            driver.clickRow(driver.companies(), 0);
        }
        driver.clickRow(driver.companies(), 3);
        if (driver.rowCount(driver.personnel()) > 0)
            driver.clickRow(driver.personnel(), 0);
        driver.typeKey(driver.edit(QStringLiteral("lineEditSunameFilter")), QChar(0x0430));
    }
    // The same card on every database, so the rest of the round does the same work.
    const char* const fields[][2] = {{"lineEditSurname", "Иванов"},  {"lineEditName", "Иван"},
                                     {"lineEditPatron", "Иванович"}, {"lineEditForm", "ООО qzk"},
                                     {"lineEditComp", "«Альфа»"},    {"lineEditDirPost", "Директор"},
                                     {"lineEditDir", "И.И. Петров"}};
    for (const auto& field : fields)
        driver.edit(QString::fromLatin1(field[0]))->setText(QString::fromUtf8(field[1]));
    driver.click(QStringLiteral("buttonView"));
    QCoreApplication::processEvents();
    driver.click(QStringLiteral("buttonPrint"));
    WindowDriver::closePreviews();
}

} // namespace

int runChild(const QString& kind, int argc, char* argv[])
{
    const qint64 mainNs = monotonicNs();
    ProbeApplication app(argc, argv);
    if (kind == QLatin1String("window-bare")) {
        QWidget window;
        window.resize(709, 682);
        showUntilPainted(app, &window, mainNs);
        return 0;
    }
    if (kind == QLatin1String("window-program") || kind == QLatin1String("window-program-before")) {
        BoxAnswerer boxes;
        Security window;
        if (window.initialize() != 0)
            return 1;
        if (kind == QLatin1String("window-program-before")) {
            // What the start did before the first paint until now: the style
            // set once more (every widget polished again) and the hidden
            // company list fitted for a size it is not shown at.
            QApplication::setStyle(QStringLiteral("Fusion"));
            if (auto* list = window.findChild<MyTableView*>(QStringLiteral("tableViewCompanies")))
                list->fitVisibleRows();
        }
        showUntilPainted(app, &window, mainNs);
        return 0;
    }
    if (kind == QLatin1String("window-form")) {
        // The form alone as it looks, without parameters, database or rows.
        Security window;
        applyStyle(&window);
        showUntilPainted(app, &window, mainNs);
        return 0;
    }
    if (kind == QLatin1String("memory")) {
        BoxAnswerer boxes;
        WindowDriver driver;
        if (!driver.start())
            return 1;
        for (int round = 0; round < 3; ++round)
            memoryRound(driver);
        printResult(peakMemoryMb());
        return 0;
    }
    return 2;
}

namespace {

// A probe process that notes the moment it replaces the forked copy of this
// program: the time from there is the probe's start, and the fork of a parent
// grown large by the interactions before it is not.
class ProbeProcess : public QProcess
{
public:
    ProbeProcess()
    {
        if (::pipe2(m_pipe, O_CLOEXEC) != 0)
            m_pipe[0] = m_pipe[1] = -1;
    }
    ~ProbeProcess() override
    {
        for (int fd : m_pipe) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    // The clock reading just before the program was started in the child; -1 if unknown.
    qint64 execNs()
    {
        qint64 ns = -1;
        if (m_pipe[1] >= 0) {
            ::close(m_pipe[1]);
            m_pipe[1] = -1;
        }
        if (m_pipe[0] < 0 || ::read(m_pipe[0], &ns, sizeof ns) != ssize_t(sizeof ns))
            return -1;
        return ns;
    }

protected:
    // In the child, between fork and exec: only async-signal-safe calls.
    void setupChildProcess() override
    {
        const qint64 ns = monotonicNs();
        if (m_pipe[1] >= 0 && ::write(m_pipe[1], &ns, sizeof ns) != ssize_t(sizeof ns))
            m_pipe[1] = -1;
    }

private:
    int m_pipe[2];
};

} // namespace

double spawn(const QString& kind, const QString& workDir, double* wallMs)
{
    ProbeProcess child;
    child.setWorkingDirectory(workDir);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--probe=") + kind});
    const qint64 startNs = child.execNs();
    double value = -1;
    bool answered = false;
    while (!answered && child.waitForReadyRead(60000)) {
        while (!answered && child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            if (!line.startsWith("result "))
                continue;
            const QList<QByteArray> fields = line.mid(7).split(' ');
            value = fields.value(0).toDouble();
            // The child's clock reading at its first frame; a memory probe gives none.
            const qint64 doneNs = fields.value(1).toLongLong();
            if (wallMs)
                *wallMs = doneNs > 0 && startNs > 0 ? double(doneNs - startNs) / 1e6 : -1;
            answered = true;
        }
    }
    child.waitForFinished(60000);
    return value;
}

} // namespace probes

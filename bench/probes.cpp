#include "probes.h"

#include "benchwindow.h"

#include "app/mytableview.h"

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

namespace probes {

namespace {

// Notes the first paint of the watched widget.
class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

void printResult(double value)
{
    std::printf("result %.3f\n", value);
    std::fflush(stdout);
}

double showUntilPainted(QWidget* window, const QElapsedTimer& sinceMain)
{
    PaintWatch watch;
    window->installEventFilter(&watch);
    window->show();
    QElapsedTimer waited;
    waited.start();
    while (!watch.painted && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    window->removeEventFilter(&watch);
    return watch.painted ? double(sinceMain.nsecsElapsed()) / 1e6 : -1;
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
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    if (kind == QLatin1String("window-bare")) {
        QWidget window;
        window.resize(709, 682);
        printResult(showUntilPainted(&window, sinceMain));
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
        printResult(showUntilPainted(&window, sinceMain));
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

double spawn(const QString& kind, const QString& workDir, double* wallMs)
{
    QProcess child;
    child.setWorkingDirectory(workDir);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--probe=") + kind});
    double value = -1;
    bool answered = false;
    while (!answered && child.waitForReadyRead(60000)) {
        while (!answered && child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            if (!line.startsWith("result "))
                continue;
            if (wallMs)
                *wallMs = double(timer.nsecsElapsed()) / 1e6;
            value = line.mid(7).toDouble();
            answered = true;
        }
    }
    child.waitForFinished(60000);
    return value;
}

} // namespace probes

// The batch printing benchmark: an organisation of 100 employees, all checked
// in the batch window, then
//   batch/print_100   a click on "Печать" until the one job of 100 pages has
//                     been handed to the spooler and every page recorded
// It prints to the default destination (PRINTER), which should be a queue
// that writes into a file. Target: at most 3 s. Own option: --cards=N.

#include "benchdata.h"

#include "app/security.h"
#include "batch/batchwindow.h"
#include "records/recordtexts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString kConnection = QStringLiteral("bench-batch-fill");
const QString kCompany = QStringLiteral("ООО Щит");

std::unique_ptr<Security> g_window;
int g_cards = 100;

// The organisation and its employees, written into the database the window made.
bool fillStaff(const QString& file, int cards)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(file);
        ok = db.open() && db.transaction();
        QSqlQuery query(db);
        ok = ok && query.prepare(QStringLiteral("INSERT INTO companies VALUES (?,?,?)"));
        const QStringList company = records::companyRow(QStringLiteral("ООО"), QStringLiteral("Щит"));
        for (const QString& value : company)
            query.addBindValue(value);
        ok = ok && query.exec() && query.prepare(QStringLiteral("INSERT INTO personal VALUES (?,?,?,?,?,?,?,?,?)"));
        for (int i = 0; ok && i < cards; ++i) {
            const records::PersonFields person{QStringLiteral("Охранников%1").arg(i, 3, 10, QChar('0')),
                                               QStringLiteral("Иван"), QStringLiteral("Петрович"),
                                               QStringLiteral("Генеральный директор"), QStringLiteral("А. Б. Петров"),
                                               QStringLiteral("15.03.2024")};
            for (const QString& value : records::savedPersonRow(kCompany, person))
                query.addBindValue(value);
            ok = query.exec();
        }
        ok = ok && db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
    return ok;
}

BatchWindow* openBatch()
{
    g_window->findChild<QLineEdit*>(QStringLiteral("lineEditCompanyFilter"))->setText(QStringLiteral("щит"));
    g_window->findChild<QTableView*>(QStringLiteral("tableViewCompanies"))->selectRow(0);
    g_window->findChild<QPushButton*>(QStringLiteral("buttonBatch"))->click();
    QApplication::processEvents();
    return g_window->findChild<BatchWindow*>();
}

void benchPrint(benchmark::State& state)
{
    BatchWindow* window = openBatch();
    if (!window || window->checkedEmployees().size() != g_cards) {
        state.SkipWithError("the batch window does not list the staff");
        return;
    }
    auto* print = window->findChild<QPushButton*>(QStringLiteral("buttonBatchPrint"));
    // The question before the batch ("Напечатать N карточек…?") is answered at once.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == QStringLiteral("Печатать"))
                    button->click();
            }
        }
    });
    answer.start(0);
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        // Returns once the job is with the spooler and the pages are recorded.
        print->click();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    state.counters["cards"] = g_cards;
}

void quietHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg && !message.contains(QLatin1String("propagateSizeHints"))
        && !message.contains(QLatin1String("XDG_RUNTIME")))
        fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (qstrncmp(argv[i], "--cards=", 8) == 0)
            g_cards = QByteArray(argv[i] + 8).toInt();
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);

    QTemporaryDir dir;
    QString error;
    if (!dir.isValid() || !benchdata::seedWorkDir(dir.path(), &error)) {
        fprintf(stderr, "cannot prepare the working folder\n");
        return 1;
    }
    QDir::setCurrent(dir.path());
    g_window.reset(new Security);
    if (g_window->initialize() != 0 || !fillStaff(dir.filePath("dataBase.db"), g_cards)) {
        fprintf(stderr, "cannot prepare the database\n");
        return 1;
    }
    g_window->show();

    benchmark::RegisterBenchmark("batch/print_100", benchPrint)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    g_window.reset();
    return 0;
}

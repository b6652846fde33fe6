// The register benchmark: a working folder whose database holds 100,000
// printed cards (and an office of 1,000 organisations), then
//   journal/open      click on "Журнал выдачи" until the window shows its rows
//   journal/filter    one keystroke in the organisation filter until the list
//                     shows the new rows (a common and a rare text in turn)
//   journal/record    the register's share of one print: entering the card
//                     after the page (and, for a card with a "Number" field,
//                     taking the number before it: record_numbered)
// Own option: --cards=N (default 100000). The --benchmark_* options work too.

#include "benchdata.h"

#include "app/security.h"
#include "journal/cardregister.h"
#include "journal/journalwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString kConnection = QStringLiteral("bench-journal-fill");
const QStringList kCompanies = {"ООО Щит", "ЧОО Барс", "ООО Охрана-Сервис", "ЧОП Витязь", "ООО Кордон"};
const QStringList kSurnames = {"Жуков", "Орлов", "Соколов", "Петров", "Иванов", "Смирнов"};

std::unique_ptr<Security> g_window;

// Fills the register of the database with `cards` rows in one transaction.
bool fillRegister(const QString& file, int cards)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(file);
        journal::CardRegister cardRegister(db);
        QString error;
        ok = db.open() && cardRegister.ensureTable(&error) && db.transaction();
        const QDateTime start(QDate(2023, 1, 1), QTime(9, 0));
        for (int i = 0; ok && i < cards; ++i) {
            journal::PrintedCard card;
            // One organisation in fifty is rare, so a filter on it scans far.
            const QString company = i % 50 == 0 ? QStringLiteral("ООО Редкий Страж %1").arg(i)
                                                : kCompanies.at(i % kCompanies.size());
            card.company = company;
            card.printer = QStringLiteral("office");
            card.texts = {{"Surname", kSurnames.at(i % kSurnames.size())}, {"Name", "Иван"}, {"Patron", "Петрович"},
                          {"Form", company.section(' ', 0, 0)},             {"Comp", company.section(' ', 1)},
                          {"DirPost", "Генеральный директор"},              {"Dir", "А. Б. Петров"},
                          {"Date", "15.03.2024"}};
            const QString time = journal::timestamp(start.addSecs(qint64(i) * 600));
            ok = cardRegister.record(journal::rowFor(card, time, QStringLiteral("operator")), 0, &error) > 0;
        }
        ok = ok && db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
    return ok;
}

JournalWindow* openJournal()
{
    g_window->findChild<QPushButton*>(QStringLiteral("buttonJournal"))->click();
    auto* journal = g_window->findChild<JournalWindow*>();
    QApplication::processEvents();  // shown and painted
    return journal;
}

void closeJournal()
{
    if (auto* journal = g_window->findChild<JournalWindow*>())
        delete journal;
    QApplication::processEvents();
}

void benchOpen(benchmark::State& state)
{
    for (auto _ : state) {
        closeJournal();
        QElapsedTimer clock;
        clock.start();
        JournalWindow* journal = openJournal();
        const qint64 ns = clock.nsecsElapsed();
        auto* table = journal ? journal->findChild<QTableView*>(QStringLiteral("tableViewCards")) : nullptr;
        if (!table || table->model()->rowCount() == 0) {
            state.SkipWithError("the register window shows no rows");
            return;
        }
        state.SetIterationTime(double(ns) / 1e9);
    }
    closeJournal();
}

void benchFilter(benchmark::State& state)
{
    JournalWindow* journal = openJournal();
    auto* filter = journal->findChild<QLineEdit*>(QStringLiteral("lineEditCompanyFilter"));
    auto* table = journal->findChild<QTableView*>(QStringLiteral("tableViewCards"));
    // "щ" is in a fifth of the rows; "редк" only in one row of fifty.
    const QStringList texts = {QStringLiteral("щ"), QStringLiteral("редк")};
    int round = 0;
    for (auto _ : state) {
        filter->clear();
        QApplication::processEvents();
        const QString text = texts.at(round++ % texts.size());
        filter->setText(text.left(text.size() - 1));
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        // A key event with the letter as its text, as a Cyrillic keyboard sends it.
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text.right(1));
        QApplication::sendEvent(filter, &press);
        QApplication::processEvents();
        const qint64 ns = clock.nsecsElapsed();
        if (table->model()->rowCount() == 0) {
            state.SkipWithError("the filter found nothing");
            return;
        }
        state.SetIterationTime(double(ns) / 1e9);
    }
    closeJournal();
}

// The register's share of a print: with a "Number" field the number is taken
// before the page and the card entered after it; without one, the card is
// entered once after the page.
void benchRecord(benchmark::State& state, bool numbered)
{
    journal::CardRegister cardRegister(QSqlDatabase::database(QStringLiteral("Ruvo")));
    journal::PrintedCard card;
    card.company = QStringLiteral("ООО Щит");
    card.printer = QStringLiteral("office");
    card.texts = {{"Surname", "Жуков"}, {"Name", "Иван"}, {"Form", "ООО"}, {"Comp", "Щит"}};
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QString error;
        const qint64 number = numbered ? cardRegister.reserve(&error) : 0;
        const journal::CardRow row =
            journal::rowFor(card, journal::timestamp(QDateTime::currentDateTime()), journal::loginName());
        if ((numbered && number == 0) || cardRegister.record(row, number, &error) == 0) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
}

void benchRecordPlain(benchmark::State& state)
{
    benchRecord(state, false);
}

void benchRecordNumbered(benchmark::State& state)
{
    benchRecord(state, true);
}

void quietHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg && !message.contains(QLatin1String("propagateSizeHints")) &&
        !message.contains(QLatin1String("does not support raise")) && !message.contains(QLatin1String("XDG_RUNTIME")))
        fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv)
{
    int cards = 100000;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (qstrncmp(argv[i], "--cards=", 8) == 0)
            cards = QByteArray(argv[i] + 8).toInt();
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
    QElapsedTimer clock;
    clock.start();
    if (!fillRegister(dir.filePath("dataBase.db"), cards)) {
        fprintf(stderr, "cannot fill the register\n");
        return 1;
    }
    fprintf(stderr, "register of %d cards made in %lld ms\n", cards, clock.elapsed());
    QDir::setCurrent(dir.path());
    g_window.reset(new Security);
    if (g_window->initialize() != 0)
        return 1;
    g_window->show();

    const auto add = [](const char* name, void (*body)(benchmark::State&), int iterations) {
        benchmark::RegisterBenchmark(name, body)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(iterations);
    };
    add("journal/open", benchOpen, 20);
    add("journal/filter", benchFilter, 40);
    add("journal/record", benchRecordPlain, 50);
    add("journal/record_numbered", benchRecordNumbered, 50);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    g_window.reset();
    return 0;
}

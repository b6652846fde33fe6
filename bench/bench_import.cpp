#include "bench_import.h"

#include "benchreport.h"
#include "benchsession.h"
#include "benchwindow.h"
#include "interactions.h"

#include "db/database.h"
#include "db/indexes.h"
#include "import/importsession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QVariant>

#include <benchmark/benchmark.h>

namespace importbench {

namespace {

const int kRows = 10000;
const char* const kId = "import_10k";
// A list as an office sends it: a signature block above the header, a footer.
const int kOfficeRows = 5000;
const char* const kOfficeId = "import_office_5k";

struct ListKind
{
    const char* id;
    int written; // rows the import writes
    QString (*write)(const QString& cacheDir, const benchdata::Size& size);
};

// A number spelled in letters, one per digit: a name holding digits is no
// row of a list ("Всего: 20"), so the surnames of the benchmark hold none.
QString letters(int number)
{
    static const QString digits = QStringLiteral("абвгдежзик");
    QString text;
    for (const QChar c : QString::number(number))
        text += digits.at(c.digitValue());
    return text;
}

// One line of the list: most employees of organisations stored already (one
// in three under another letter case), one in ten of new organisations.
QByteArray listLine(int i, const benchdata::Size& size)
{
    const int number = (i * 7919) % size.companies;
    QString form = benchdata::companyForm(number, size.companies);
    QString name = benchdata::companyName(number, size.companies);
    if (i % 10 == 9) {
        form = QStringLiteral("ООО");
        name = QStringLiteral("Новая %1").arg(i / 100);
    } else if (i % 3 == 0) {
        name = name.toUpper();
    }
    return QStringLiteral("Импортов%1;Иван;Петрович;%2;\"%3\";Директор;А.Б. Сидоров;01.02.2026\n")
        .arg(letters(i))
        .arg(form, name)
        .toUtf8();
}

// A staff list of kRows lines in the layout an organisation sends; every
// hundredth line repeats the one before it.
QString writeList(const QString& cacheDir, const benchdata::Size& size)
{
    const QString path = QDir(cacheDir).filePath(QStringLiteral("import-%1.csv").arg(size.label));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QByteArray text = "Фамилия;Имя;Отчество;Форма;Наименование;Должность;Руководитель;Дата выдачи\n";
    for (int i = 0; i < kRows; ++i)
        text += listLine(i % 100 == 99 ? i - 1 : i, size);
    return file.write(text) == text.size() ? path : QString();
}

// The office list: headers spelled out, organisations in other spellings
// (quotes, letter case, one in ten new), dates in words, no director columns.
QString writeOfficeList(const QString& cacheDir, const benchdata::Size& size)
{
    const QString path = QDir(cacheDir).filePath(QStringLiteral("import-office-%1.csv").arg(size.label));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QByteArray text = "УТВЕРЖДАЮ\nГенеральный директор\nООО «Щит»\n__________ А.Б. Петров\n\n\n\nСПИСОК\n"
                      "работников охраны\n\n\n"
                      "№;Ф.И.О. работника;Должность;Организация;Дата выдачи личной карточки охранника\n";
    for (int i = 0; i < kOfficeRows; ++i) {
        const int number = (i * 7919) % size.companies;
        QString company = benchdata::companyText(number, size.companies);
        if (i % 10 == 9)
            company = QStringLiteral("ООО «Новая %1»").arg(i / 100);
        else if (i % 3 == 0)
            company = company.toUpper();
        text += QStringLiteral("%1;Офисов%2 Иван Петрович;охранник;\"%3\";%4 февраля 2026 г.\n")
                    .arg(i + 1)
                    .arg(letters(i))
                    .arg(company.replace(QLatin1Char('"'), QStringLiteral("\"\"")))
                    .arg(1 + i % 28)
                    .toUtf8();
    }
    text += "Всего: 5000 человек\nРуководитель;__________ (подпись)\nМ.П.\n";
    return file.write(text) == text.size() ? path : QString();
}

qint64 maxRowId(const QSqlDatabase& database, const QString& table)
{
    QSqlQuery query(database);
    return query.exec(QStringLiteral("SELECT COALESCE(MAX(rowid),0) FROM ") + table) && query.next()
               ? query.value(0).toLongLong()
               : -1;
}

// The import of the list, file to commit, into the working folder's
// database; what it wrote is removed again after each round, untimed.
void run(benchmark::State& state, const benchdata::Size& size, const QString& cacheDir, const ListKind& kind)
{
    static std::string error;
    // The import alone, as another program would run it: the window of the
    // interactions, on a connection of its own, is closed first. Left open,
    // it could not run its event loop while the import runs here, and a list
    // it shows still by the statement would keep the file's read lock.
    session::driver().stop();
    const QString list = kind.write(cacheDir, size);
    DataBase db;
    db.setConnection(QStringLiteral("bench_import"));
    QString file = QDir(interactions::workDir(cacheDir, size)).filePath(QStringLiteral("dataBase.db"));
    if (list.isEmpty() || !db.open(file)) {
        state.SkipWithError("no staff list or no database");
        return;
    }
    // As the program leaves the file at its start (untimed; at once where a
    // start measured before made them): without the lookup indexes the
    // import's checks would read every employee for each batch of organisations.
    indexes::createLookupIndexes(db.database);
    for (int round = -1; state.KeepRunningBatch(1); ++round) {
        const qint64 people = maxRowId(db.database, QStringLiteral("personal"));
        const qint64 companies = maxRowId(db.database, QStringLiteral("companies"));
        staffimport::ImportSession session;
        QString problem;
        QElapsedTimer timer;
        timer.start();
        const bool done = session.open(list, &problem) && session.check(db, &problem) && session.write(db, &problem);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        const int written = staffimport::summarise(session.rows()).toAdd;
        db.execute(QStringLiteral("DELETE FROM personal WHERE rowid>%1").arg(people));
        db.execute(QStringLiteral("DELETE FROM companies WHERE rowid>%1").arg(companies));
        if (!done || written != kind.written) {
            error = QStringLiteral("import: %1 rows written; %2").arg(written).arg(problem).toStdString();
            state.SkipWithError(error.c_str());
            break;
        }
        state.SetIterationTime(ms / 1000);
        if (round >= 0)
            benchreport::addSample(QString::fromLatin1(kind.id), size.label, ms);
    }
    state.counters["median_ms"] = benchreport::median(QString::fromLatin1(kind.id), size.label);
    db.close();
}

} // namespace

void registerAll(const QList<benchdata::Size>& sizes, const QString& cacheDir)
{
    static const ListKind kinds[] = {{kId, kRows - kRows / 100, writeList}, {kOfficeId, kOfficeRows, writeOfficeList}};
    for (const ListKind& kind : kinds) {
        for (const benchdata::Size& size : sizes) {
            if (size.companies == 0)
                continue;
            benchmark::RegisterBenchmark((QString::fromLatin1(kind.id) + QLatin1Char('/') + size.label).toStdString().c_str(),
                                         [size, cacheDir, &kind](benchmark::State& state) {
                                             run(state, size, cacheDir, kind);
                                         })
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(6);
        }
    }
}

} // namespace importbench

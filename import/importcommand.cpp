#include "import/importcommand.h"

#include "db/database.h"
#include "db/failurecause.h"
#include "db/indexes.h"
#include "db/workingdatabase.h"
#include "import/importsession.h"
#include "records/recordtexts.h"

#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QSqlError>
#include <QTextStream>

namespace staffimport {

namespace {

const char* const kImport = "import";
const char* const kCompany = "company";
const char* const kDryRun = "dry-run";
const char* const kSheet = "sheet";
const char* const kDate = "date";

void print(QTextStream& stream, const QStringList& lines)
{
    for (const QString& line : lines)
        stream << line << "\n";
    stream.flush();
}

struct Request
{
    QString file;
    Organisation company;
    bool dryRun = false;
    QString sheet;
    QDate date = QDate::currentDate();
};

// False with the reason in *error for a command line that makes no sense.
bool parseRequest(const QCommandLineParser& parser, const QString& startFolder, Request* request, QString* error)
{
    const QStringList files = parser.values(kImport);
    if (files.size() != 1 || files.first().isEmpty()) {
        *error = QStringLiteral("нужен ровно один файл: --import ФАЙЛ");
        return false;
    }
    if (parser.values(kCompany).size() > 1) {
        *error = QStringLiteral("организация указана больше одного раза");
        return false;
    }
    request->file = QDir(startFolder).absoluteFilePath(files.first());
    const QStringList company = splitOrganisation(parser.value(kCompany));
    request->company = {company.at(0), company.at(1)};
    if (parser.isSet(kCompany) && request->company.comp.isEmpty()) {
        *error = QStringLiteral("пустое название организации в --company");
        return false;
    }
    request->dryRun = parser.isSet(kDryRun);
    if (parser.values(kSheet).size() > 1 || parser.values(kDate).size() > 1) {
        *error = QStringLiteral("лист или дата указаны больше одного раза");
        return false;
    }
    request->sheet = parser.value(kSheet).trimmed();
    if (parser.isSet(kSheet) && request->sheet.isEmpty()) {
        *error = QStringLiteral("пустое имя листа в --sheet");
        return false;
    }
    if (parser.isSet(kDate)) {
        QString date;
        if (!normaliseDate(parser.value(kDate), &date)) {
            *error = QStringLiteral("невозможная дата в --date: «%1» (нужно дд.мм.гггг)").arg(parser.value(kDate).left(40));
            return false;
        }
        request->date = QDate::fromString(date, QStringLiteral("dd.MM.yyyy"));
    }
    return true;
}

// The working folder's database, as the window opens it: the server of
// "database.json" when that file is there, else "dataBase.db".
bool openDatabase(DataBase& db, QString* error)
{
    if (!db::openWorkingDatabase(db, error))
        return false;
    if (!db.createTable(QStringLiteral("companies"), records::companyColumns())
        || !db.createTable(QStringLiteral("personal"), records::personalColumns())) {
        *error = db::withCause(QStringLiteral("таблицы базы данных не созданы: %1").arg(db.lastFailure().text()),
                               db.lastFailure());
        return false;
    }
    indexes::createLookupIndexes(db.database);
    return true;
}

int fail(QTextStream& err, const QString& reason)
{
    print(err, {QStringLiteral("Импорт не выполнен: %1").arg(reason), QStringLiteral("Ничего не записано.")});
    return ExitRejected;
}

int runRequest(const Request& request, QTextStream& out, QTextStream& err)
{
    ImportSession session;
    QString error;
    if (!session.open(request.file, &error, request.sheet))
        return fail(err, error);
    session.setFallback(request.company);
    session.setDefaultDate(request.date);
    DataBase db;
    if (!openDatabase(db, &error))
        return fail(err, error);
    if (!session.check(db, &error))
        return fail(err, error);
    const Summary summary = summarise(session.rows());
    const int status = summary.invalid > 0 ? ExitRejected : ExitImported;
    if (request.dryRun) {
        print(out, session.reportLines() << QStringLiteral("Проверка без записи: ничего не записано."));
        return status;
    }
    if (summary.toAdd == 0) {
        print(out, session.reportLines() << QStringLiteral("Нет строк для добавления: ничего не записано."));
        return status;
    }
    if (!session.write(db, &error)) {
        print(out, session.reportLines());
        return fail(err, error);
    }
    // The rows written are those of the check made inside the transaction.
    print(out, session.reportLines()
                   << QStringLiteral("Записано сотрудников: %1, организаций: %2.")
                          .arg(summarise(session.rows()).toAdd)
                          .arg(session.newOrganisations()));
    return summarise(session.rows()).invalid > 0 ? ExitRejected : ExitImported;
}

} // namespace

QVector<cli::Option> importOptions()
{
    // The database class is a widget class, so the import runs under a
    // QApplication, on the offscreen platform: it needs no display.
    return {
        {{kImport, QStringLiteral("Загрузить сотрудников из файла CSV, .xlsx или .ods без открытия окна."),
          QStringLiteral("файл")},
         runImport,
         cli::Application::Offscreen},
        {{kCompany, QStringLiteral("Организация для строк файла, где её нет (для --import)."),
          QStringLiteral("текст")}},
        {{kDryRun, QStringLiteral("Только проверить файл и показать отчёт, ничего не записывая (для --import).")}},
        {{kSheet, QStringLiteral("Лист таблицы по имени или номеру с 1 (для --import)."), QStringLiteral("лист")}},
        {{kDate, QStringLiteral("Дата выдачи для строк без даты, дд.мм.гггг; по умолчанию сегодня (для --import)."),
          QStringLiteral("дата")}},
    };
}

int runImport(const cli::Call& call)
{
    Request request;
    QString error;
    if (!parseRequest(call.parser, call.startFolder, &request, &error)) {
        print(call.err, {QStringLiteral("cardprint: %1").arg(error),
                         QStringLiteral("Использование: cardprint --import ФАЙЛ [--company ОРГАНИЗАЦИЯ] [--sheet ЛИСТ] "
                                        "[--date дд.мм.гггг] [--dry-run]")});
        return ExitBadCommand;
    }
    return runRequest(request, call.out, call.err);
}

} // namespace staffimport

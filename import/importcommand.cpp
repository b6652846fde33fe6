#include "import/importcommand.h"

#include "db/database.h"
#include "db/indexes.h"
#include "import/importsession.h"
#include "records/recordtexts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSqlError>

#include <cstdio>
#include <cstring>

namespace staffimport {

namespace {

const char* const kDatabaseFile = "dataBase.db";

void print(FILE* stream, const QStringList& lines)
{
    for (const QString& line : lines) {
        std::fputs(line.toUtf8().constData(), stream);
        std::fputc('\n', stream);
    }
    std::fflush(stream);
}

struct Request
{
    QString file;
    Organisation company;
    bool dryRun = false;
};

// False with the reason in *error for a command line that makes no sense.
bool parseRequest(const QStringList& arguments, Request* request, QString* error)
{
    QCommandLineParser parser;
    const QCommandLineOption importOption(QStringLiteral("import"), QStringLiteral("Импорт сотрудников из файла"),
                                          QStringLiteral("FILE"));
    const QCommandLineOption companyOption(QStringLiteral("company"),
                                           QStringLiteral("Организация для строк без организации"),
                                           QStringLiteral("TEXT"));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"), QStringLiteral("Только проверка, без записи"));
    parser.addOptions({importOption, companyOption, dryRunOption});
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("лишние аргументы: %1").arg(parser.positionalArguments().join(QLatin1Char(' ')));
        return false;
    }
    const QStringList files = parser.values(importOption);
    if (files.size() != 1 || files.first().isEmpty()) {
        *error = QStringLiteral("нужен ровно один файл: --import ФАЙЛ");
        return false;
    }
    if (parser.values(companyOption).size() > 1) {
        *error = QStringLiteral("организация указана больше одного раза");
        return false;
    }
    request->file = files.first();
    const QStringList company = splitOrganisation(parser.value(companyOption));
    request->company = {company.at(0), company.at(1)};
    if (parser.isSet(companyOption) && request->company.comp.isEmpty()) {
        *error = QStringLiteral("пустое название организации в --company");
        return false;
    }
    request->dryRun = parser.isSet(dryRunOption);
    return true;
}

bool openDatabase(DataBase& db, QString* error)
{
    QString fileName = QString::fromLatin1(kDatabaseFile);
    if (!db.open(fileName)) {
        *error = QStringLiteral("база данных \"%1\" не открывается: %2").arg(fileName, db.database.lastError().text());
        return false;
    }
    if (!db.createTable(QStringLiteral("companies"), records::companyColumns())
        || !db.createTable(QStringLiteral("personal"), records::personalColumns())) {
        *error = QStringLiteral("таблицы базы данных не созданы: %1").arg(db.database.lastError().text());
        return false;
    }
    indexes::createLookupIndexes(db.database);
    return true;
}

int fail(const QString& reason)
{
    print(stderr, {QStringLiteral("Импорт не выполнен: %1").arg(reason), QStringLiteral("Ничего не записано.")});
    return ExitNothing;
}

int runRequest(const Request& request)
{
    ImportSession session;
    QString error;
    if (!session.open(request.file, &error))
        return fail(error);
    session.setFallback(request.company);
    DataBase db;
    if (!openDatabase(db, &error))
        return fail(error);
    if (!session.check(db, &error))
        return fail(error);
    const int toAdd = summarise(session.rows()).toAdd;
    if (request.dryRun) {
        print(stdout, session.reportLines() << QStringLiteral("Проверка без записи: ничего не записано."));
        return toAdd > 0 ? ExitImported : ExitNothing;
    }
    if (toAdd == 0) {
        print(stdout, session.reportLines() << QStringLiteral("Нет строк для добавления: ничего не записано."));
        return ExitNothing;
    }
    if (!session.write(db, &error)) {
        print(stdout, session.reportLines());
        return fail(error);
    }
    // The rows written are those of the check made inside the transaction.
    print(stdout, session.reportLines()
                      << QStringLiteral("Записано сотрудников: %1, организаций: %2.")
                             .arg(summarise(session.rows()).toAdd)
                             .arg(session.newOrganisations()));
    return ExitImported;
}

} // namespace

bool wantsImport(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--import") == 0 || std::strncmp(argv[i], "--import=", 9) == 0)
            return true;
    }
    return false;
}

int runImportCommand(int argc, char** argv)
{
    // The import never shows a window, so it runs without a display as well.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Request request;
    QString error;
    if (!parseRequest(QApplication::arguments(), &request, &error)) {
        print(stderr, {QStringLiteral("cardprint: %1").arg(error),
                       QStringLiteral("Использование: cardprint --import ФАЙЛ [--company ОРГАНИЗАЦИЯ] [--dry-run]")});
        return ExitBadCommand;
    }
    return runRequest(request);
}

} // namespace staffimport

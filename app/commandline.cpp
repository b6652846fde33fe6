#include "app/commandline.h"
#include "app/translations.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>


namespace cli {

namespace {

const char* const ProgramName = "cardprint";
const char* const WorkDirOption = "workdir";

void setUp(QCommandLineParser& parser, const QVector<Option>& options)
{
    parser.setApplicationDescription(QStringLiteral("Печать личных карточек охранников."));
    parser.addOption({{"h", "help"}, QStringLiteral("Показать эту справку и выйти.")});
    parser.addOption({{"v", "version"}, QStringLiteral("Показать версию программы и выйти.")});
    parser.addOption({WorkDirOption,
                      QStringLiteral("Рабочая папка с params.txt и dataBase.db (создаётся, если её нет). "
                                     "Без него: переменная окружения %1, затем текущая папка, если в ней есть "
                                     "params.txt, затем папка данных пользователя.")
                          .arg(QLatin1String(install::WorkDirVariable)),
                      QStringLiteral("папка")});
    for (const Option& entry : options)
        parser.addOption(entry.option);
}

// The entries whose handler the command line asks for, in table order.
QVector<const Option*> commandsGiven(const QCommandLineParser& parser, const QVector<Option>& options)
{
    QVector<const Option*> given;
    for (const Option& entry : options) {
        if (entry.handler && parser.isSet(entry.option.names().constFirst()))
            given << &entry;
    }
    return given;
}

QString longName(const Option& entry)
{
    const QStringList names = entry.option.names();
    return (names.constLast().size() > 1 ? QStringLiteral("--") : QStringLiteral("-")) + names.constLast();
}

int badInput(QTextStream& err, const QString& message)
{
    err << ProgramName << ": " << message << "\n"
        << QStringLiteral("Справка: %1 --help").arg(QLatin1String(ProgramName)) << "\n";
    err.flush();
    return ExitBadInput;
}

QString parseError(const QCommandLineParser& parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty())
        return parser.errorText();
    const QString name = unknown.constFirst();
    return QStringLiteral("Неизвестный параметр %1%2").arg(name.size() > 1 ? "--" : "-", name);
}

install::WorkFolderChoice choose(const QCommandLineParser& parser)
{
    return install::chooseWorkFolder(
        install::processInputs(parser.isSet(WorkDirOption), parser.value(WorkDirOption)));
}


} // namespace

void setUpApplication(QCoreApplication& app)
{
    QCoreApplication::setApplicationName(ProgramName);
    QCoreApplication::setApplicationVersion(QStringLiteral(CARDPRINT_VERSION));
    loadQtTranslations(app);
}

int execute(const QStringList& args, const QVector<Option>& options, const std::function<int()>& runWindow,
            QTextStream& out, QTextStream& err, const std::function<void()>& enterWidgets)
{
    QCommandLineParser parser;
    setUp(parser, options);
    if (!parser.parse(args))
        return badInput(err, parseError(parser));
    if (!parser.positionalArguments().isEmpty())
        return badInput(err, QStringLiteral("Лишний аргумент %1").arg(parser.positionalArguments().constFirst()));
    if (parser.isSet("help")) {
        out << parser.helpText() << "\n" << install::describeChoice(choose(parser)) << "\n";
        out.flush();
        return 0;
    }
    if (parser.isSet("version")) {
        out << ProgramName << " " << QCoreApplication::applicationVersion() << "\n";
        out.flush();
        return 0;
    }
    const QVector<const Option*> given = commandsGiven(parser, options);
    if (given.size() > 1)
        return badInput(err, QStringLiteral("Параметры %1 и %2 нельзя указывать вместе")
                                 .arg(longName(*given.at(0)), longName(*given.at(1))));

    // File names given on the command line are meant from where the program was started.
    const QString startFolder = QDir::currentPath();
    const install::WorkFolderChoice folder = choose(parser);
    QString error;
    if (!install::prepareWorkFolder(folder, install::installedDataDir(), &error))
        return badInput(err, error);
    if (!QDir::setCurrent(folder.path))
        return badInput(err, QStringLiteral("Не удалось перейти в папку %1").arg(folder.path));
    if (enterWidgets && (given.isEmpty() || given.constFirst()->app != Application::Core)) {
        if (!given.isEmpty() && given.constFirst()->app == Application::Offscreen)
            qputenv("QT_QPA_PLATFORM", "offscreen");
        enterWidgets();
    }
    if (given.isEmpty())
        return runWindow();
    const int status = given.constFirst()->handler(Call{parser, folder, out, err, startFolder});
    out.flush();
    err.flush();
    return status;
}

} // namespace cli

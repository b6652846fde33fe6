#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include "install/workfolder.h"

#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QCommandLineParser;
class QCoreApplication;
class QTextStream;

// The program's command line: --help, --version and --workdir are built in; every
// other option is one entry of the table in app/options.cpp. To add one:
//
//   1. write its handler where its capability lives, e.g. in import/:
//          int runImport(const cli::Call& call);   // returns the exit status
//   2. add one entry to programOptions() in app/options.cpp:
//          {{"import", "Загрузить записи из файла без открытия окна.", "файл"}, runImport},
//          {{"company", "Организация загружаемых записей (для --import).", "текст"}},
//      An entry without a handler only carries a value or a flag that another
//      option's handler reads through call.parser.
//
// An option with a handler replaces the window: it runs after the working folder
// has been chosen, prepared and made the current folder, under a QCoreApplication
// (no display needed; set `app` to Application::Widgets when it paints or prints),
// and its return value is the program's exit status. Bad input ends with
// ExitBadInput and a message on call.err. Two options with handlers together are
// refused. Unknown options and positional arguments are refused with ExitBadInput.
namespace cli {

constexpr int ExitBadInput = 2;

// What an option's handler receives.
struct Call
{
    const QCommandLineParser& parser;
    const install::WorkFolderChoice& workFolder; // already the current folder
    QTextStream& out;                            // standard output, UTF-8
    QTextStream& err;                            // standard error, UTF-8
    const QString& startFolder;                  // the current folder the program was started in
};

using Handler = std::function<int(const Call&)>;

enum class Application
{
    Core,   // QCoreApplication: files and databases only
    Widgets,  // QApplication: fonts, painting, printing, windows
    Offscreen // QApplication on the offscreen platform: widget classes, never a window, no display needed
};

struct Option
{
    QCommandLineOption option;
    Handler handler = nullptr;
    Application app = Application::Core;
};

// The options beyond --help, --version and --workdir (app/options.cpp).
QVector<Option> programOptions();

// Names the application and its version and loads Qt's Russian texts.
void setUpApplication(QCoreApplication& app);

// The whole program (app/programrun.cpp): creates the application object (a QApplication only once
// the window or a widgets option is about to run), loads Qt's Russian texts and
// runs execute() with the program's options.
// runWindow starts the main window and returns the event loop's exit status.
int run(int& argc, char** argv, const std::function<int()>& runWindow);

// Parses args (the program name first), chooses and prepares the working folder
// and runs the option's handler or, with none given, runWindow. An application
// object must exist; enterWidgets, when given, replaces it by a QApplication
// before the window or an option that needs widgets runs.
int execute(const QStringList& args, const QVector<Option>& options, const std::function<int()>& runWindow,
            QTextStream& out, QTextStream& err, const std::function<void()>& enterWidgets = {});

} // namespace cli

#endif // COMMANDLINE_H

// The program's start: the application objects around cli::execute.
#include "app/commandline.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>

#include <memory>

namespace cli {

int run(int& argc, char** argv, const std::function<int()>& runWindow)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const QVector<Option> options = programOptions();

    // Everything up to the window runs without a display, so that bad input is
    // reported on a terminal without one; the window needs a QApplication in place
    // of the core one.
    std::unique_ptr<QCoreApplication> app = std::make_unique<QCoreApplication>(argc, argv);
    setUpApplication(*app);
    const auto enterWidgets = [&] {
        app.reset();
        app = std::make_unique<QApplication>(argc, argv);
        setUpApplication(*app);
    };

    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");
    return execute(args, options, runWindow, out, err, enterWidgets);
}

} // namespace cli

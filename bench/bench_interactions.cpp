#include "benchdata.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    for (const benchdata::Size& size : benchdata::sizes()) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        const QString path = benchdata::ensureDatabase(size, QStringLiteral("/tmp/benchcache"), &error);
        out << size.label << " " << path << " " << error << " " << timer.elapsed() << " ms\n";
        out.flush();
    }
    return 0;
}

// A second copy of the program for the tests of concurrent writers.
//   testwriter hold FILE MS    takes the write lock of FILE, writes a row into
//                              the table "holder", prints "held", keeps the
//                              lock MS milliseconds, then commits.
//   testwriter save FOLDER N TAG
//                              starts the main window in FOLDER and saves N
//                              employees "TAG-1".."TAG-N" of one organisation
//                              through the form; every message box is printed
//                              and counted, and the count is the exit status.

#include "app/security.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

int hold(const QString& file, int ms)
{
    int status = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        db.setDatabaseName(file);
        QSqlQuery query(db);
        if (!db.open() || !query.exec(QStringLiteral("BEGIN IMMEDIATE"))
            || !query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS holder (x TEXT)"))
            || !query.exec(QStringLiteral("INSERT INTO holder VALUES ('held')"))) {
            std::fprintf(stdout, "failed\n");
            status = 2;
        } else {
            std::fprintf(stdout, "held\n");
            std::fflush(stdout);
            QThread::msleep(static_cast<unsigned long>(ms));
            status = query.exec(QStringLiteral("COMMIT")) ? 0 : 3;
        }
        std::fflush(stdout);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    return status;
}

int save(const QString& folder, int count, const QString& tag)
{
    if (!QDir::setCurrent(folder))
        return 100;
    int boxes = 0;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&boxes] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        std::fprintf(stderr, "box: %s\n", qPrintable(box->text()));
        ++boxes;
        box->buttons().first()->click();
    });
    watcher.start(20);

    Security window;
    if (window.initialize() != 0)
        return 101;
    const QStringList fields{"lineEditName", "lineEditForm", "lineEditComp", "lineEditDirPost", "lineEditDir"};
    const QStringList texts{"Иван", "ООО", "Стресс", "Директор", "П.П. Петров"};
    for (int i = 0; i < fields.size(); ++i)
        window.findChild<QLineEdit*>(fields.at(i))->setText(texts.at(i));
    auto* surname = window.findChild<QLineEdit*>(QStringLiteral("lineEditSurname"));
    auto* button = window.findChild<QPushButton*>(QStringLiteral("buttonSave"));
    for (int i = 1; i <= count; ++i) {
        surname->setText(QStringLiteral("%1-%2").arg(tag).arg(i));
        button->click();
    }
    return boxes;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("hold") && args.size() == 4)
        return hold(args.at(2), args.at(3).toInt());
    if (args.value(1) == QLatin1String("save") && args.size() == 5)
        return save(args.at(2), args.at(3).toInt(), args.at(4));
    std::fprintf(stderr, "usage: testwriter hold FILE MS | save FOLDER N TAG\n");
    return 99;
}

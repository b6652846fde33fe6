// Takes the README's pictures of the program: the main window with a few
// records, the settings dialog and the preview; the print button sends the
// card to the default printer (scripts/screenshots.sh turns the page into a picture).
// Runs the real window in a scratch working folder seeded from data/.
//
// Usage: screenshots <source root> <output folder>   (on a display, e.g. under xvfb-run)

#include "app/security.h"
#include "app/translations.h"
#include "install/workfolder.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

struct Sample
{
    const char* form;
    const char* company;
    const char* surname;
    const char* name;
    const char* patron;
    const char* post;
    const char* director;
};

const Sample Samples[] = {
    {"ООО", "ЧОО «Щит»", "Иванов", "Пётр", "Сергеевич", "Генеральный директор", "А. В. Смирнов"},
    {"ООО", "ЧОО «Щит»", "Кузнецова", "Анна", "Викторовна", "Генеральный директор", "А. В. Смирнов"},
    {"ООО", "ЧОО «Бастион»", "Петров", "Илья", "Андреевич", "Директор", "О. Н. Волков"},
    {"АО", "ЧОП «Кордон-Центр»", "Соколов", "Дмитрий", "Игоревич", "Директор", "Е. П. Морозова"},
};

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename T>
T* child(QWidget& window, const char* name)
{
    T* widget = window.findChild<T*>(QString::fromLatin1(name));
    if (!widget) {
        std::fprintf(stderr, "no widget %s\n", name);
        std::exit(1);
    }
    return widget;
}

void enter(Security& window, const Sample& s)
{
    const QPair<const char*, const char*> fields[] = {
        {"lineEditForm", s.form},       {"lineEditComp", s.company}, {"lineEditSurname", s.surname},
        {"lineEditName", s.name},       {"lineEditPatron", s.patron}, {"lineEditDirPost", s.post},
        {"lineEditDir", s.director}};
    for (const auto& field : fields)
        child<QLineEdit>(window, field.first)->setText(QString::fromUtf8(field.second));
    child<QPushButton>(window, "buttonSave")->click();
}

void click(QTableView* view, int row)
{
    const QModelIndex index = view->model()->index(row, 0);
    view->selectRow(row);
    emit view->clicked(index);
}

bool save(QWidget* widget, const QDir& out, const char* name)
{
    const QString path = out.filePath(QString::fromLatin1(name));
    const bool ok = widget && widget->grab().save(path, "PNG");
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "cannot write", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    loadQtTranslations(app);
    if (argc < 3) {
        std::fprintf(stderr, "usage: screenshots <source root> <output folder>\n");
        return 2;
    }
    const QDir source(QString::fromLocal8Bit(argv[1]));
    const QDir out(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir work;
    if (!work.isValid() || !out.mkpath(".")
        || !install::seedWorkFolder(work.path(), source.filePath("data")) || !QDir::setCurrent(work.path()))
        return 1;

    Security window;
    if (window.initialize() != 0)
        return 1;
    window.show();
    for (const Sample& sample : Samples)
        enter(window, sample);
    click(child<QTableView>(window, "tableViewCompanies"), 2);
    click(child<QTableView>(window, "tableViewPersonal"), 0);
    wait(300);
    bool ok = save(&window, out, "main-window.png");

    QTimer::singleShot(500, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ok = save(dialog, out, "settings.png") && ok;
        if (dialog)
            dialog->close();
    });
    child<QPushButton>(window, "buttonParams")->click();

    const QList<QWidget*> before = QApplication::topLevelWidgets();
    child<QPushButton>(window, "buttonView")->click();
    wait(500);
    QWidget* preview = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && !before.contains(w))
            preview = w;
    }
    ok = save(preview, out, "preview.png") && ok;
    if (preview)
        preview->close();

    // A question before printing (paper, font, fit) is answered with its default
    // button, and named, so that the picture is of what an operator would print.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->defaultButton()) {
            std::fprintf(stderr, "answered \"%s\" with \"%s\"\n", qPrintable(box->text()),
                         qPrintable(box->defaultButton()->text()));
            box->defaultButton()->click();
        }
    });
    answer.start(200);
    child<QPushButton>(window, "buttonPrint")->click();
    return ok ? 0 : 1;
}

#include "app/commandline.h"
#include "app/translations.h"
#include "card/dialog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

namespace {

QStringList tree(const QString& root)
{
    QStringList paths;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << QDir(root).relativeFilePath(it.next());
    paths.sort();
    return paths;
}

// What the fake options of the table below saw when they ran.
struct Seen
{
    QString ran;
    QString folder;
    QString file;
    bool dryRun = false;
};

// A table shaped like the program's: one command with a value and a flag it
// reads, and a second command that cannot be combined with the first.
QVector<cli::Option> fakeOptions(Seen& seen)
{
    return {
        {{"load", "Загрузить.", "файл"},
         [&seen](const cli::Call& call) {
             seen.ran = "load";
             seen.folder = QDir::currentPath();
             seen.file = call.parser.value("load");
             seen.dryRun = call.parser.isSet("dry-run");
             call.out << "loaded";
             return 5;
         }},
        {{"dry-run", "Только проверить."}},
        {{"list", "Показать."}, [&seen](const cli::Call&) {
             seen.ran = "list";
             return 0;
         }},
    };
}

} // namespace

// The command line: options, exit status, choice of the working folder, Qt's Russian texts.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void commandLine_data();
    void commandLine();
    void programRefusesBadInputInRussian_data();
    void programRefusesBadInputInRussian();
    void programPrintsItsVersion();
    void qtButtonsSpeakRussian();

private:
    QScopedPointer<QTemporaryDir> m_root;
    QString m_previous;
};

void TestCommandLine::initTestCase()
{
    QCoreApplication::setApplicationName("cardprint");
    m_previous = QDir::currentPath();
}

void TestCommandLine::init()
{
    m_root.reset(new QTemporaryDir);
    QVERIFY(m_root->isValid());
    QVERIFY(QDir(m_root->path()).mkpath("current"));
    QVERIFY(QDir::setCurrent(m_root->filePath("current")));
    qputenv("XDG_DATA_HOME", m_root->filePath("data").toUtf8());
    qunsetenv("CARDPRINT_WORKDIR");
}

void TestCommandLine::cleanup()
{
    QDir::setCurrent(m_previous);
    qunsetenv("CARDPRINT_WORKDIR");
    qunsetenv("XDG_DATA_HOME");
}

void TestCommandLine::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<bool>("paramsInCurrent");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("ran");    // "window", a command's name or "" for none
    QTest::addColumn<QString>("folder"); // the current folder the run ended in
    QTest::addColumn<QString>("output"); // expected in standard output, or in error output when status is 2
    // ROOT stands for the temporary root; DATA for the user data folder.
    const QString data = "ROOT/data/cardprint";
    QTest::newRow("no option: user data folder") << QStringList() << "" << false << 7 << "window" << data << "";
    QTest::newRow("current folder holding params.txt")
        << QStringList() << "" << true << 7 << "window" << "ROOT/current" << "";
    QTest::newRow("environment over the current folder")
        << QStringList() << "ROOT/env" << true << 7 << "window" << "ROOT/env" << "";
    QTest::newRow("--workdir over the environment")
        << QStringList({"--workdir", "../w/new"}) << "ROOT/env" << true << 7 << "window" << "ROOT/w/new" << "";
    QTest::newRow("--workdir=DIR form") << QStringList({"--workdir=ROOT/w"}) << "" << false << 7 << "window"
                                        << "ROOT/w" << "";
    QTest::newRow("command with its value and flag")
        << QStringList({"--workdir", "ROOT/w", "--load", "a b.csv", "--dry-run"}) << "" << false << 5 << "load"
        << "ROOT/w" << "loaded";
    QTest::newRow("--help names the folder, creates nothing")
        << QStringList({"--help"}) << "" << false << 0 << "" << "ROOT/current"
        << "Рабочая папка: ROOT/data/cardprint (папка данных пользователя)";
    QTest::newRow("--help with --workdir")
        << QStringList({"--workdir", "ROOT/w", "-h"}) << "" << false << 0 << "" << "ROOT/current"
        << "Рабочая папка: ROOT/w (задана параметром --workdir)";
    QTest::newRow("--help lists the table's options")
        << QStringList({"--help"}) << "" << false << 0 << "" << "ROOT/current" << "--load <файл>";
    QTest::newRow("two commands") << QStringList({"--load", "x", "--list"}) << "" << false << 2 << "" << "ROOT/current"
                                  << "Параметры --load и --list нельзя указывать вместе";
    QTest::newRow("unknown option") << QStringList({"--workdir", "ROOT/w", "--bogus"}) << "" << false << 2 << ""
                                    << "ROOT/current" << "Неизвестный параметр --bogus";
    QTest::newRow("positional argument") << QStringList({"extra"}) << "" << false << 2 << "" << "ROOT/current"
                                         << "Лишний аргумент extra";
    QTest::newRow("--workdir without value")
        << QStringList({"--workdir"}) << "" << false << 2 << "" << "ROOT/current" << "--workdir";
    QTest::newRow("--workdir below a file") << QStringList({"--workdir", "ROOT/file/w"}) << "" << false << 2 << ""
                                            << "ROOT/current" << "Не удалось создать папку";
    QTest::newRow("environment naming a file")
        << QStringList() << "ROOT/file" << false << 2 << "" << "ROOT/current" << "не является папкой";
}

void TestCommandLine::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QString, environment);
    QFETCH(bool, paramsInCurrent);
    QFETCH(int, status);
    QFETCH(QString, ran);
    QFETCH(QString, folder);
    QFETCH(QString, output);

    const QString root = QDir(m_root->path()).canonicalPath();
    QFile file(root + "/file");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    if (paramsInCurrent) {
        QFile params(root + "/current/params.txt");
        QVERIFY(params.open(QIODevice::WriteOnly));
    }
    if (!environment.isEmpty())
        qputenv("CARDPRINT_WORKDIR", environment.replace("ROOT", root).toUtf8());
    for (QString& arg : args)
        arg.replace("ROOT", root);
    args.prepend("cardprint");
    const QStringList before = tree(root);

    Seen seen;
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int result = cli::execute(args, fakeOptions(seen), [&seen] {
        seen.ran = "window";
        seen.folder = QDir::currentPath();
        return 7;
    }, outStream, errStream);

    QCOMPARE(result, status);
    QCOMPARE(seen.ran, ran);
    QCOMPARE(QDir::currentPath(), folder.replace("ROOT", root));
    output.replace("ROOT", root);
    QVERIFY2((status == cli::ExitBadInput ? err : out).contains(output), qPrintable(out + err));
    if (status == cli::ExitBadInput) {
        QVERIFY2(err.contains("Справка: cardprint --help"), qPrintable(err));
        QVERIFY(out.isEmpty());
    }
    if (ran.isEmpty())
        QCOMPARE(tree(root), before);
    if (ran == "load") {
        QCOMPARE(seen.file, QString("a b.csv"));
        QVERIFY(seen.dryRun);
    }
}

void TestCommandLine::programRefusesBadInputInRussian_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << QStringList({"--bogus"}) << "cardprint: Неизвестный параметр --bogus";
    QTest::newRow("missing value") << QStringList({"--workdir"}) << "cardprint: Отсутствует значение";
    QTest::newRow("folder below a file") << QStringList({"--workdir", "file/sub"})
                                         << "cardprint: Не удалось создать папку";
}

// The built program under the C locale, without a display: Qt's own message is Russian too.
void TestCommandLine::programRefusesBadInputInRussian()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QFile file(m_root->filePath("current/file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QStringList before = tree(m_root->path());

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C");
    env.insert("HOME", m_root->filePath("home"));
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(m_root->filePath("current"));
    program.start(CARDPRINT_BINARY, args);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), cli::ExitBadInput);
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(err.startsWith(message), qPrintable(err));
    QCOMPARE(program.readAllStandardOutput(), QByteArray());
    QCOMPARE(tree(m_root->path()), before);
}

void TestCommandLine::programPrintsItsVersion()
{
    QProcess program;
    program.start(CARDPRINT_BINARY, {"--version"});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardOutput(), QByteArray("cardprint " CARDPRINT_VERSION "\n"));
}

void TestCommandLine::qtButtonsSpeakRussian()
{
    QVERIFY(loadQtTranslations(*qApp));
    QMap<QString, QMap<QString, QString>> fonts;
    float udShift = 0;
    float lrShift = 0;
    Dialog dialog(&fonts, &udShift, &lrShift);
    auto* box = dialog.findChild<QDialogButtonBox*>("buttonBox");
    QVERIFY(box);
    QCOMPARE(box->button(QDialogButtonBox::Cancel)->text(), QString("Отмена"));
    QCOMPARE(box->button(QDialogButtonBox::Ok)->text(), QString("OK"));
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"

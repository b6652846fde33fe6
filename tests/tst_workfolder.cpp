#include "install/workfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using install::WorkFolderChoice;
using install::WorkFolderSource;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every path below root, relative, sorted: what a failed call must leave unchanged.
QStringList tree(const QString& root)
{
    QStringList paths;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << QDir(root).relativeFilePath(it.next());
    paths.sort();
    return paths;
}

const QStringList InstalledFiles = {"params.txt", "paramsBackUp.txt", "fonts/A-Regular.ttf", "fonts/B-Regular.ttf"};

} // namespace

// Choice of the working folder and its seeding from the installed files.
class TestWorkFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void choiceFollowsTheOrder_data();
    void choiceFollowsTheOrder();
    void missingFolderIsCreatedAndSeededFromReadOnlyInstall();
    void partialFolderKeepsTheOperatorsFiles();
    void currentFolderIsLeftAsItIs();
    void unusableFolderIsRefusedAndNothingIsCreated_data();
    void unusableFolderIsRefusedAndNothingIsCreated();

private:
    QScopedPointer<QTemporaryDir> m_root;
    QString m_installed;
};

void TestWorkFolder::init()
{
    m_root.reset(new QTemporaryDir);
    QVERIFY(m_root->isValid());
    // The installed files are read-only, as under /usr/share.
    m_installed = m_root->filePath("share/cardprint");
    QVERIFY(writeFile(m_installed + "/params.txt", "delivered params"));
    QVERIFY(writeFile(m_installed + "/paramsBackUp.txt", "delivered backup"));
    QVERIFY(writeFile(m_installed + "/fonts/A-Regular.ttf", "font A"));
    QVERIFY(writeFile(m_installed + "/fonts/B-Regular.ttf", "font B"));
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    for (const QString& name : InstalledFiles)
        QVERIFY(QFile::setPermissions(m_installed + "/" + name, readOnly));
}

void TestWorkFolder::cleanup()
{
    // Let the temporary folder remove the read-only files again.
    for (const QString& name : InstalledFiles)
        QFile::setPermissions(m_installed + "/" + name, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestWorkFolder::choiceFollowsTheOrder_data()
{
    QTest::addColumn<bool>("optionGiven");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("currentFile"); // file present in the current folder
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("path"); // "CUR" and "DATA" stand for those folders

    const int option = int(WorkFolderSource::Option);
    const int env = int(WorkFolderSource::Environment);
    const int current = int(WorkFolderSource::Current);
    const int data = int(WorkFolderSource::UserData);
    QTest::newRow("option wins over everything") << true << "/x/opt" << "/x/env" << "params.txt" << option << "/x/opt";
    QTest::newRow("relative option from the current folder") << true << "a/../w/" << "" << "" << option << "CUR/w";
    QTest::newRow("empty option is not another case") << true << "" << "/x/env" << "params.txt" << option << "";
    QTest::newRow("environment over the current folder") << false << "" << "/x/env" << "params.txt" << env << "/x/env";
    QTest::newRow("relative environment") << false << "" << "e" << "" << env << "CUR/e";
    QTest::newRow("current folder holding params.txt") << false << "" << "" << "params.txt" << current << "CUR";
    QTest::newRow("current folder without params.txt") << false << "" << "" << "" << data << "DATA";
    QTest::newRow("current folder with only the backup") << false << "" << "" << "paramsBackUp.txt" << data << "DATA";
}

void TestWorkFolder::choiceFollowsTheOrder()
{
    QFETCH(bool, optionGiven);
    QFETCH(QString, option);
    QFETCH(QString, environment);
    QFETCH(QString, currentFile);
    QFETCH(int, source);
    QFETCH(QString, path);

    const QString current = m_root->filePath("current");
    const QString data = m_root->filePath("data/cardprint");
    QVERIFY(QDir().mkpath(current));
    if (!currentFile.isEmpty())
        QVERIFY(writeFile(current + "/" + currentFile, "{}"));
    const QStringList before = tree(m_root->path());

    const WorkFolderChoice choice =
        install::chooseWorkFolder({optionGiven, option, environment, current, data});
    QCOMPARE(int(choice.source), source);
    path.replace("CUR", current).replace("DATA", data);
    QCOMPARE(choice.path, path);
    QCOMPARE(tree(m_root->path()), before);
    QVERIFY(install::describeChoice(choice).startsWith("Рабочая папка: " + QDir::toNativeSeparators(path) + " ("));
}

void TestWorkFolder::missingFolderIsCreatedAndSeededFromReadOnlyInstall()
{
    const QString folder = m_root->filePath("home/.local/share/cardprint");
    QString error;
    QVERIFY2(install::prepareWorkFolder({folder, WorkFolderSource::UserData}, m_installed, &error), qPrintable(error));

    QCOMPARE(tree(folder), QStringList({"fonts", "fonts/A-Regular.ttf", "fonts/B-Regular.ttf", "params.txt",
                                        "paramsBackUp.txt"}));
    QCOMPARE(readFile(folder + "/params.txt"), QByteArray("delivered params"));
    QCOMPARE(readFile(folder + "/fonts/B-Regular.ttf"), QByteArray("font B"));
    // The settings dialog rewrites params.txt: the copy must not keep the installed read-only mode.
    for (const QString& name : InstalledFiles)
        QVERIFY2(QFileInfo(folder + "/" + name).permissions() & QFileDevice::WriteOwner, qPrintable(name));
}

void TestWorkFolder::partialFolderKeepsTheOperatorsFiles()
{
    const QString folder = m_root->filePath("work");
    QVERIFY(writeFile(folder + "/params.txt", "operator's params"));
    QVERIFY(writeFile(folder + "/fonts/A-Regular.ttf", "operator's font"));
    QVERIFY(writeFile(folder + "/dataBase.db", "rows"));

    QVERIFY(install::prepareWorkFolder({folder, WorkFolderSource::Option}, m_installed));
    QCOMPARE(readFile(folder + "/params.txt"), QByteArray("operator's params"));
    QCOMPARE(readFile(folder + "/fonts/A-Regular.ttf"), QByteArray("operator's font"));
    QCOMPARE(readFile(folder + "/dataBase.db"), QByteArray("rows"));
    QCOMPARE(readFile(folder + "/paramsBackUp.txt"), QByteArray("delivered backup"));
    QCOMPARE(readFile(folder + "/fonts/B-Regular.ttf"), QByteArray("font B"));
}

void TestWorkFolder::currentFolderIsLeftAsItIs()
{
    const QString folder = m_root->filePath("current");
    QVERIFY(writeFile(folder + "/params.txt", "{}"));
    QVERIFY(install::prepareWorkFolder({folder, WorkFolderSource::Current}, m_installed));
    QCOMPARE(tree(folder), QStringList({"params.txt"}));
}

void TestWorkFolder::unusableFolderIsRefusedAndNothingIsCreated_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("error");
    QTest::newRow("a file") << "file" << "не является папкой";
    QTest::newRow("below a file") << "file/a/b" << "Не удалось создать папку";
    QTest::newRow("empty") << "" << "Не указана рабочая папка";
}

void TestWorkFolder::unusableFolderIsRefusedAndNothingIsCreated()
{
    QFETCH(QString, folder);
    QFETCH(QString, error);
    QVERIFY(writeFile(m_root->filePath("file"), "x"));
    const QStringList before = tree(m_root->path());
    QString message;
    const QString path = folder.isEmpty() ? folder : m_root->filePath(folder);
    QVERIFY(!install::prepareWorkFolder({path, WorkFolderSource::Option}, m_installed, &message));
    QVERIFY2(message.contains(error), qPrintable(message));
    QCOMPARE(tree(m_root->path()), before);
}

QTEST_GUILESS_MAIN(TestWorkFolder)
#include "tst_workfolder.moc"

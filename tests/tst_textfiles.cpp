#include "util/textfiles.h"
#include "app/messagequestions.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using testsupport::WorkDir;

namespace {

QByteArray cp1251(const QString& text)
{
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
}

// Answers the next file dialog from its own event loop and records how it looked.
struct DialogAnswer
{
    QString caption;
    QString directory;
    QStringList filters;
    bool seen = false;

    // selection empty: cancel; otherwise type it into the dialog and accept.
    void arm(const QString& selection = QString())
    {
        QTimer::singleShot(0, [this, selection] { poll(selection, 30000); });
    }

    void poll(const QString& selection, int remainingMs)
    {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (remainingMs > 0)
                QTimer::singleShot(20, [this, selection, remainingMs] { poll(selection, remainingMs - 20); });
            return;
        }
        seen = true;
        caption = dialog->windowTitle();
        directory = dialog->directory().absolutePath();
        filters = dialog->nameFilters();
        if (selection.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(selection);
            static_cast<QDialog*>(dialog)->accept();
        }
    }
};

// Limits the size of files this process may write, as a full disk would.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

} // namespace

// Reading and writing text files: line rules, encodings, names, failures.
class TestTextFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void readLinesSplitsAndTrims_data();
    void readLinesSplitsAndTrims();
    void readLinesDecodes_data();
    void readLinesDecodes();
    void missingFileClearsListAndNamesIt();
    void unopenableFileIsReported();
    void readErrorIsNotSuccess();
    void readRemembersFolder_data();
    void readRemembersFolder();
    void saveLinesWritesLineEnds_data();
    void saveLinesWritesLineEnds();
    void saveLinesSuffixRules_data();
    void saveLinesSuffixRules();
    void cyrillicRoundTripsThroughSaveAndRead();
    void failedOpenKeepsOldFile();
    void fullDiskKeepsOldFile();
    void readOnlyFolderWritesInPlace_data();
    void readOnlyFolderWritesInPlace();
    void cancelledOpenDialogLeavesListAlone();
    void openDialogReadsChosenFilesInOrder();
    void cancelledSaveDialog();

private:
    // The file choices are answered by the window's dialogs, as in the program.
    MessageBoxQuestions m_dialogs;
};

void TestTextFiles::init()
{
    Questions::install(&m_dialogs);
    lastDir.clear();
}

void TestTextFiles::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
}

void TestTextFiles::readLinesSplitsAndTrims_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("trim");
    QTest::addColumn<QStringList>("expected");

    const QByteArray abc = "a\n\n  b  \n";
    QTest::newRow("blank line skipped, trimmed") << abc << true << QStringList{"a", "b"};
    QTest::newRow("blank line skipped, untrimmed") << abc << false << QStringList{"a", "  b  "};
    QTest::newRow("blanks-only line trims to empty") << QByteArray("a\n   \nb\n") << true << QStringList{"a", "", "b"};
    QTest::newRow("blanks-only line kept as is")
        << QByteArray("a\n \t \nb\n") << false << QStringList{"a", " \t ", "b"};
    QTest::newRow("CRLF ends") << QByteArray("x\r\n\r\ny\r\n") << false << QStringList{"x", "y"};
    QTest::newRow("lone CR stays in the line") << QByteArray("x\ry\n") << false << QStringList{"x\ry"};
    QTest::newRow("no final line feed") << QByteArray("x\ny") << false << QStringList{"x", "y"};
    QTest::newRow("empty file") << QByteArray() << true << QStringList();
    QTest::newRow("line feeds only") << QByteArray("\n\n\n") << false << QStringList();
    QTest::newRow("tabs trimmed") << QByteArray("\t{\t\n") << true << QStringList{"{"};
}

void TestTextFiles::readLinesSplitsAndTrims()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, trim);
    QFETCH(QStringList, expected);

    WorkDir dir;
    QVERIFY(dir.writeFile("in.txt", bytes));
    QStringList lines{"stale"};
    QString result;
    QVERIFY(readLines("in.txt", lines, result, trim));
    QCOMPARE(lines, expected);
    QCOMPARE(result, QString("in.txt"));
}

void TestTextFiles::readLinesDecodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    const QString word = "Привет, мир";
    QTest::newRow("UTF-8") << word.toUtf8() << word;
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + word.toUtf8() << word;
    QTest::newRow("Windows-1251") << cp1251(word) << word;
    QTest::newRow("Windows-1251 with yo") << cp1251("Пётр Ёлкин") << QString("Пётр Ёлкин");
    QTest::newRow("Latin-1 byte read as Windows-1251") << QByteArray("caf\xE9") << QString("cafй");
    QTest::newRow("truncated UTF-8 sequence") << QByteArray("ab\xD0") << QString("abР");
    QTest::newRow("overlong UTF-8 is not UTF-8") << QByteArray("\xC0\xAF") << QString("АЇ");
    QTest::newRow("encoded surrogate is not UTF-8") << QByteArray("\xED\xA0\x80") << QString("н\u00A0Ђ");

    QByteArray utf16le("\xFF\xFE");
    QByteArray utf16be("\xFE\xFF");
    for (const QChar c : word) {
        utf16le += char(c.unicode() & 0xFF);
        utf16le += char(c.unicode() >> 8);
        utf16be += char(c.unicode() >> 8);
        utf16be += char(c.unicode() & 0xFF);
    }
    QTest::newRow("UTF-16LE with BOM") << utf16le << word;
    QTest::newRow("UTF-16BE with BOM") << utf16be << word;
}

void TestTextFiles::readLinesDecodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);

    WorkDir dir;
    QVERIFY(dir.writeFile("in.txt", bytes));
    QStringList lines;
    QString result;
    QVERIFY(readLines("in.txt", lines, result, false));
    QCOMPARE(lines, QStringList{expected});
}

void TestTextFiles::missingFileClearsListAndNamesIt()
{
    WorkDir dir;
    QStringList lines{"old"};
    QString result = "*.txt";
    QVERIFY(!readLines("nothing.txt", lines, result, true));
    QCOMPARE(result, QString("Файл nothing.txt не найден"));
    QVERIFY(lines.isEmpty());
    QCOMPARE(lastDir, QDir::currentPath());
}

void TestTextFiles::unopenableFileIsReported()
{
    WorkDir dir;
    QVERIFY(QDir().mkpath("conf/params.txt"));
    QStringList lines{"old"};
    QString result;
    QVERIFY(!readLines("conf/params.txt", lines, result, true));
    QCOMPARE(result, QString("Не удалось открыть файл \"params.txt\""));
    QVERIFY(lines.isEmpty());
}

void TestTextFiles::readErrorIsNotSuccess()
{
    // Reading the process's own memory from address 0 fails with an I/O error
    // after the open has succeeded.
    const QString unreadable = "/proc/self/mem";
    if (!QFile::exists(unreadable))
        QSKIP("no /proc here");
    QStringList lines;
    QString result;
    QVERIFY(!readLines(unreadable, lines, result, false));
    QCOMPARE(result, QString("Не удалось прочитать файл \"mem\""));
}

void TestTextFiles::readRemembersFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");

    QTest::newRow("bare name") << "params.txt" << ".";
    QTest::newRow("relative folder") << "sub/params.txt" << "sub";
    QTest::newRow("dot folder") << "./params.txt" << ".";
}

void TestTextFiles::readRemembersFolder()
{
    QFETCH(QString, name);
    QFETCH(QString, folder);

    WorkDir dir;
    QVERIFY(QDir().mkpath("sub"));
    QVERIFY(dir.writeFile(name, "{}\n"));
    QStringList lines;
    QString result;
    QVERIFY(readLines(name, lines, result, true));
    QCOMPARE(result, name);
    QCOMPARE(lastDir, folder);

    // A save remembers its folder the same way.
    lastDir = "elsewhere";
    QString saved = name;
    QVERIFY(saveLines(saved, lines, result));
    QCOMPARE(lastDir, folder);
}

void TestTextFiles::saveLinesWritesLineEnds_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("lineEnd");
    QTest::addColumn<QByteArray>("bytes");

    const QStringList xy{"x", "y"};
    QTest::newRow("line feeds") << xy << "" << QByteArray("x\ny\n");
    QTest::newRow("drent gives CRLF") << xy << "drent" << QByteArray("x\r\ny\r\n");
    QTest::newRow("Drent is only a filter") << xy << "Drent" << QByteArray("x\ny\n");
    QTest::newRow("filter text is not a switch") << xy << "*.txt" << QByteArray("x\ny\n");
    QTest::newRow("empty list, empty file") << QStringList() << "drent" << QByteArray();
    QTest::newRow("empty lines kept") << QStringList{"", ""} << "" << QByteArray("\n\n");
    QTest::newRow("Cyrillic one byte per letter") << QStringList{"Ёж"} << "" << QByteArray("\xA8\xE6\n");
}

void TestTextFiles::saveLinesWritesLineEnds()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, lineEnd);
    QFETCH(QByteArray, bytes);

    WorkDir dir;
    QString name = "out.txt";
    QString result = lineEnd;
    QVERIFY(saveLines(name, lines, result));
    QCOMPARE(result, QString("out.txt"));
    QCOMPARE(dir.readFile("out.txt"), bytes);
}

void TestTextFiles::saveLinesSuffixRules_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("used");

    QTest::newRow("no dot") << "settings" << "settings.txt";
    QTest::newRow("trailing dot") << "settings." << "settings..txt";
    QTest::newRow("other suffix kept") << "layout.cfg" << "layout.cfg";
    QTest::newRow("dot only in folder") << "dir.d/settings" << "dir.d/settings.txt";
    QTest::newRow("hidden file has a suffix") << ".profile" << ".profile";
}

void TestTextFiles::saveLinesSuffixRules()
{
    QFETCH(QString, given);
    QFETCH(QString, used);

    WorkDir dir;
    QVERIFY(QDir().mkpath("dir.d"));
    QString name = given;
    QString result;
    QVERIFY(saveLines(name, {"v"}, result));
    QCOMPARE(name, used);
    QCOMPARE(result, used);
    QCOMPARE(dir.readFile(used), QByteArray("v\n"));
}

void TestTextFiles::cyrillicRoundTripsThroughSaveAndRead()
{
    WorkDir dir;
    const QStringList lines{"Фамилия: Пётр", "«ООО» № 5 — Ёлка", "plain"};
    QString name = "c.txt";
    QString result;
    QVERIFY(saveLines(name, lines, result));
    QCOMPARE(dir.readFile("c.txt"), cp1251(lines.join("\n") + "\n"));

    QStringList back;
    QVERIFY(readLines(name, back, result, false));
    QCOMPARE(back, lines);
}

void TestTextFiles::failedOpenKeepsOldFile()
{
    WorkDir dir;
    QVERIFY(QDir().mkpath("params.txt"));
    QString name = "params.txt";
    QString result;
    QVERIFY(!saveLines(name, {"new"}, result));
    QCOMPARE(result, QString("Не удалось открыть файл \"params.txt\""));
    QVERIFY(QFileInfo("params.txt").isDir());

    QString inMissingFolder = "missing/params.txt";
    QVERIFY(!saveLines(inMissingFolder, {"new"}, result));
    QCOMPARE(result, QString("Не удалось открыть файл \"params.txt\""));
    QVERIFY(!QFile::exists("missing"));
}

void TestTextFiles::fullDiskKeepsOldFile()
{
    WorkDir dir;
    const QByteArray old = "old contents\n";
    QVERIFY(dir.writeFile("params.txt", old));
    QString name = "params.txt";
    QString result;
    {
        FileSizeLimit limit(64);
        if (!limit.isActive())
            QSKIP("cannot limit the file size");
        QVERIFY(!saveLines(name, {QString(1000, QLatin1Char('x'))}, result));
    }
    QCOMPARE(result, QString("Не удалось записать файл \"params.txt\""));
    QCOMPARE(dir.readFile("params.txt"), old);
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{"params.txt"});
}

void TestTextFiles::readOnlyFolderWritesInPlace_data()
{
    QTest::addColumn<bool>("fileWritable");
    QTest::addColumn<QString>("expected");

    QTest::newRow("file writable") << true << "params.txt";
    QTest::newRow("file read-only") << false << "Не удалось открыть файл \"params.txt\"";
}

// A folder the operator may not create files in, holding a params.txt they may
// or may not write: the file is rewritten in place, or the failure reported.
void TestTextFiles::readOnlyFolderWritesInPlace()
{
    QFETCH(bool, fileWritable);
    QFETCH(QString, expected);
    WorkDir dir;
    QVERIFY(dir.writeFile("params.txt", "old\n"));
    const QFile::Permissions readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const QFile::Permissions writable = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    const QFile::Permissions enter = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    QVERIFY(QFile::setPermissions("params.txt", fileWritable ? readable | writable : readable));
    QVERIFY(QFile::setPermissions(dir.path(), readable | enter));
    QString name = "params.txt";
    QString result;
    bool saved = false;
    {
        testsupport::Unprivileged user;
        if (!user.isActive()) {
            QVERIFY(QFile::setPermissions(dir.path(), readable | writable | enter));
            QSKIP("root cannot take the rights of an ordinary user (no user \"nobody\")");
        }
        saved = saveLines(name, {"new"}, result);
    }
    QVERIFY(QFile::setPermissions(dir.path(), readable | writable | enter));
    QCOMPARE(saved, fileWritable);
    QCOMPARE(result, expected);
    QCOMPARE(dir.readFile("params.txt"), QByteArray(fileWritable ? "new\n" : "old\n"));
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{"params.txt"});
}

void TestTextFiles::cancelledOpenDialogLeavesListAlone()
{
    WorkDir dir;
    QVERIFY(QDir().mkpath("start"));
    lastDir = dir.filePath("start");
    DialogAnswer answer;
    answer.arm();
    QStringList lines{"kept"};
    QString result = "Текст (*.txt)";
    QVERIFY(!readLines(QString(), lines, result, true));
    QVERIFY(answer.seen);
    QCOMPARE(answer.caption, QString("Выберите файл(ы)"));
    QCOMPARE(answer.directory, QDir(dir.filePath("start")).absolutePath());
    QCOMPARE(answer.filters, QStringList{"Текст (*.txt)"});
    QCOMPARE(result, QString("Файл(ы) не выбран(ы)"));
    QCOMPARE(lines, QStringList{"kept"});
}

void TestTextFiles::openDialogReadsChosenFilesInOrder()
{
    WorkDir dir;
    QVERIFY(QDir().mkpath("in"));
    QVERIFY(dir.writeFile("in/a.txt", "1\n2\n"));
    QVERIFY(dir.writeFile("in/b.txt", "3\n"));
    lastDir = dir.filePath("in");
    DialogAnswer answer;
    answer.arm("\"a.txt\" \"b.txt\"");
    QStringList lines;
    QString result;
    QVERIFY(readLines(QString(), lines, result, false));
    QCOMPARE(lines, (QStringList{"1", "2", "3"}));
    QCOMPARE(QFileInfo(result).fileName(), QString("b.txt"));
    QCOMPARE(QDir(lastDir).absolutePath(), QDir(dir.filePath("in")).absolutePath());
}

void TestTextFiles::cancelledSaveDialog()
{
    WorkDir dir;
    DialogAnswer answer;
    answer.arm();
    QString name;
    QString result = "*.txt";
    QVERIFY(!saveLines(name, {"x"}, result));
    QVERIFY(answer.seen);
    QCOMPARE(answer.caption, QString("Сохранение файла"));
    QCOMPARE(answer.directory, QDir::currentPath());
    QCOMPARE(result, QString("Сохранение отменено"));
    QVERIFY(name.isEmpty());
    QVERIFY(QDir().entryList(QDir::Files).isEmpty());
}

QTEST_MAIN(TestTextFiles)
#include "tst_textfiles.moc"

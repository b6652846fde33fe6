#include "app/security.h"
#include "card/cardlayout.h"
#include "card/printing.h"

#include "support/testsupport.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <vector>

#include <memory>

namespace {

// One word of `pdftotext -bbox`, in points from the top-left of the page.
struct PdfWord
{
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

// Where one printed character should land.
struct Glyph
{
    QChar ch;
    double left = 0;   // left edge of its advance box
    double right = 0;  // left + advance
    double top = 0;    // top of its line
    bool seen = false;
};

const QStringList kKeys = {"Surname", "Name", "Patron", "Form", "Comp", "DirPost", "Dir"};

QString run(const QString& program, const QStringList& arguments, bool* ok = nullptr)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");  // the tools' messages are parsed in English
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(30000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput());
}

QVector<PdfWord> pdfWords(const QString& pdfFile, QSizeF* page)
{
    const QString xml = run("pdftotext", {"-bbox", pdfFile, "-"});
    const QRegularExpression pageRe(R"re(<page width="([\d.]+)" height="([\d.]+)")re");
    const auto pageMatch = pageRe.match(xml);
    if (pageMatch.hasMatch())
        *page = QSizeF(pageMatch.captured(1).toDouble(), pageMatch.captured(2).toDouble());
    const QRegularExpression wordRe(
        R"re(<word xMin="([-\d.]+)" yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">([^<]*)</word>)re");
    QVector<PdfWord> words;
    for (auto it = wordRe.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        QString text = m.captured(5);
        text.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&");
        words.append({text, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                      m.captured(4).toDouble()});
    }
    return words;
}

// The layout parameters as the program keeps them, read from params.txt.
void readLayout(cardlayout::FontTable* fonts, cardlayout::CoordTable* coords, cardlayout::Shift* shift)
{
    QFile file("params.txt");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject data = QJsonDocument::fromJson(file.readAll()).object()["data"].toObject();
    shift->udShift = float(data["udShift"].toDouble());
    shift->lrShift = float(data["lrShift"].toDouble());
    const QJsonObject entries = data["fonts"].toObject();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        for (const QString& name : QStringList{"family", "size", "align"})
            (*fonts)[it.key()][name] = entry[name].toString();
        for (const QJsonValue number : entry["coords"].toArray())
            (*coords)[it.key()].append(float(number.toDouble()));
    }
}

void setEntry(QJsonObject& fonts, const QString& key, const QString& member, const QJsonValue& value)
{
    QJsonObject entry = fonts[key].toObject();
    entry[member] = value;
    fonts[key] = entry;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int jobCount(const QString& queue)
{
    return run("lpstat", {"-W", "all", "-o", queue}).split('\n', Qt::SkipEmptyParts).size();
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void printsThroughSpooler();
    void testPrintGoesToCardPdf();
    void printThatCannotBeginIsReported();
    void shortcutPrints();
    void sizeZeroPrints();
    void shortRectangleIsNotPrinted();
    void noDefaultPrinter();

private:
    void requireFileQueue();
    void fill(const QStringList& texts);
    QPushButton* button(const QString& name);
    std::vector<Glyph> expectedGlyphs(const QStringList& texts);
    void checkPlacement(const QVector<PdfWord>& words, std::vector<Glyph> glyphs);
    QString testPrint(const QStringList& texts);

    std::unique_ptr<testsupport::WorkDir> m_dir;
    std::unique_ptr<Security> m_window;
    QString m_queue;
    QString m_outFile;
};

void TestPrinting::init()
{
    m_dir.reset(new testsupport::WorkDir);
    QVERIFY(m_dir->isValid());
    QVERIFY(m_dir->seedParams());
    QVERIFY(m_dir->seedFonts());
}

void TestPrinting::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle() == QStringLiteral("Просмотр"))
            delete widget;
    }
    m_window.reset();
    m_dir.reset();
}

// The tests print only to a queue that writes into a file, never to paper.
void TestPrinting::requireFileQueue()
{
    if (!run("lpstat", {"-r"}).contains("scheduler is running"))
        QFAIL("no print scheduler is reachable (tests/cups/print-queue.sh setup starts one)");
    const QString line = run("lpstat", {"-d"});
    const auto name = QRegularExpression("system default destination: (\\S+)").match(line);
    if (!name.hasMatch())
        QFAIL("no default printer (tests/cups/print-queue.sh setup makes one)");
    m_queue = name.captured(1);
    const auto uri = QRegularExpression("device-uri=(\\S+)").match(run("lpoptions", {"-p", m_queue}));
    if (!uri.hasMatch() || !uri.captured(1).startsWith("file:"))
        QFAIL(qPrintable("the default printer " + m_queue + " does not print into a file; refusing to print"));
    m_outFile = QUrl(uri.captured(1)).toLocalFile();
    QCOMPARE(QPrinterInfo::defaultPrinter().printerName(), m_queue);
}

void TestPrinting::fill(const QStringList& texts)
{
    if (!m_window) {
        m_window.reset(new Security);
        QCOMPARE(m_window->initialize(), 0);
    }
    for (int i = 0; i < kKeys.size(); ++i) {
        auto* edit = m_window->findChild<QLineEdit*>("lineEdit" + kKeys.at(i));
        QVERIFY2(edit, qPrintable(kKeys.at(i)));
        edit->setText(texts.value(i));
    }
    m_window->findChild<QDateEdit*>("lineEditDate")->setDate(QDate(2024, 3, 15));
}

QPushButton* TestPrinting::button(const QString& name)
{
    auto* found = m_window ? m_window->findChild<QPushButton*>(name) : nullptr;
    return found && found->isEnabled() ? found : nullptr;
}

// Works out every character's place the way the print button does, with a
// PDF printer set up like the real one so that the font metrics agree.
std::vector<Glyph> TestPrinting::expectedGlyphs(const QStringList& texts)
{
    cardlayout::FontTable fonts;
    cardlayout::CoordTable coords;
    cardlayout::Shift shift;
    readLayout(&fonts, &coords, &shift);
    cardlayout::SourceTexts sources;
    for (int i = 0; i < kKeys.size(); ++i)
        sources.insert(kKeys.at(i), texts.value(i));
    sources.insert("Date", "15.03.2024");

    QTemporaryDir scratch;
    QPrinter printer(QPrinter::ScreenResolution);
    printing::configurePrinter(printer, true, scratch.filePath("expected.pdf"));
    const float s = cardlayout::pageScale(float(printer.paperRect(QPrinter::Point).width()));
    QPainter painter(&printer);
    QFont font(cardlayout::resolveCardFamily(fonts, QFontDatabase()));

    std::vector<Glyph> glyphs;
    for (const cardlayout::CardField& field : cardlayout::composeCard(sources, s, fonts, coords)) {
        const int size = cardlayout::usableSize(field.size);
        font.setPixelSize(size);
        painter.setFont(font);
        const QFontMetricsF exact(font, &printer);
        const auto metrics = cardlayout::glyphMetrics(field.text, painter);
        const auto cells = cardlayout::glyphCells(field.rect, metrics, size, field.align, s, shift);
        for (int i = 0; i < cells.size(); ++i) {
            const QChar ch = field.text.at(i);
            if (ch.isSpace())
                continue;
            // drawText centres the exact advance in the whole-point cell.
            const double width = exact.horizontalAdvance(ch);
            const double left = cells.at(i).left() + (cells.at(i).width() - width) / 2;
            Glyph glyph;
            glyph.ch = ch;
            glyph.left = left;
            glyph.right = left + width;
            glyph.top = cells.at(i).top();
            glyphs.push_back(glyph);
        }
    }
    return glyphs;
}

// Every word that the PDF holds must be a run of expected characters at
// their places, within a point, and every expected character must be there.
void TestPrinting::checkPlacement(const QVector<PdfWord>& words, std::vector<Glyph> glyphs)
{
    for (const PdfWord& word : words) {
        int best = -1;
        double bestDistance = 1e9;
        for (int j = 0; j + word.text.size() <= int(glyphs.size()); ++j) {
            bool same = true;
            for (int c = 0; c < word.text.size() && same; ++c)
                same = glyphs.at(size_t(j + c)).ch == word.text.at(c) && !glyphs.at(size_t(j + c)).seen;
            const double distance = qAbs(glyphs.at(size_t(j)).left - word.xMin) + qAbs(glyphs.at(size_t(j)).top - word.yMin);
            if (same && distance < bestDistance) {
                best = j;
                bestDistance = distance;
            }
        }
        QVERIFY2(best >= 0, qPrintable("unexpected text on the page: " + word.text));
        const Glyph& first = glyphs.at(size_t(best));
        const Glyph& last = glyphs.at(size_t(best + word.text.size() - 1));
        const QString where = QString("'%1' at %2,%3 expected %4,%5")
                                  .arg(word.text)
                                  .arg(word.xMin)
                                  .arg(word.yMin)
                                  .arg(first.left)
                                  .arg(first.top);
        QVERIFY2(qAbs(word.xMin - first.left) <= 1.0, qPrintable(where));
        QVERIFY2(qAbs(word.xMax - last.right) <= 1.0, qPrintable(where + " (right edge)"));
        QVERIFY2(qAbs(word.yMin - first.top) <= 1.0, qPrintable(where + " (top)"));
        for (int c = 0; c < word.text.size(); ++c)
            glyphs[size_t(best + c)].seen = true;
    }
    for (const Glyph& glyph : glyphs)
        QVERIFY2(glyph.seen, qPrintable(QString("missing on the page: ") + glyph.ch));
}

void TestPrinting::printsThroughSpooler()
{
    requireFileQueue();
    if (QTest::currentTestFailed())
        return;
    QFile::remove(m_outFile);
    QVERIFY(!QFile::exists(m_outFile));

    // Spaced letters make every letter of the surname a word of its own.
    const QStringList texts = {"Ж У К", "Иван", "", "ООО", "ЧОО «Щит»", "Генеральный директор", ""};
    fill(texts);
    QPushButton* print = button("buttonPrint");
    QVERIFY(print);

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(print, Qt::LeftButton);
    const qint64 clicked = clock.elapsed();
    // Done when the queue is empty and the file holds a whole PDF.
    QTRY_VERIFY_WITH_TIMEOUT(
        run("lpstat", {"-o", m_queue}).trimmed().isEmpty() && fileBytes(m_outFile).contains("%%EOF"), 60000);
    qInfo("click took %lld ms; the PDF was in the queue's file after %lld ms", clicked, clock.elapsed());

    QSizeF page;
    const QVector<PdfWord> words = pdfWords(m_outFile, &page);
    QCOMPARE(page, QSizeF(297, 420));  // A6 at 72 dpi
    QVERIFY(!words.isEmpty());

    // The first letter of the left-aligned surname sits at the corner of its
    // rectangle, 297 / 110 points per card millimetre.
    cardlayout::FontTable fonts;
    cardlayout::CoordTable coords;
    cardlayout::Shift shift;
    readLayout(&fonts, &coords, &shift);
    QCOMPARE(fonts["Surname"]["align"], QString("Left"));
    const double x = (coords["Surname"].value(0) + shift.lrShift) * 297 / 110;
    const double y = (coords["Surname"].value(1) - shift.udShift) * 297 / 110;
    const auto zhe = std::find_if(words.begin(), words.end(), [](const PdfWord& w) { return w.text == "Ж"; });
    QVERIFY(zhe != words.end());
    QVERIFY2(qAbs(zhe->xMin - x) <= 1.0, qPrintable(QString("%1 for %2").arg(zhe->xMin).arg(x)));
    QVERIFY2(qAbs(zhe->yMin - y) <= 1.0, qPrintable(QString("%1 for %2").arg(zhe->yMin).arg(y)));

    checkPlacement(words, expectedGlyphs(texts));
}

// Prints in the test print mode and returns the text of "card.pdf" without blanks.
QString TestPrinting::testPrint(const QStringList& texts)
{
    requireFileQueue();
    if (QTest::currentTestFailed())
        return QString();
    fill(texts);
    const int jobs = jobCount(m_queue);
    QPushButton* print = button("buttonPrint");
    if (!print)
        return QString();
    QTest::mouseClick(print, Qt::LeftButton);
    // Nothing goes to the spooler in the test print mode.
    if (jobCount(m_queue) != jobs)
        return QString("a job went to the printer");
    // The letters stand apart by a gap, so pdftotext splits words up.
    bool ok = false;
    const QString text = run("pdftotext", {"card.pdf", "-"}, &ok);
    return ok ? text.simplified().remove(' ') : QString();
}

void TestPrinting::testPrintGoesToCardPdf()
{
    // A blank that is white but for a black block at a tenth to three tenths
    // of its width and height.
    QImage blank(1300, 1654, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QPainter(&blank).fillRect(130, 165, 260, 331, Qt::black);
    QVERIFY(blank.save("card.png"));

    const QString text = testPrint({"Жуков", "Иван", "", "ООО qZk", "Щит", "Директор", "Петров"});
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(text.contains("Жуков") && text.contains("qZk"), qPrintable(text));
    QVERIFY(fileBytes("card.pdf").startsWith("%PDF-1.4"));

    QVERIFY(QProcess::execute("pdftoppm", {"-r", "72", "-png", "-singlefile", "card.pdf", "page"}) == 0);
    const QImage page("page.png");
    QCOMPARE(page.size(), QSize(297, 420));
    QVERIFY(qGray(page.pixel(60, 84)) < 64);     // inside the block, stretched to the page
    QVERIFY(qGray(page.pixel(20, 20)) > 192);    // the blank's white
    QVERIFY(qGray(page.pixel(250, 400)) > 192);  // nothing printed down there
}

void TestPrinting::printThatCannotBeginIsReported()
{
    requireFileQueue();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(QDir().mkdir("card.pdf"));  // the PDF cannot be written
    testsupport::ModalAnswer answer(testsupport::clickOk());
    answer.arm();
    const QString text = testPrint({"Жуков", "Иван", "", "qzk", "Щит", "Директор", "Петров"});
    // Waits out the watcher's polling too, should the box never come.
    QTRY_VERIFY_WITH_TIMEOUT(answer.answered(), 30000);
    QCOMPARE(answer.title(), QString("Ошибка"));
    QCOMPARE(answer.text(), QString("Не удалось начать печать"));
    QCOMPARE(answer.buttonTexts(), QStringList{"OK"});
    QVERIFY(text.isEmpty());
}

void TestPrinting::shortcutPrints()
{
    requireFileQueue();
    if (QTest::currentTestFailed())
        return;
    fill({"Жуков", "Иван", "", "ООО qzk", "Щит", "Директор", "Петров"});
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(!QFile::exists("card.pdf"));
    QTest::keyClick(m_window->findChild<QLineEdit*>("lineEditDir"), Qt::Key_P, Qt::ControlModifier);
    QVERIFY(fileBytes("card.pdf").startsWith("%PDF-1.4"));
}

void TestPrinting::sizeZeroPrints()
{
    QVERIFY(testsupport::editParamsFonts([](QJsonObject& fonts) {
        setEntry(fonts, "Surname", "size", "0");
        setEntry(fonts, "Name", "size", "двенадцать");
    }));
    const QString text = testPrint({"Жуков", "Иван", "", "qzk", "Щит", "Директор", "Петров"});
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(text.contains("Петров"), qPrintable(text));

    // Both fields come out in tiny letters at their own lines, not in the
    // size of the field painted before them.
    cardlayout::FontTable fonts;
    cardlayout::CoordTable coords;
    cardlayout::Shift shift;
    readLayout(&fonts, &coords, &shift);
    const double surnameTop = (coords["Surname"].value(1) - shift.udShift) * 297 / 110;
    const double nameTop = (coords["Name"].value(1) - shift.udShift) * 297 / 110;
    QSizeF page;
    int tiny = 0;
    for (const PdfWord& word : pdfWords("card.pdf", &page)) {
        if (qAbs(word.yMin - surnameTop) < 3 || qAbs(word.yMin - nameTop) < 3) {
            QVERIFY2(word.yMax - word.yMin < 3, qPrintable(word.text));
            ++tiny;
        }
    }
    QVERIFY(tiny >= 2);
}

void TestPrinting::shortRectangleIsNotPrinted()
{
    QVERIFY(testsupport::editParamsFonts([](QJsonObject& fonts) { setEntry(fonts, "Date", "coords", QJsonArray{77.5, 63.25, 26.5}); }));
    const QString text = testPrint({"Жуков", "Иван", "", "qzk", "Щит", "Директор", "Петров"});
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(text.contains("Петров"), qPrintable(text));
    QVERIFY2(!text.contains("15.03.2024"), qPrintable(text));
}

// Needs no reachable scheduler (its own ctest entry points CUPS_SERVER nowhere).
void TestPrinting::noDefaultPrinter()
{
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        if (qEnvironmentVariableIsSet("CARDPRINT_EXPECT_NO_PRINTER"))
            QFAIL("a default printer was found although no scheduler should be reachable");
        QSKIP("a default printer exists; the entry tst_printing_noprinter covers this");
    }
    fill({"Жуков", "Иван", "", "ООО qzk", "Щит", "Директор", "Петров"});
    QVERIFY(button("buttonPrint") && button("buttonView"));
    testsupport::ModalAnswer answer(testsupport::clickOk());
    answer.arm();
    QTest::mouseClick(button("buttonPrint"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(answer.answered(), 30000);
    QCOMPARE(answer.title(), QString("Ошибка"));
    QCOMPARE(answer.text(), QString("Принтер не найден"));
    QCOMPARE(answer.buttonTexts(), QStringList{"OK"});
    QVERIFY(!QFile::exists("card.pdf"));

    // The preview needs no printer and shows no message.
    auto message = std::make_shared<QString>();
    QTimer::singleShot(0, [message] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *message = box->text();
            box->done(0);
        }
    });
    QTest::mouseClick(button("buttonView"), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(*message, QString());
    int previews = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        previews += widget->windowTitle() == QStringLiteral("Просмотр") ? 1 : 0;
    QCOMPARE(previews, 1);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"

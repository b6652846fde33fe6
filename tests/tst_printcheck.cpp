#include "app/security.h"
#include "card/cardlayout.h"
#include "card/layoutparams.h"
#include "card/picturetarget.h"
#include "card/preview.h"

#include "support/testsupport.h"

#include <QApplication>
#include <QDateEdit>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

using testsupport::PdfWord;

namespace {

const QStringList kKeys = {"Surname", "Name", "Patron", "Form", "Comp", "DirPost", "Dir"};
const QString kLongName = QStringLiteral("Частная охранная организация «Бастион-Север»");
const QStringList kFitting = {"Жуков", "Иван", "Петрович", "ООО", "ЧОО «Щит»", "Директор", "П. П. Петров"};
constexpr double kScale = 297.0 / 110;  // A6 at 72 dpi: points per card millimetre

bool editRoot(const std::function<void(QJsonObject&)>& edit)
{
    QFile file("params.txt");
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    edit(root);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(QJsonDocument(root).toJson()) > 0;
}

void setShifts(QJsonObject& root, double ud, double lr)
{
    QJsonObject data = root["data"].toObject();
    data["udShift"] = ud;
    data["lrShift"] = lr;
    root["data"] = data;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The card millimetres of a field's rectangle in the delivered layout.
QVector<float> rectOf(const QString& key)
{
    QFile file("params.txt");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QVector<float> numbers;
    const QJsonObject fonts = QJsonDocument::fromJson(file.readAll()).object()["data"].toObject()["fonts"].toObject();
    for (const QJsonValue value : fonts[key].toObject()["coords"].toArray())
        numbers.append(float(value.toDouble()));
    return numbers;
}

// The words printed on a field's line (their tops within the rectangle's height).
QVector<PdfWord> wordsOnLine(const QVector<PdfWord>& words, const QVector<float>& rect, double udShift)
{
    QVector<PdfWord> line;
    const double top = (rect.value(1) - udShift) * kScale;
    for (const PdfWord& word : words) {
        if (word.yMin >= top - 1 && word.yMin < top + rect.value(3) * kScale)
            line.append(word);
    }
    return line;
}

} // namespace

// The questions asked before printing and the printer choice, through the
// real spooler: every queue involved prints into a file.
class TestPrintCheck : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fitQuestionAnswers_data();
    void fitQuestionAnswers();
    void longNameFitsOrIsRefused_data();
    void longNameFitsOrIsRefused();
    void previewMarksWhatDoesNotFit();
    void previewKeepsProportionOnEveryScreen();
    void missingFamilyIsAsked();
    void printerWithoutA6IsAsked_data();
    void printerWithoutA6IsAsked();
    void chosenPrinterGetsTheCard_data();
    void chosenPrinterGetsTheCard();
    void vanishedPrinterIsNamed();
    void printerThatIsNoTextIsReported();

private:
    void requireQueues();
    void fill(const QStringList& texts);
    void clickPrint();
    // Prints, box answering the question or message that comes.
    void printAnswering(testsupport::ModalAnswer& box);
    // The titles of the preview windows shown.
    static QStringList previewTitles();
    QPushButton* button(const QString& name);

    std::unique_ptr<testsupport::WorkDir> m_dir;
    std::unique_ptr<Security> m_window;
};

void TestPrintCheck::init()
{
    m_dir.reset(new testsupport::WorkDir);
    QVERIFY(m_dir->isValid());
    QVERIFY(m_dir->seedParams());
    QVERIFY(m_dir->seedFonts());
    requireQueues(); // a failure here skips the test
}

void TestPrintCheck::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle().startsWith(QStringLiteral("Просмотр")) && widget->isVisible())
            delete widget;
    }
    m_window.reset();
    m_dir.reset();
}

// Never prints anywhere but into files.
void TestPrintCheck::requireQueues()
{
    for (const QString& suffix : {QString(), QString("a"), QString("b"), QString("noa6")}) {
        const QString queue = testsupport::testQueue(suffix);
        if (testsupport::queueFile(queue).isEmpty())
            QFAIL(qPrintable("queue " + queue + " missing or not printing into a file "
                             "(tests/cups/print-queue.sh setup or extra adds it)"));
    }
    QCOMPARE(QPrinterInfo::defaultPrinterName(), testsupport::testQueue());
}

void TestPrintCheck::fill(const QStringList& texts)
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

QPushButton* TestPrintCheck::button(const QString& name)
{
    auto* found = m_window ? m_window->findChild<QPushButton*>(name) : nullptr;
    return found && found->isEnabled() ? found : nullptr;
}

void TestPrintCheck::clickPrint()
{
    QPushButton* print = button("buttonPrint");
    QVERIFY(print);
    QTest::mouseClick(print, Qt::LeftButton);
}

void TestPrintCheck::printAnswering(testsupport::ModalAnswer& box)
{
    box.arm();
    clickPrint();
    QTRY_VERIFY_WITH_TIMEOUT(box.answered(), 30000);
}

QStringList TestPrintCheck::previewTitles()
{
    QStringList titles;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle().startsWith("Просмотр") && widget->isVisible())
            titles << widget->windowTitle();
    }
    return titles;
}

void TestPrintCheck::fitQuestionAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("printed");
    QTest::addColumn<bool>("inside");
    QTest::newRow("smaller letters") << "Уменьшить шрифт" << true << true;
    QTest::newRow("as it is") << "Печатать как есть" << true << false;
    QTest::newRow("cancel") << "Отмена" << false << false;
}

void TestPrintCheck::fitQuestionAnswers()
{
    QFETCH(QString, answer);
    QFETCH(bool, printed);
    QFETCH(bool, inside);
    const QString queue = testsupport::testQueue();
    const QString out = testsupport::queueFile(queue);
    QFile::remove(out);
    const QByteArray params = fileBytes("params.txt");
    const int jobs = testsupport::jobCount(queue);

    QStringList texts = kFitting;
    texts[4] = kLongName;
    texts[6] = "Иванов-Петровский Александр Владимирович";
    fill(texts);
    testsupport::ModalAnswer box(testsupport::clickButton(answer));
    printAnswering(box);
    QCOMPARE(box.title(), QString("Текст не помещается"));
    QCOMPARE(box.buttonTexts(), (QStringList{"Уменьшить шрифт", "Печатать как есть", "Отмена"}));
    QCOMPARE(box.defaultButtonText(), QString("Отмена"));
    QVERIFY(box.hasEscapeButton());
    // Each field that runs over, by what it holds and by how much; the others not.
    QVERIFY2(box.text().contains(QRegularExpression("организация: на \\d+,\\d мм")), qPrintable(box.text()));
    QVERIFY2(box.text().contains(QRegularExpression("руководитель: на \\d+,\\d мм")), qPrintable(box.text()));
    QVERIFY2(!box.text().contains("фамилия") && !box.text().contains("форма"), qPrintable(box.text()));

    if (!printed) {
        QTest::qWait(500);
        QCOMPARE(testsupport::jobCount(queue), jobs);
        QVERIFY(!QFile::exists(out));
        return;
    }
    QVERIFY(testsupport::waitForQueueFile(queue, QByteArray()));
    QCOMPARE(fileBytes("params.txt"), params);  // the smaller size is for this print only

    const QVector<PdfWord> words = testsupport::pdfWords(out);
    for (const QString& key : {QString("Comp"), QString("Dir"), QString("Surname")}) {
        const QVector<float> rect = rectOf(key);
        const QVector<PdfWord> line = wordsOnLine(words, rect, 0);
        QVERIFY2(!line.isEmpty(), qPrintable(key));
        bool allInside = true;
        for (const PdfWord& word : line)
            allInside = allInside && word.xMin >= rect[0] * kScale - 1 && word.xMax <= (rect[0] + rect[2]) * kScale + 1;
        // The surname fits anyway; the long ones only in smaller letters.
        QCOMPARE(allInside, inside || key == "Surname");
    }
}

// "Уменьшить шрифт" on a 71-character name prints it inside the card, over
// the legal form's line and its own; a name that cannot fit even at 6 points
// is said so, with no "Уменьшить шрифт" to choose.
void TestPrintCheck::longNameFitsOrIsRefused_data()
{
    QTest::addColumn<QString>("comp");
    QTest::addColumn<QStringList>("buttons");
    const QString name71 = QStringLiteral("Частная охранная организация «Северо-Западная служба охраны «Бастион2»»");
    QTest::newRow("71 characters") << name71 << QStringList{"Уменьшить шрифт", "Печатать как есть", "Отмена"};
    QTest::newRow("cannot fit at 6 pt") << QString(name71 + " " + name71 + " " + name71)
                                        << QStringList{"Печатать как есть", "Отмена"};
}

void TestPrintCheck::longNameFitsOrIsRefused()
{
    QFETCH(QString, comp);
    QFETCH(QStringList, buttons);
    const QString queue = testsupport::testQueue();
    const QString out = testsupport::queueFile(queue);
    QFile::remove(out);
    const int jobs = testsupport::jobCount(queue);
    QStringList texts = kFitting;
    texts[4] = comp;
    fill(texts);
    const bool shrinks = buttons.size() == 3;
    testsupport::ModalAnswer box(testsupport::clickButton(shrinks ? "Уменьшить шрифт" : "Отмена"));
    printAnswering(box);
    QCOMPARE(box.buttonTexts(), buttons);
    QCOMPARE(box.defaultButtonText(), QString("Отмена"));
    QCOMPARE(box.text().contains("Не помещается даже при размере 6 пт: организация."), !shrinks);
    // The preview says beforehand what "Уменьшить шрифт" can do.
    QTest::mouseClick(button("buttonView"), Qt::LeftButton);
    QCOMPARE(previewTitles(), QStringList{QString("Просмотр — не помещается полей: 1 — ")
                                 + (shrinks ? "«Уменьшить шрифт» уместит" : "не уместить даже при 6 пт: организация")});
    if (!shrinks) {
        QTest::qWait(500);
        QCOMPARE(testsupport::jobCount(queue), jobs);
        return;
    }
    QVERIFY(testsupport::waitForQueueFile(queue, QByteArray()));
    const QVector<PdfWord> words = testsupport::pdfWords(out);
    QStringList printed;
    for (const QString& key : {QString("Form"), QString("Comp")}) {
        const QVector<float> rect = rectOf(key);
        for (const PdfWord& word : wordsOnLine(words, rect, 0)) {
            QVERIFY2(word.xMin >= rect[0] * kScale - 1 && word.xMax <= (rect[0] + rect[2]) * kScale + 1,
                     qPrintable(word.text));
            printed << word.text;
        }
    }
    // Every letter of "ООО" and the name, in order, on the two lines.
    QCOMPARE(printed.join(QString()), QString("ООО" + comp).remove(' '));
}

void TestPrintCheck::previewMarksWhatDoesNotFit()
{
    QStringList texts = kFitting;
    texts[4] = kLongName;
    fill(texts);
    QVERIFY(button("buttonView"));
    QTest::mouseClick(button("buttonView"), Qt::LeftButton);
    QWidget* window = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle().startsWith("Просмотр") && widget->isVisible())
            window = widget;
    }
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QString("Просмотр — не помещается полей: 1 — «Уменьшить шрифт» уместит"));

    // The organisation's line is outlined in red, the surname's is not.
    const QImage picture = window->grab().toImage();
    const double scale = double(picture.width()) / 750;
    auto redAt = [&](int x, int y) {
        const QColor c = picture.pixelColor(int(x * scale), int(y * scale));
        return c.red() > 150 && c.red() > c.green() + 80 && c.red() > c.blue() + 80;
    };
    auto redNear = [&](int x, int y) { return redAt(x, y - 1) || redAt(x, y) || redAt(x, y + 1); };
    int red = 0;
    int redOnSurname = 0;
    for (int x = 270; x < 710; x += 2) {
        red += redNear(x, 286) ? 1 : 0;
        redOnSurname += redNear(x, 94) ? 1 : 0;
    }
    QVERIFY2(red > 100, qPrintable(QString::number(red)));
    QCOMPARE(redOnSurname, 0);
}

// The letters of the preview take the same share of the card's picture on a
// 1366 pixel wide screen as on a 1920 pixel wide one.
void TestPrintCheck::previewKeepsProportionOnEveryScreen()
{
    LayoutParams layout;
    QString error;
    QCOMPARE(readLayoutParams("params.txt", &layout, &error), LayoutReadResult::Ok);
    auto picture = [&layout](const QString& text, int screenWidth) {
        const printjob::CardTexts card{{{"Surname", text}, {"Name", ""}, {"Patron", ""}, {"Form", ""}, {"Comp", ""},
                                        {"DirPost", ""}, {"Dir", ""}},
                                       QString(), QString(), QString()};
        std::unique_ptr<QWidget> window(preview::show(
            printjob::previewCard(card, layout, preview::windowSize(screenWidth)).picture, screenWidth));
        return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    // The letters' ink: what differs from the same card without them.
    auto inkShare = [&picture](int screenWidth) {
        const QImage with = picture("Жуков", screenWidth);
        const QImage without = picture(QString(), screenWidth);
        int left = with.width(), right = 0;
        for (int y = 0; y < with.height(); ++y) {
            for (int x = 0; x < with.width(); ++x) {
                if (qAbs(qGray(with.pixel(x, y)) - qGray(without.pixel(x, y))) > 60) {
                    left = qMin(left, x);
                    right = qMax(right, x);
                }
            }
        }
        return double(right - left) / with.width();
    };
    const double fullHd = inkShare(1920);
    const double laptop = inkShare(1366);
    QVERIFY2(fullHd > 0.1, qPrintable(QString::number(fullHd)));
    QVERIFY2(qAbs(laptop - fullHd) < 0.02, qPrintable(QString("%1 against %2").arg(laptop).arg(fullHd)));
}

void TestPrintCheck::missingFamilyIsAsked()
{
    QVERIFY(testsupport::editParamsFonts([](QJsonObject& fonts) {
        QJsonObject entry = fonts["Surname"].toObject();
        entry["family"] = "Нет Такого Шрифта";
        fonts["Surname"] = entry;
    }));
    const QString queue = testsupport::testQueue();
    const int jobs = testsupport::jobCount(queue);
    fill(kFitting);
    testsupport::ModalAnswer box(testsupport::clickButton("Отмена"));
    printAnswering(box);
    QVERIFY2(box.text().startsWith("Шрифт «Нет Такого Шрифта» не найден, будет использован «"), qPrintable(box.text()));
    QVERIFY(!box.text().contains("использован «Нет Такого Шрифта»"));
    QCOMPARE(box.buttonTexts(), (QStringList{"Печатать", "Отмена"}));
    QTest::qWait(300);
    QCOMPARE(testsupport::jobCount(queue), jobs);

    QTest::mouseClick(button("buttonView"), Qt::LeftButton);
    const QString titles = previewTitles().join("|");
    QVERIFY2(titles.contains("шрифт «Нет Такого Шрифта» не найден"), qPrintable(titles));
}

void TestPrintCheck::printerWithoutA6IsAsked_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("print") << "Печатать";
    QTest::newRow("cancel") << "Отмена";
}

void TestPrintCheck::printerWithoutA6IsAsked()
{
    QFETCH(QString, answer);
    const QString queue = testsupport::testQueue("noa6");
    QVERIFY(editRoot([&](QJsonObject& root) { root["printer"] = queue; }));
    const int jobs = testsupport::jobCount(queue);
    const QByteArray before = fileBytes(testsupport::queueFile(queue));
    fill(kFitting);
    testsupport::ModalAnswer box(testsupport::clickButton(answer));
    printAnswering(box);
    QVERIFY2(box.text().startsWith("Принтер «" + queue + "» не знает формата A6"), qPrintable(box.text()));
    QCOMPARE(box.buttonTexts(), (QStringList{"Печатать", "Отмена"}));
    QCOMPARE(box.defaultButtonText(), QString("Отмена"));
    if (answer == "Отмена") {
        QTest::qWait(300);
        QCOMPARE(testsupport::jobCount(queue), jobs);
    } else {
        QVERIFY(testsupport::waitForQueueFile(queue, before));
        QCOMPARE(testsupport::jobCount(queue), jobs + 1);
    }
}

void TestPrintCheck::chosenPrinterGetsTheCard_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<double>("udShift");
    QTest::addColumn<double>("lrShift");
    QTest::newRow("queue a") << "a" << 2.0 << -3.0;
    QTest::newRow("queue b") << "b" << -4.5 << 6.5;
}

// The card goes to the chosen queue, with the shifts that the file holds for it.
void TestPrintCheck::chosenPrinterGetsTheCard()
{
    QFETCH(QString, suffix);
    QFETCH(double, udShift);
    QFETCH(double, lrShift);
    const QString queue = testsupport::testQueue(suffix);
    const QString out = testsupport::queueFile(queue);
    QFile::remove(out);
    const int defaultJobs = testsupport::jobCount(testsupport::testQueue());
    QVERIFY(editRoot([&](QJsonObject& root) {
        root["printer"] = queue;
        setShifts(root, udShift, lrShift);
    }));
    QStringList texts = kFitting;
    texts[0] = "Ж У К";
    fill(texts);
    clickPrint();
    QVERIFY(testsupport::waitForQueueFile(queue, QByteArray()));
    QCOMPARE(testsupport::jobCount(testsupport::testQueue()), defaultJobs);

    const QVector<float> rect = rectOf("Surname");
    const QVector<PdfWord> words = testsupport::pdfWords(out);
    const auto zhe = std::find_if(words.begin(), words.end(), [](const PdfWord& w) { return w.text == "Ж"; });
    QVERIFY(zhe != words.end());
    const double x = (rect[0] + lrShift) * kScale;
    const double y = (rect[1] - udShift) * kScale;
    QVERIFY2(qAbs(zhe->xMin - x) <= 1.0, qPrintable(QString("%1 for %2").arg(zhe->xMin).arg(x)));
    QVERIFY2(qAbs(zhe->yMin - y) <= 1.0, qPrintable(QString("%1 for %2").arg(zhe->yMin).arg(y)));
}

void TestPrintCheck::vanishedPrinterIsNamed()
{
    const QString gone = testsupport::testQueue("removed-long-ago");
    QVERIFY(editRoot([&](QJsonObject& root) { root["printer"] = gone; }));
    const int jobs = testsupport::jobCount(testsupport::testQueue());
    fill(kFitting);
    testsupport::ModalAnswer box(testsupport::clickOk());
    printAnswering(box);
    QCOMPARE(box.title(), QString("Ошибка"));
    QVERIFY2(box.text().contains("«" + gone + "»") && box.text().contains("не найден"), qPrintable(box.text()));
    QTest::qWait(300);
    QCOMPARE(testsupport::jobCount(testsupport::testQueue()), jobs);  // no fallback to the default
}

void TestPrintCheck::printerThatIsNoTextIsReported()
{
    QVERIFY(editRoot([](QJsonObject& root) { root["printer"] = 42; }));
    const QString queue = testsupport::testQueue();
    const QByteArray params = fileBytes("params.txt");
    const QString out = testsupport::queueFile(queue);
    QFile::remove(out);
    fill(kFitting);
    testsupport::ModalAnswer box(testsupport::clickOk());
    printAnswering(box);
    QVERIFY2(box.text().contains("\"printer\""), qPrintable(box.text()));
    // Read as absent: the card goes to the default printer, the file stays.
    QVERIFY(testsupport::waitForQueueFile(queue, QByteArray()));
    QCOMPARE(fileBytes("params.txt"), params);
}

QTEST_MAIN(TestPrintCheck)
#include "tst_printcheck.moc"

#include "app/security.h"
#include "card/calibration.h"
#include "card/dialog.h"
#include "card/layoutparams.h"
#include "card/printerchoice.h"
#include "card/printing.h"

#include "support/testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QImage>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using testsupport::PdfWord;

namespace {

constexpr float kScale = 297.0f / 110;

// The file is in Windows-1251: read it as the program does.
QJsonObject readRoot()
{
    LayoutParams params;
    QString error;
    return readLayoutParams("params.txt", &params, &error) == LayoutReadResult::Ok ? params.root : QJsonObject();
}

bool writeRoot(const QJsonObject& root)
{
    QFile file("params.txt");
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(QJsonDocument(root).toJson()) > 0;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs the settings dialog of the window and lets `act` work in it before OK;
// false when the dialog did not open.
bool runSettings(Security& window, const std::function<void(Dialog*)>& act)
{
    auto ran = std::make_shared<bool>(false);
    std::function<void()> poll;
    poll = [&, ran] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(20, poll);
            return;
        }
        act(dialog);
        *ran = true;
        dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    };
    QTimer::singleShot(0, poll);
    QTest::mouseClick(window.findChild<QPushButton*>("buttonParams"), Qt::LeftButton);
    return *ran;
}

void choose(Dialog* dialog, const QString& printer)
{
    auto* list = dialog->findChild<QComboBox*>("comboBoxPrinter");
    QVERIFY(list);
    const int index = list->findData(printer);
    QVERIFY2(index >= 0, qPrintable(printer));
    list->setCurrentIndex(index);
}

double shiftBox(Dialog* dialog, const char* name)
{
    return dialog->findChild<QDoubleSpinBox*>(name)->value();
}

} // namespace

class TestCalibration : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void measuredErrorCorrectsShift_data();
    void measuredErrorCorrectsShift();
    void badPrinterMembersReadAsAbsent_data();
    void badPrinterMembersReadAsAbsent();
    void printerNameOutsideWindows1251IsEscaped();
    void sheetMarksInsidePrintableArea_data();
    void sheetMarksInsidePrintableArea();
    void sheetPrintsInRussian();
    void printerListMarksDefault();
    void untouchedPrinterListKeepsTheFile_data();
    void untouchedPrinterListKeepsTheFile();
    void shiftsFollowThePrinter();
    void defaultChosenAgainDropsTheName_data();
    void defaultChosenAgainDropsTheName();

private:
    bool requireQueues();
    std::unique_ptr<testsupport::WorkDir> m_dir;
};

void TestCalibration::init()
{
    m_dir.reset(new testsupport::WorkDir);
    QVERIFY(m_dir->isValid());
    QVERIFY(m_dir->seedParams());
    QVERIFY(m_dir->seedFonts());
}

void TestCalibration::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
    m_dir.reset();
}

bool TestCalibration::requireQueues()
{
    for (const QString& suffix : {QString(), QString("a"), QString("b")}) {
        if (testsupport::queueFile(testsupport::testQueue(suffix)).isEmpty()) {
            qWarning("queue %s missing or not printing into a file", qPrintable(testsupport::testQueue(suffix)));
            return false;
        }
    }
    return QPrinterInfo::defaultPrinterName() == testsupport::testQueue();
}

void TestCalibration::measuredErrorCorrectsShift_data()
{
    QTest::addColumn<int>("verticalSide");
    QTest::addColumn<double>("vertical");
    QTest::addColumn<int>("horizontalSide");
    QTest::addColumn<double>("horizontal");
    QTest::addColumn<double>("udShift");
    QTest::addColumn<double>("lrShift");
    // From shifts 1 and -1: below the line moves the text up, right of it
    // moves it left. Measured in paper millimetres, the shifts take blank
    // millimetres (110/105 of them), shown to a tenth.
    QTest::newRow("below and right") << 0 << 1.5 << 0 << 2.0 << 2.6 << -3.1;
    QTest::newRow("above and left") << 1 << 1.5 << 1 << 0.5 << -0.6 << -0.5;
    QTest::newRow("ten paper millimetres") << 0 << 10.5 << 1 << 10.5 << 12.0 << 10.0;
    QTest::newRow("nothing measured") << 1 << 0.0 << 0 << 0.0 << 1.0 << -1.0;
    QTest::newRow("clamped at the box's range") << 0 << 20.0 << 1 << 0.0 << 20.0 << -1.0;
}

void TestCalibration::measuredErrorCorrectsShift()
{
    QFETCH(int, verticalSide);
    QFETCH(double, vertical);
    QFETCH(int, horizontalSide);
    QFETCH(double, horizontal);
    QFETCH(double, udShift);
    QFETCH(double, lrShift);
    QMap<QString, QMap<QString, QString>> fonts;
    float ud = 1, lr = -1;
    Dialog dialog(&fonts, &ud, &lr);
    dialog.findChild<QComboBox*>("comboBoxErrorVertical")->setCurrentIndex(verticalSide);
    dialog.findChild<QDoubleSpinBox*>("spinBoxErrorVertical")->setValue(vertical);
    dialog.findChild<QComboBox*>("comboBoxErrorHorizontal")->setCurrentIndex(horizontalSide);
    dialog.findChild<QDoubleSpinBox*>("spinBoxErrorHorizontal")->setValue(horizontal);
    QTest::mouseClick(dialog.findChild<QPushButton*>("buttonCorrectShift"), Qt::LeftButton);
    QCOMPARE(ud, float(udShift));
    QCOMPARE(lr, float(lrShift));
    QCOMPARE(shiftBox(&dialog, "UDShift"), udShift);
    QCOMPARE(shiftBox(&dialog, "LRShift"), lrShift);
    // Entered once, the error is used up.
    QCOMPARE(dialog.findChild<QDoubleSpinBox*>("spinBoxErrorVertical")->value(), 0.0);
}

void TestCalibration::badPrinterMembersReadAsAbsent_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("printer");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("problems");
    QTest::newRow("printers is a number") << QByteArray(R"({"printers": 5})") << "" << QStringList() << 1;
    QTest::newRow("printers is an array") << QByteArray(R"({"printers": [1, 2]})") << "" << QStringList() << 1;
    QTest::newRow("shift as text") << QByteArray(R"({"printers": {"a": {"udShift": "1,5", "lrShift": 0},
        "b": {"udShift": 1, "lrShift": 2}}})") << "" << QStringList{"b"} << 1;
    QTest::newRow("entry not an object") << QByteArray(R"({"printers": {"a": 3}})") << "" << QStringList() << 1;
    QTest::newRow("printer is a number") << QByteArray(R"({"printer": 42})") << "" << QStringList() << 1;
    QTest::newRow("all well") << QByteArray(R"({"printer": "x", "printers": {"x": {"udShift": 1, "lrShift": -2}}})")
                              << "x" << QStringList{"x"} << 0;
}

void TestCalibration::badPrinterMembersReadAsAbsent()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, printer);
    QFETCH(QStringList, names);
    QFETCH(int, problems);
    QStringList said;
    const printerchoice::PrinterSettings settings =
        printerchoice::readSettings(QJsonDocument::fromJson(json).object(), &said);
    QCOMPARE(settings.printer, printer);
    QCOMPARE(settings.shifts.keys(), names);
    QCOMPARE(said.size(), problems);
}

void TestCalibration::printerNameOutsideWindows1251IsEscaped()
{
    LayoutParams params;
    QString error;
    QCOMPARE(readLayoutParams("params.txt", &params, &error), LayoutReadResult::Ok);
    const QString name = QString("Принтер ") + QChar(0x2603) + " 国";
    printerchoice::PrinterSettings settings;
    settings.printer = name;
    settings.shifts.insert(name, {1.5f, -2.0f});
    printerchoice::writeSettings(&params.root, settings);
    QVERIFY(writeLayoutParams("params.txt", &params, &error));

    const QByteArray bytes = fileBytes("params.txt");
    QVERIFY2(bytes.contains("\\u2603") && bytes.contains("\\u56fd"), bytes.constData());
    LayoutParams back;
    QCOMPARE(readLayoutParams("params.txt", &back, &error), LayoutReadResult::Ok);
    QStringList said;
    const printerchoice::PrinterSettings read = printerchoice::readSettings(back.root, &said);
    QCOMPARE(read.printer, name);
    QCOMPARE(read.shifts.value(name).udShift, 1.5f);
    QVERIFY(said.isEmpty());
}

// With shifts of up to 5 mm either way and with or without the driver's
// margins, every ruler tick, crosshair arm, number and the instruction lie
// inside the printable area; the rulers count paper millimetres from the
// blank's edges and the four crosshairs are there.
void TestCalibration::sheetMarksInsidePrintableArea_data()
{
    QTest::addColumn<float>("ud");
    QTest::addColumn<float>("lr");
    QTest::addColumn<double>("margin");  // points on every side
    for (const double margin : {0.0, 12.0}) {
        for (const float ud : {-5.0f, 0.0f, 5.0f}) {
            for (const float lr : {-5.0f, 0.0f, 5.0f})
                QTest::addRow("ud %g lr %g margin %g", double(ud), double(lr), margin) << ud << lr << margin;
        }
    }
}

void TestCalibration::sheetMarksInsidePrintableArea()
{
    QFETCH(float, ud);
    QFETCH(float, lr);
    QFETCH(double, margin);
    const QRectF printable = QRectF(0, 0, 297.64, 419.53).adjusted(margin, margin, -margin, -margin);
    const calibration::SheetMarks marks = calibration::sheetMarks(printable, kScale, {ud, lr});
    for (const QLineF& line : marks.lines)
        QVERIFY(printable.contains(line.p1()) && printable.contains(line.p2()));
    for (const calibration::Label& label : marks.labels)
        QVERIFY2(printable.contains(label.box), qPrintable(label.text));
    QVERIFY(printable.contains(marks.instruction));
    QVERIFY(marks.instruction.width() > 150 && marks.instruction.height() > 60);

    // Ticks a paper millimetre apart, counted from the blank's left edge.
    const double left = double(lr * kScale), mm = 72 / 25.4;
    QVector<double> top;
    for (const QLineF& line : marks.lines) {
        if (line.x1() == line.x2() && qAbs(line.length() - 1.5 * mm) < 0.01)
            top << line.x1();
    }
    std::sort(top.begin(), top.end());
    QVERIFY(top.size() > 70);
    for (int i = 1; i < top.size(); ++i) {
        const double steps = (top.at(i) - left) / mm;
        QVERIFY(qAbs(steps - qRound(steps)) < 0.01);
    }
    const auto ten = std::find_if(marks.labels.begin(), marks.labels.end(),
                                  [](const calibration::Label& l) { return l.text == "50"; });
    QVERIFY(ten != marks.labels.end());
    QVERIFY(qAbs(ten->box.center().x() - (left + 50 * mm)) < 0.01
            || qAbs(ten->box.center().y() - (double(-ud * kScale) + 50 * mm)) < 0.01);
    // Four crosshairs of two 8 mm arms each, each with its distances.
    const int arms = int(std::count_if(marks.lines.begin(), marks.lines.end(),
                                       [mm](const QLineF& l) { return qAbs(l.length() - 8 * mm) < 0.01; }));
    QCOMPARE(arms, 8);
    const int captions = int(std::count_if(marks.labels.begin(), marks.labels.end(),
                                           [](const calibration::Label& l) { return l.text.endsWith(" мм"); }));
    QCOMPARE(captions, 4);

    // The picture of the sheet in the operator's guide comes from here.
    const QString picture = qEnvironmentVariable("CARDPRINT_SHEET_PICTURE");
    if (!picture.isEmpty() && ud == 0 && lr == 0 && margin > 0) {
        LayoutParams delivered;
        QString error;
        QCOMPARE(readLayoutParams("params.txt", &delivered, &error),
                 LayoutReadResult::Ok);
        QImage image(QSize(298, 420) * 3, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(3, 3);
        calibration::paintSheet(painter, delivered.coords, kScale, {}, printable);
        painter.end();
        QVERIFY(image.save(picture));
    }
}

// The printed sheet: fields named in Russian inside their outlines, the
// instruction, the rulers' numbers where the marks put them.
void TestCalibration::sheetPrintsInRussian()
{
    QVERIFY2(requireQueues(), "the test queues are missing (tests/cups/print-queue.sh setup)");
    const QString queue = testsupport::testQueue("a");
    const QString out = testsupport::queueFile(queue);
    QFile::remove(out);
    QMap<QString, QMap<QString, QString>> fonts;
    float ud = 1.5f, lr = -2.5f;
    Dialog dialog(&fonts, &ud, &lr);
    printerchoice::PrinterSettings settings;
    dialog.setPrinters(&settings, printerchoice::destinations(), printerchoice::defaultDestination());
    dialog.setCoords({{"Surname", {38, 13.5f, 67.5f, 6.5f}}, {"Date", {77.5f, 63.25f, 26.5f, 6}}});
    choose(&dialog, queue);
    dialog.findChild<QDoubleSpinBox*>("UDShift")->setValue(1.5);
    dialog.findChild<QDoubleSpinBox*>("LRShift")->setValue(-2.5);
    QTest::mouseClick(dialog.findChild<QPushButton*>("buttonCalibration"), Qt::LeftButton);
    QVERIFY(testsupport::waitForQueueFile(queue, QByteArray()));

    const QVector<PdfWord> words = testsupport::pdfWords(out);
    auto word = [&words](const QString& text) {
        return std::find_if(words.begin(), words.end(), [&text](const PdfWord& w) { return w.text == text; });
    };
    const auto surname = word("Фамилия");
    QVERIFY(surname != words.end());
    QVERIFY(qAbs(surname->xMin - (38 - 2.5) * kScale) < 3);
    QVERIFY(surname->yMin > (13.5 - 1.5) * kScale && surname->yMax < (20 - 1.5) * kScale);
    QVERIFY(word("«Исправить") != words.end());
    QVERIFY(word("Surname") == words.end());
    // The marks as placed for this printer's own printable area.
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPrinterName(queue);
    printing::configurePrinter(printer, false);
    const QRectF printable = calibration::printableArea(printer);
    const calibration::SheetMarks marks = calibration::sheetMarks(printable, kScale, {ud, lr});
    int numbers = 0, rulerNumbers = 0;
    for (const calibration::Label& label : marks.labels) {
        if (label.text.contains(' '))
            continue;  // a cross's distances, split into words by pdftotext
        ++rulerNumbers;
        const auto printed = std::find_if(words.begin(), words.end(), [&label](const PdfWord& w) {
            return w.text == label.text && qAbs((w.xMin + w.xMax) / 2 - label.box.center().x()) < 1.5
                   && qAbs((w.yMin + w.yMax) / 2 - label.box.center().y()) < 2;
        });
        numbers += printed != words.end();
    }
    QVERIFY2(rulerNumbers >= 10, qPrintable(QString::number(rulerNumbers)));
    QCOMPARE(numbers, rulerNumbers);
    for (const PdfWord& w : words)
        QVERIFY2(printable.contains(QRectF(w.xMin, w.yMin, w.xMax - w.xMin, w.yMax - w.yMin)), qPrintable(w.text));
}

void TestCalibration::printerListMarksDefault()
{
    QMap<QString, QMap<QString, QString>> fonts;
    float ud = 0, lr = 0;
    Dialog dialog(&fonts, &ud, &lr);
    printerchoice::PrinterSettings settings;
    settings.printer = "ушёл";
    dialog.setPrinters(&settings, {"p1", "p2"}, "p2");
    auto* list = dialog.findChild<QComboBox*>("comboBoxPrinter");
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    QCOMPARE(items, (QStringList{"p1", "p2 (по умолчанию)", "ушёл (не найден)"}));
    QCOMPARE(list->currentText(), QString("ушёл (не найден)"));
    // The new widgets follow the form's own in the tab chain.
    QWidget* last = dialog.findChild<QDialogButtonBox*>("buttonBox");
    QVERIFY(last);
    QStringList after;
    for (QWidget* w = last->nextInFocusChain(); w && w != &dialog; w = w->nextInFocusChain())
        after << w->objectName();
    QVERIFY2(after.contains("comboBoxPrinter") && after.contains("buttonCorrectShift"), qPrintable(after.join(',')));
}

void TestCalibration::untouchedPrinterListKeepsTheFile_data()
{
    QTest::addColumn<QString>("printers"); // written into params.txt first; empty: the delivered file
    QTest::newRow("delivered file written as before") << "";
    QTest::newRow("unreadable \"printers\" said and kept") << "всё сломано";
}

// Accepting the settings without touching the printer list keeps params.txt;
// a "printers" that cannot be read is said, and kept as it is.
void TestCalibration::untouchedPrinterListKeepsTheFile()
{
    QFETCH(QString, printers);
    QJsonObject root = readRoot();
    if (!printers.isEmpty())
        root["printers"] = printers;
    QVERIFY(printers.isEmpty() || writeRoot(root));
    const QByteArray before = fileBytes("params.txt");
    Security window;
    QCOMPARE(window.initialize(), 0);
    testsupport::ModalAnswer box(testsupport::clickOk());
    box.arm();
    QVERIFY(runSettings(window, [](Dialog*) {}));
    QCOMPARE(box.answered(), !printers.isEmpty());
    QVERIFY2(printers.isEmpty() || box.text().contains("\"printers\""), qPrintable(box.text()));
    if (printers.isEmpty())
        QCOMPARE(fileBytes("params.txt"), before);
    else
        QCOMPARE(readRoot()["printers"].toString(), printers);
}

// Switching printers in the settings keeps each printer's shifts; the card
// then goes to the chosen one with its own.
void TestCalibration::shiftsFollowThePrinter()
{
    QVERIFY2(requireQueues(), "the test queues are missing (tests/cups/print-queue.sh setup)");
    const QString a = testsupport::testQueue("a"), b = testsupport::testQueue("b");
    QJsonObject root = readRoot();
    root["printers"] = QJsonObject{{a, QJsonObject{{"udShift", 2}, {"lrShift", -3}}}};
    QJsonObject data = root["data"].toObject();
    data["udShift"] = 1;
    data["lrShift"] = 1;
    root["data"] = data;
    QVERIFY(writeRoot(root));

    Security window;
    QCOMPARE(window.initialize(), 0);
    QVERIFY(runSettings(window, [&](Dialog* dialog) {
        QCOMPARE(shiftBox(dialog, "UDShift"), 1.0);
        choose(dialog, a);
        QCOMPARE(shiftBox(dialog, "UDShift"), 2.0);
        QCOMPARE(shiftBox(dialog, "LRShift"), -3.0);
        choose(dialog, b);
        QCOMPARE(shiftBox(dialog, "UDShift"), 0.0);
        dialog->findChild<QDoubleSpinBox*>("spinBoxErrorVertical")->setValue(1.5);
        dialog->findChild<QComboBox*>("comboBoxErrorHorizontal")->setCurrentIndex(1);  // left of the line
        dialog->findChild<QDoubleSpinBox*>("spinBoxErrorHorizontal")->setValue(4);
        QTest::mouseClick(dialog->findChild<QPushButton*>("buttonCorrectShift"), Qt::LeftButton);
    }));

    root = readRoot();
    QCOMPARE(root["printer"].toString(), b);
    const QJsonObject printers = root["printers"].toObject();
    QCOMPARE(printers[a].toObject()["udShift"].toDouble(), 2.0);
    QCOMPARE(printers[testsupport::testQueue()].toObject()["lrShift"].toDouble(), 1.0);  // the default, left
    // 1.5 and 4 mm measured on paper are 1.6 and 4.2 mm of the blank.
    QCOMPARE(printers[b].toObject()["udShift"].toDouble(), double(1.6f));
    QCOMPARE(root["data"].toObject()["udShift"].toDouble(), double(1.6f));  // an older copy prints as before
    QCOMPARE(root["data"].toObject()["lrShift"].toDouble(), double(4.2f));

    const QString out = testsupport::queueFile(b);
    QFile::remove(out);
    window.findChild<QLineEdit*>("lineEditSurname")->setText("Ж У К");
    for (const char* name : {"lineEditName", "lineEditPatron", "lineEditForm", "lineEditComp", "lineEditDirPost",
                             "lineEditDir"})
        window.findChild<QLineEdit*>(name)->setText("Щит");
    QTest::mouseClick(window.findChild<QPushButton*>("buttonPrint"), Qt::LeftButton);
    QVERIFY(testsupport::waitForQueueFile(b, QByteArray()));
    const QVector<PdfWord> words = testsupport::pdfWords(out);
    const auto zhe = std::find_if(words.begin(), words.end(), [](const PdfWord& w) { return w.text == "Ж"; });
    QVERIFY(zhe != words.end());
    QVERIFY2(qAbs(zhe->xMin - (38 + 4.2) * kScale) <= 1.0, qPrintable(QString::number(zhe->xMin)));
    QVERIFY2(qAbs(zhe->yMin - (13.5 - 1.6) * kScale) <= 1.0, qPrintable(QString::number(zhe->yMin)));
}

void TestCalibration::defaultChosenAgainDropsTheName_data()
{
    QTest::addColumn<QString>("stored"); // "printer" in params.txt before: a queue's suffix, or empty for none
    QTest::newRow("named printer, then the default") << "b";
    QTest::newRow("following the default, another chosen, then the default") << "";
}

// Choosing the system's default printer in the settings again leaves no other
// printer's name in params.txt: the cards go to the default once more.
void TestCalibration::defaultChosenAgainDropsTheName()
{
    QFETCH(QString, stored);
    QVERIFY2(requireQueues(), "the test queues are missing (tests/cups/print-queue.sh setup)");
    const QString a = testsupport::testQueue("a");
    const QString named = stored.isEmpty() ? QString() : testsupport::testQueue(stored);
    QJsonObject root = readRoot();
    if (!named.isEmpty())
        root["printer"] = named;
    QVERIFY(writeRoot(root));
    const QString systemDefault = printerchoice::defaultDestination();
    QCOMPARE(systemDefault, testsupport::testQueue());

    Security window;
    QCOMPARE(window.initialize(), 0);
    QVERIFY(runSettings(window, [&](Dialog* dialog) {
        choose(dialog, a);
        choose(dialog, systemDefault);
    }));
    QStringList said;
    const QString chosen = printerchoice::chosenPrinter(readRoot(), &said);
    QVERIFY2(chosen.isEmpty() || chosen == systemDefault, qPrintable(chosen));
    QVERIFY(said.isEmpty());
}

QTEST_MAIN(TestCalibration)
#include "tst_calibration.moc"

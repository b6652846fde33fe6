#include "app/security.h"
#include "card/dialog.h"
#include "card/layoutcanvas.h"
#include "card/layouteditor.h"
#include "card/layoutgeometry.h"
#include "card/layoutparams.h"
#include "util/decimalnumber.h"

#include "support/testsupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using cardlayout::FieldRect;
using layoutgeometry::Grip;
using testsupport::WorkDir;

Q_DECLARE_METATYPE(FieldRect)
Q_DECLARE_METATYPE(Grip)

namespace {

constexpr double kPointsPerMm = 72 / 25.4;

// Calls handler once, with the first visible modal window of type T.
template<typename T>
void whenModal(std::function<void(T*)> handler)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, handler] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!window || !window->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        handler(window);
    });
    timer->start();
}

void pressOk(QWidget* dialog, const char* boxName)
{
    dialog->findChild<QDialogButtonBox*>(boxName)->button(QDialogButtonBox::Ok)->click();
}

// Opens the settings of the window, then the layout editor in them; `inEditor`
// works there and closes it, then the settings are closed with OK.
void runEditor(Security& window, std::function<void(LayoutEditor*)> inEditor)
{
    whenModal<Dialog>([=](Dialog* dialog) {
        whenModal<LayoutEditor>([=](LayoutEditor* editor) {
            inEditor(editor);
            whenModal<Dialog>([](Dialog* settings) { pressOk(settings, "buttonBox"); });
        });
        dialog->findChild<QPushButton*>("buttonLayout")->click();
    });
    QTest::mouseClick(window.findChild<QPushButton*>("buttonParams"), Qt::LeftButton);
}

void typeInto(QAbstractSpinBox* box, const QString& text)
{
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Tab);
}

QVector<float> coordsOf(const QString& key)
{
    LayoutParams params;
    QString error;
    return readLayoutParams("params.txt", &params, &error) == LayoutReadResult::Ok ? params.coords.value(key)
                                                                                  : QVector<float>();
}

} // namespace

// The layout editor, the numbers typed in the settings and their reset.
class TestLayoutEditor : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void numbersReadAlike_data();
    void numbersReadAlike();
    void shiftTypedAlikeInEveryLocale_data();
    void shiftTypedAlikeInEveryLocale();
    void rectanglesHeldOnCard_data();
    void rectanglesHeldOnCard();
    void keyboardMovesAndSizes();
    void untouchedEditorWritesSameBytes_data();
    void untouchedEditorWritesSameBytes();
    void movedFieldPrintsWhereShown();
    void resetAsksAndKeepsPrinters();
};

void TestLayoutEditor::cleanup()
{
    QLocale::setDefault(QLocale::c());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestLayoutEditor::numbersReadAlike_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("reading");
    QTest::addColumn<double>("value");
    const int number = int(decimalnumber::Reading::Number);
    const int incomplete = int(decimalnumber::Reading::Incomplete);
    const int notNumber = int(decimalnumber::Reading::NotNumber);
    QTest::newRow("comma") << "-1,5" << number << -1.5;
    QTest::newRow("point") << "-1.5" << number << -1.5;
    QTest::newRow("no group separator") << "1,500" << number << 1.5;
    QTest::newRow("blanks around") << " +2 " << number << 2.0;
    QTest::newRow("trailing separator") << "3," << number << 3.0;
    QTest::newRow("leading separator") << ",5" << number << 0.5;
    QTest::newRow("sign alone") << "-" << incomplete << 0.0;
    QTest::newRow("empty") << "" << incomplete << 0.0;
    QTest::newRow("two separators") << "1,2.3" << notNumber << 0.0;
    QTest::newRow("letters") << "1,5мм" << notNumber << 0.0;
    QTest::newRow("exponent") << "1e3" << notNumber << 0.0;
}

void TestLayoutEditor::numbersReadAlike()
{
    QFETCH(QString, text);
    QFETCH(int, reading);
    QFETCH(double, value);
    double read = 0;
    QCOMPARE(int(decimalnumber::read(text, &read)), reading);
    QCOMPARE(read, value);
}

void TestLayoutEditor::shiftTypedAlikeInEveryLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<float>("shift");
    for (const QString locale : {"C", "ru_RU"}) {
        QTest::addRow("%s comma", qPrintable(locale)) << locale << "-1,5" << -1.5f;
        QTest::addRow("%s point", qPrintable(locale)) << locale << "-1.5" << -1.5f;
        QTest::addRow("%s not a number", qPrintable(locale)) << locale << "abc" << 2.0f;
        QTest::addRow("%s out of range", qPrintable(locale)) << locale << "-25" << 2.0f;
    }
}

void TestLayoutEditor::shiftTypedAlikeInEveryLocale()
{
    QFETCH(QString, locale);
    QFETCH(QString, typed);
    QFETCH(float, shift);
    QLocale::setDefault(QLocale(locale));
    QMap<QString, QMap<QString, QString>> fonts;
    float ud = 2, lr = 2;
    Dialog dialog(&fonts, &ud, &lr);
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* box = dialog.findChild<QDoubleSpinBox*>("UDShift");
    QSignalSpy refused(box, SIGNAL(refused(QString)));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, typed);
    // Refused text is marked while it stands in the box, and never taken.
    QCOMPARE(refused.isEmpty(), shift != 2.0f);
    QCOMPARE(box->styleSheet().isEmpty(), shift != 2.0f);
    QTest::keyClick(box, Qt::Key_Tab);
    QCOMPARE(ud, shift);
    QCOMPARE(box->text(), decimalnumber::format(double(shift), 1) + " мм бланка");
    QCOMPARE(lr, 2.0f);
}

void TestLayoutEditor::rectanglesHeldOnCard_data()
{
    QTest::addColumn<FieldRect>("rect");
    QTest::addColumn<Grip>("grip");
    QTest::addColumn<float>("dx");
    QTest::addColumn<float>("dy");
    QTest::addColumn<FieldRect>("expected");
    const FieldRect field{38, 20, 60, 6};
    QTest::newRow("moved inside") << field << Grip::Body << -8.0f << 10.0f << FieldRect{30, 30, 60, 6};
    QTest::newRow("moved off the left and top") << field << Grip::Body << -50.0f << -30.0f << FieldRect{0, 0, 60, 6};
    QTest::newRow("moved off the right and bottom") << field << Grip::Body << 40.0f << 200.0f
                                                    << FieldRect{50, 134, 60, 6};
    QTest::newRow("corner past the right edge") << field << Grip::BottomRight << 30.0f << 1.0f
                                                << FieldRect{38, 20, 72, 7};
    QTest::newRow("corner past the opposite one") << field << Grip::TopLeft << 70.0f << 10.0f
                                                  << FieldRect{96, 24, 2, 2};
    QTest::newRow("corner off the top") << field << Grip::TopRight << -5.0f << -25.0f << FieldRect{38, 0, 55, 26};
    QTest::newRow("wider than the card") << FieldRect{-5, 10, 130, 6} << Grip::Body << 0.0f << 0.0f
                                         << FieldRect{0, 10, 110, 6};
}

void TestLayoutEditor::rectanglesHeldOnCard()
{
    QFETCH(FieldRect, rect);
    QFETCH(Grip, grip);
    QFETCH(float, dx);
    QFETCH(float, dy);
    QFETCH(FieldRect, expected);
    const FieldRect got = layoutgeometry::dragged(rect, grip, dx, dy);
    QCOMPARE(QVector<float>({got.left, got.top, got.width, got.height}),
             QVector<float>({expected.left, expected.top, expected.width, expected.height}));
}

// Everything by keyboard: pick the field in the list, move it with the
// arrows, type its numbers and its size; a size out of range names the range.
void TestLayoutEditor::keyboardMovesAndSizes()
{
    const cardlayout::CoordTable coords{{"Date", {77.5f, 63.25f, 26.5f, 6}}, {"Surname", {38, 13.5f, 67.5f, 6.5f}}};
    const cardlayout::FontTable fonts{{"Date", {{"size", "12"}}}, {"Surname", {{"size", "13"}}}};
    LayoutEditor editor(fonts, coords, {{"Surname", "Жуков"}, {"Date", "01.09.2026"}});
    editor.show();
    QApplication::setActiveWindow(&editor);
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    auto* list = editor.findChild<QListWidget*>("listFields");
    list->setFocus();
    QCOMPARE(editor.currentKey(), QString("Surname"));  // the card's order
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(editor.currentKey(), QString("Date"));
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(editor.currentKey(), QString("Surname"));
    QWidget* canvas = editor.findChild<QWidget*>("canvasLayout");
    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_Right);
    QTest::keyClick(canvas, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(editor.coords()["Surname"][0], 38 + layoutgeometry::toCardMm(0.5f));
    QCOMPARE(editor.coords()["Surname"][1], 13.5f + layoutgeometry::toCardMm(5));
    typeInto(editor.findChild<QDoubleSpinBox*>("spinBoxFieldLeft"), "30,0");
    QCOMPARE(editor.coords()["Surname"][0], layoutgeometry::toCardMm(30));
    typeInto(editor.findChild<QDoubleSpinBox*>("spinBoxFieldSize"), "40");
    QCOMPARE(editor.fonts()["Surname"]["size"], QString("13"));
    QCOMPARE(editor.findChild<QLabel*>("labelLayoutStatus")->text(), QString("Допустимо от 6 до 28"));
    typeInto(editor.findChild<QDoubleSpinBox*>("spinBoxFieldSize"), "8");
    QCOMPARE(editor.fonts()["Surname"]["size"], QString("8"));
    // The other field is as it was, to the bit.
    QCOMPARE(editor.coords()["Date"], coords["Date"]);
    QCOMPARE(editor.fonts()["Date"], fonts["Date"]);
}

void TestLayoutEditor::untouchedEditorWritesSameBytes_data()
{
    QTest::addColumn<QString>("close");
    QTest::addColumn<bool>("moved");
    QTest::newRow("OK without a change") << "ok" << false;
    QTest::newRow("Cancel after a move") << "cancel" << true;
    QTest::newRow("Escape after a move") << "escape" << true;
}

void TestLayoutEditor::untouchedEditorWritesSameBytes()
{
    QFETCH(QString, close);
    QFETCH(bool, moved);
    WorkDir dir;
    QVERIFY(dir.seedParams() && dir.seedFonts());
    const QByteArray before = dir.readFile("params.txt");
    Security window;
    QCOMPARE(window.initialize(), 0);
    runEditor(
        window,
        [=](LayoutEditor* editor) {
            if (moved) {
                editor->canvas()->setFocus();
                QTest::keyClick(editor->canvas(), Qt::Key_Left, Qt::ShiftModifier);
            }
            if (close == "ok")
                pressOk(editor, "buttonBoxLayout");
            else if (close == "escape")
                QTest::keyClick(editor, Qt::Key_Escape);
            else
                editor->findChild<QDialogButtonBox*>("buttonBoxLayout")->button(QDialogButtonBox::Cancel)->click();
        });
    QCOMPARE(dir.readFile("params.txt"), before);
}

// Placed by typed millimetres on paper, the surname's first letter prints
// there: the editor's numbers are true millimetres.
void TestLayoutEditor::movedFieldPrintsWhereShown()
{
    WorkDir dir;
    QVERIFY(dir.seedParams() && dir.seedFonts());
    Security window;
    QCOMPARE(window.initialize(), 0);
    runEditor(
        window,
        [](LayoutEditor* editor) {
            QApplication::setActiveWindow(editor);
            editor->setCurrentKey("Surname");
            // The picture of the editor in the operator's guide comes from here.
            const QString shot = qEnvironmentVariable("CARDPRINT_EDITOR_SCREENSHOT");
            if (!shot.isEmpty()) {
                editor->resize(editor->sizeHint());
                QVERIFY(editor->grab().save(shot));
            }
            typeInto(editor->findChild<QDoubleSpinBox*>("spinBoxFieldLeft"), "20,5");
            typeInto(editor->findChild<QDoubleSpinBox*>("spinBoxFieldTop"), "50");
            pressOk(editor, "buttonBoxLayout");
        });
    QCOMPARE(coordsOf("Surname").mid(0, 2).toList(),
             QList<float>({layoutgeometry::toCardMm(20.5f), layoutgeometry::toCardMm(50)}));

    const QStringList texts = {"Surname", "Жуков", "Form", "qzk", "Dir", "Петров", "Name", "Иван", "Patron", "Ильич"};
    for (int i = 0; i < texts.size(); i += 2)
        window.findChild<QLineEdit*>("lineEdit" + texts.at(i))->setText(texts.at(i + 1));
    QTest::mouseClick(window.findChild<QPushButton*>("buttonPrint"), Qt::LeftButton);
    const QVector<testsupport::PdfWord> words = testsupport::pdfWords("card.pdf");
    const auto zhe = std::find_if(words.begin(), words.end(),
                                  [](const testsupport::PdfWord& w) { return w.text.startsWith("Ж"); });
    QVERIFY2(zhe != words.end(), qPrintable(QString("%1 words, card.pdf %2").arg(words.size()).arg(QFile::exists("card.pdf"))));
    QVERIFY2(qAbs(zhe->xMin / kPointsPerMm - 20.5) <= 0.5, qPrintable(QString::number(zhe->xMin / kPointsPerMm)));
    QVERIFY2(qAbs(zhe->yMin / kPointsPerMm - 50) <= 0.5, qPrintable(QString::number(zhe->yMin / kPointsPerMm)));
}

// The reset asks; answered, it brings the fields back and keeps the printers
// with their shifts. Cancelled, it does nothing.
void TestLayoutEditor::resetAsksAndKeepsPrinters()
{
    WorkDir dir;
    QVERIFY(dir.seedParams());
    QVERIFY(testsupport::editParamsFonts([](QJsonObject& fonts) {
        QJsonObject surname = fonts["Surname"].toObject();
        surname["size"] = "20";
        fonts["Surname"] = surname;
    }));
    LayoutParams params;
    QString error;
    QCOMPARE(readLayoutParams("params.txt", &params, &error), LayoutReadResult::Ok);
    params.root["printer"] = "Кабинет";
    params.root["printers"] = QJsonObject{{"Кабинет", QJsonObject{{"udShift", 1.5}, {"lrShift", -2}}}};
    params.udShift = 1.5f;
    params.lrShift = -2;
    QVERIFY(writeLayoutParams("params.txt", &params, &error));
    const QByteArray before = dir.readFile("params.txt");

    for (const QString answer : {"Отмена", "Сбросить"}) {
        QMap<QString, QMap<QString, QString>> fonts;
        float ud = 0, lr = 0;
        Dialog dialog(&fonts, &ud, &lr);
        testsupport::ModalAnswer question(testsupport::clickButton(answer));
        question.arm();
        QTest::mouseClick(dialog.findChild<QPushButton*>("buttonResetSettings"), Qt::LeftButton);
        QVERIFY(question.answered());
        QCOMPARE(question.text(), QString("Вернуть расположение полей к исходному? Принтеры и их сдвиги сохранятся."));
        QCOMPARE(question.defaultButtonText(), QString("Отмена"));
        if (answer == "Отмена") {
            QCOMPARE(dir.readFile("params.txt"), before);
            QVERIFY(dialog.isVisible());
        }
    }
    QCOMPARE(readLayoutParams("params.txt", &params, &error), LayoutReadResult::Ok);
    QCOMPARE(params.fonts["Surname"]["size"], QString("13"));
    QCOMPARE(params.root["printer"].toString(), QString("Кабинет"));
    QCOMPARE(params.root["printers"].toObject()["Кабинет"].toObject()["lrShift"].toDouble(), -2.0);
    QCOMPARE(params.udShift, 1.5f);
    QCOMPARE(params.lrShift, -2.0f);
}

QTEST_MAIN(TestLayoutEditor)
#include "tst_layouteditor.moc"

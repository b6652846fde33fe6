#include "app/security.h"
#include "card/dialog.h"
#include "card/layoutparams.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QJsonDocument>
#include <QLabel>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using testsupport::WorkDir;
using Fonts = QMap<QString, QMap<QString, QString>>;

namespace {

const QStringList kEightKeys = {"Comp", "Date", "Dir", "DirPost", "Form", "Name", "Patron", "Surname"};

// Every field in one family, size 12, centred; plus a field the dialog has no row for.
Fonts cardFonts()
{
    Fonts fonts;
    for (const QString& key : kEightKeys + QStringList{"Stamp"})
        fonts[key] = {{"family", "Times New Roman"}, {"size", "12"}, {"align", "Center"}};
    return fonts;
}

// Sets an attribute of a field, or leaves it out for "-".
void setOrDrop(QMap<QString, QString>& field, const QString& attribute, const QString& value)
{
    if (value == "-")
        field.remove(attribute);
    else
        field[attribute] = value;
}

// What the dialog shows for the person's row (size, checked alignment), the family and the vertical shift.
QStringList shownIn(Dialog* dialog)
{
    QString align;
    for (const QString word : {"Left", "Center", "Right"}) {
        if (dialog->findChild<QRadioButton*>("radioButton" + word + "Surname")->isChecked())
            align = word;
    }
    return {QString::number(dialog->findChild<QSpinBox*>("spinBoxSurname")->value()), align,
            dialog->findChild<QComboBox*>("comboBoxFontFamily")->currentText(),
            QString::number(dialog->findChild<QDoubleSpinBox*>("UDShift")->value())};
}

void pressOk(Dialog* dialog)
{
    QTest::mouseClick(dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

// Selects the value of a spin box and types a new one, as the operator would
// (no Enter: in a dialog that would press the default button).
void typeInto(QAbstractSpinBox* box, const QString& text)
{
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
}

// Answers the reset's question "Сбросить" and arms `then` for the next box.
std::function<void(QMessageBox*)> resetThen(testsupport::ModalAnswer* then)
{
    const auto reset = testsupport::clickButton("Сбросить");
    return [reset, then](QMessageBox* box) {
        if (then)
            then->arm();
        reset(box);
    };
}

struct Box
{
    QString title;
    QString text;
    QStringList buttons;
};

// Watches the modal windows while the main window runs its dialog: message boxes
// are recorded and answered with OK, the settings dialog is handed to the next
// queued handler. Polls until destroyed, so no modal window can hang a test.
class ModalWatcher
{
public:
    ModalWatcher() { schedule(); }

    void onDialog(std::function<void(Dialog*)> handler) { m_handlers << std::move(handler); }
    QList<Box> boxes() const { return m_boxes; }
    int pendingHandlers() const { return m_handlers.size(); }

private:
    void schedule()
    {
        std::weak_ptr<int> alive = m_alive;
        QTimer::singleShot(20, [this, alive] {
            if (alive.expired())
                return;
            schedule(); // first, so that boxes opened by a handler are answered too
            poll();
        });
    }

    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            QStringList buttons;
            QAbstractButton* reset = nullptr;
            for (QAbstractButton* button : box->buttons()) {
                buttons << button->text();
                if (button->text() == QString("Сбросить"))
                    reset = button;
            }
            // The reset's question is answered "Сбросить" and not recorded.
            if (reset) {
                reset->click();
                return;
            }
            m_boxes << Box{box->windowTitle(), box->text(), buttons};
            box->done(QMessageBox::Ok);
        } else if (auto* dialog = qobject_cast<Dialog*>(modal)) {
            if (!dialog->isVisible() || m_inHandler)
                return;
            if (m_handlers.isEmpty()) {
                dialog->reject();
                return;
            }
            auto handler = m_handlers.takeFirst();
            m_inHandler = true;
            handler(dialog);
            m_inHandler = false;
            if (dialog->isVisible()) // a handler that forgot to close it must not hang the test
                dialog->reject();
        }
    }

    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    QList<std::function<void(Dialog*)>> m_handlers;
    QList<Box> m_boxes;
    bool m_inHandler = false;
};

// One line, not in the writer's layout, so any rewrite of the file shows.
const QByteArray kParams = R"({"version":"2","data":{"udShift":0.26,"lrShift":-1,"extra":1,"fonts":{)"
                           R"("Surname":{"family":"Times New Roman","size":"14","align":"Left","coords":[10,20,80,6]},)"
                           R"("Name":{"family":"Times New Roman","size":"12","align":"Left","coords":[10,27]},)"
                           R"("Comp":{"family":"Times New Roman","size":"11","align":"Center","coords":[5,51]},)"
                           R"("Form":{"family":"Times New Roman","size":"11","align":"Center","coords":[]},)"
                           R"("Date":{"family":"Times New Roman","size":"16","align":"left","coords":[70.5]},)"
                           R"("Stamp":{"family":"Times New Roman","size":"9","coords":[1]}}}})";

const QByteArray kBackup = R"({"data":{"udShift":2,"lrShift":0,"fonts":{)"
                           R"("Surname":{"family":"Garamond","size":"10","align":"Right","coords":[10,20,80,6]}}}})";

QString describe(const QMetaMethod& method)
{
    static const char* const types[] = {"method", "signal", "slot", "constructor"};
    static const char* const access[] = {"private", "protected", "public"};
    QStringList parameters;
    for (int i = 0; i < method.parameterCount(); ++i)
        parameters << QString("%1 %2").arg(QString(method.parameterTypes().at(i)),
                                           QString(method.parameterNames().at(i)));
    return QString("%1 %2 %3 %4(%5)")
        .arg(types[method.methodType()], access[method.access()], QString(method.typeName()),
             QString(method.name()), parameters.join(", "));
}

} // namespace

// The layout settings dialog and the main window's slot that runs it.
class TestDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void metaObjectInOrder();
    void slotsConnectByName();
    void gridHoldsNamedWidgets_data();
    void gridHoldsNamedWidgets();
    void radioButtonsFormOneGroupPerRow();

    void sizeShownFromLeadingField_data();
    void sizeShownFromLeadingField();
    void sizeChangeReachesLinkedFields_data();
    void sizeChangeReachesLinkedFields();
    void alignmentShownFromFile_data();
    void alignmentShownFromFile();
    void alignClickReachesLinkedFields_data();
    void alignClickReachesLinkedFields();
    void familyComboBox_data();
    void familyComboBox();
    void pickedFamilyReachesEveryField();
    void shiftsClampedAndRounded_data();
    void shiftsClampedAndRounded();
    void shiftChangesReachCopies();

    void resetRestoresBackup();
    void resetInReadOnlyFolderWritesInPlace();
    void resetKeepsParamsWhenBackupUnusable_data();
    void resetKeepsParamsWhenBackupUnusable();

    void acceptWritesParams();
    void closedWithoutOkShowsFileAgain_data();
    void closedWithoutOkShowsFileAgain();
    void failedWriteIsReported();
    void deliveredFilesAcceptAndReset();
};

void TestDialog::cleanup()
{
    QTRY_VERIFY(!QApplication::activeModalWidget());
}

void TestDialog::metaObjectInOrder()
{
    const QMetaObject& meta = Dialog::staticMetaObject;
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        methods << describe(meta.method(i));
    QCOMPARE(methods, QStringList({"signal public void resetSetiings()",
                                   "slot public void accept()",
                                   "slot private void alignChanged()",
                                   "slot private void on_buttonResetSettings_clicked()",
                                   "slot private void on_UDShift_valueChanged(double arg1)",
                                   "slot private void on_LRShift_valueChanged(double arg1)",
                                   "slot private void sizeChanged(int value)",
                                   "slot private void fontFamileChanged(QString family)"}));
}

namespace {
QStringList g_warnings; // filled by the message handler of slotsConnectByName
}

void TestDialog::slotsConnectByName()
{
    g_warnings.clear();
    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        g_warnings << text;
    });
    {
        Fonts fonts = cardFonts();
        float ud = 0, lr = 0;
        Dialog dialog(&fonts, &ud, &lr);
    }
    qInstallMessageHandler(previous);
    QCOMPARE(g_warnings.filter("connectSlotsByName"), QStringList());
}

void TestDialog::gridHoldsNamedWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QSizePolicy::Policy>("horizontal");
    QTest::addColumn<QSizePolicy::Policy>("vertical");

    const auto fixed = QSizePolicy::Fixed;
    const auto preferred = QSizePolicy::Preferred;
    QTest::newRow("combo box") << "comboBoxFontFamily" << "" << 0 << 0 << preferred << fixed;
    QTest::newRow("size header") << "labelSizeHeader" << "Размер" << 0 << 1 << fixed << fixed;
    QTest::newRow("align header") << "labelAlignHeader" << "Выравнивание" << 0 << 2 << preferred << fixed;
    QTest::newRow("person label") << "labelSurnameFontTitle" << "ФИО:" << 1 << 0 << fixed << fixed;
    QTest::newRow("person size") << "spinBoxSurname" << "" << 1 << 1 << QSizePolicy::Minimum << fixed;
    QTest::newRow("person frame") << "frameSurname" << "" << 1 << 2 << fixed << fixed;
    QTest::newRow("organisation label") << "labelCompTitle" << "Организация:" << 2 << 0 << fixed << fixed;
    QTest::newRow("organisation size") << "spinBoxComp" << "" << 2 << 1 << QSizePolicy::Minimum << fixed;
    QTest::newRow("organisation frame") << "frameComp" << "" << 2 << 2 << fixed << fixed;
    QTest::newRow("director label") << "labelDirectorFontTitle" << "Руководитель:" << 3 << 0 << fixed << fixed;
    QTest::newRow("director size") << "spinBoxDir" << "" << 3 << 1 << QSizePolicy::Minimum << fixed;
    QTest::newRow("director frame") << "frameSurname_4" << "" << 3 << 2 << fixed << fixed;
    QTest::newRow("date label") << "labelDateTitle" << "Дата выдачи:" << 4 << 0 << fixed << fixed;
    QTest::newRow("date size") << "spinBoxDate" << "" << 4 << 1 << QSizePolicy::Minimum << fixed;
    QTest::newRow("date frame") << "frameDate" << "" << 4 << 2 << fixed << fixed;
    QTest::newRow("line") << "line" << "" << 5 << 0 << QSizePolicy::Minimum << fixed;
    QTest::newRow("vertical label") << "labelUDShiftTitle" << "Сдвиг по вертикали:" << 6 << 0 << fixed << fixed;
    QTest::newRow("vertical shift") << "UDShift" << "" << 6 << 1 << QSizePolicy::Minimum << fixed;
    QTest::newRow("horizontal label") << "labelLRShift" << "Сдвиг по горизонтали:" << 7 << 0 << preferred << preferred;
    QTest::newRow("horizontal shift") << "LRShift" << "" << 7 << 1 << QSizePolicy::Minimum << fixed;
}

void TestDialog::gridHoldsNamedWidgets()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QSizePolicy::Policy, horizontal);
    QFETCH(QSizePolicy::Policy, vertical);

    Fonts fonts;
    float ud = 0, lr = 0;
    Dialog dialog(&fonts, &ud, &lr);
    auto* grid = dialog.findChild<QGridLayout*>("gridLayout");
    auto* widget = dialog.findChild<QWidget*>(name);
    QVERIFY(grid && widget);
    int r = -1, c = -1, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(widget), &r, &c, &rowSpan, &columnSpan);
    QCOMPARE(r, row);
    QCOMPARE(c, column);
    QCOMPARE(columnSpan, name == "line" ? 3 : 1);
    if (auto* label = qobject_cast<QLabel*>(widget))
        QCOMPARE(label->text(), text);
    QCOMPARE(widget->sizePolicy().horizontalPolicy(), horizontal);
    QCOMPARE(widget->sizePolicy().verticalPolicy(), vertical);
}

void TestDialog::radioButtonsFormOneGroupPerRow()
{
    Fonts fonts;
    float ud = 0, lr = 0;
    Dialog dialog(&fonts, &ud, &lr);
    const QStringList frames = {"frameSurname", "frameComp", "frameSurname_4", "frameDate"};
    const QStringList keys = {"Surname", "Comp", "Dir", "Date"};
    for (int i = 0; i < keys.size(); ++i) {
        auto* frame = dialog.findChild<QFrame*>(frames[i]);
        QVERIFY2(frame && frame->layout(), qPrintable(frames[i]));
        QCOMPARE(frame->frameShape(), QFrame::NoFrame);
        int previousX = -1;
        for (const QString align : {"Left", "Center", "Right"}) {
            auto* button = dialog.findChild<QRadioButton*>("radioButton" + align + keys[i]);
            QVERIFY2(button, qPrintable(align + keys[i]));
            QCOMPARE(button->parentWidget(), frame);
            QVERIFY(button->text().isEmpty());
            QVERIFY(button->x() > previousX);
            previousX = button->x();
        }
    }
    auto* reset = dialog.findChild<QPushButton*>("buttonResetSettings");
    auto* box = dialog.findChild<QDialogButtonBox*>("buttonBox");
    QVERIFY(reset && box);
    QCOMPARE(reset->text(), QString("Сброс настроек"));
    QCOMPARE(reset->width(), 110);
    QCOMPARE(box->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
}

void TestDialog::sizeShownFromLeadingField_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("size"); // "-" leaves "size" out
    QTest::addColumn<int>("shown");

    QTest::newRow("in range") << "Surname" << "13" << 13;
    QTest::newRow("above range") << "Surname" << "16" << 14;
    QTest::newRow("below range") << "Comp" << "8" << 10;
    QTest::newRow("date above its 12") << "Date" << "14" << 12;
    QTest::newRow("not a number") << "Dir" << "big" << 10;
    QTest::newRow("missing") << "Dir" << "-" << 10;
}

void TestDialog::sizeShownFromLeadingField()
{
    QFETCH(QString, key);
    QFETCH(QString, size);
    QFETCH(int, shown);

    Fonts fonts = cardFonts();
    setOrDrop(fonts[key], "size", size);
    float ud = 0, lr = 0;
    Dialog dialog(&fonts, &ud, &lr);
    auto* box = dialog.findChild<QSpinBox*>("spinBox" + key);
    QVERIFY(box);
    QCOMPARE(box->value(), shown);
    // The copy keeps its text until the row is changed; a missing size appears empty.
    QVERIFY(fonts[key].contains("size"));
    QCOMPARE(fonts[key]["size"], size == "-" ? QString() : size);
}

void TestDialog::sizeChangeReachesLinkedFields_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("changed");

    QTest::newRow("person") << "Surname" << "13" << QStringList{"Name", "Patron", "Surname"};
    QTest::newRow("organisation") << "Comp" << "14" << QStringList{"Comp", "Form"};
    QTest::newRow("director") << "Dir" << "10" << QStringList{"Dir", "DirPost"};
    QTest::newRow("date alone") << "Date" << "11" << QStringList{"Date"};
}

void TestDialog::sizeChangeReachesLinkedFields()
{
    QFETCH(QString, key);
    QFETCH(QString, typed);
    QFETCH(QStringList, changed);

    Fonts fonts = cardFonts();
    fonts["Name"]["size"] = "11"; // linked fields follow the row even where they differed
    float ud = 0, lr = 0;
    Dialog dialog(&fonts, &ud, &lr);
    auto* box = dialog.findChild<QSpinBox*>("spinBox" + key);
    QVERIFY(box);
    typeInto(box, typed);
    QCOMPARE(box->value(), typed.toInt());
    for (const QString& field : fonts.keys()) {
        const QString expected = changed.contains(field) ? typed : (field == "Name" ? "11" : "12");
        QCOMPARE(fonts[field]["size"], expected);
    }
}

void TestDialog::alignmentShownFromFile_data()
{
    QTest::addColumn<QString>("align"); // "-" leaves "align" out
    QTest::addColumn<QString>("checked");

    QTest::newRow("left") << "Left" << "radioButtonLeftComp";
    QTest::newRow("center") << "Center" << "radioButtonCenterComp";
    QTest::newRow("right") << "Right" << "radioButtonRightComp";
    QTest::newRow("lower case") << "left" << "";
    QTest::newRow("unknown word") << "Justify" << "";
    QTest::newRow("missing") << "-" << "";
}

void TestDialog::alignmentShownFromFile()
{
    QFETCH(QString, align);
    QFETCH(QString, checked);

    Fonts fonts = cardFonts();
    fonts["Stamp"].remove("align");
    setOrDrop(fonts["Comp"], "align", align);
    float ud = 0, lr = 0;
    Dialog dialog(&fonts, &ud, &lr);
    for (const QString word : {"Left", "Center", "Right"}) {
        auto* button = dialog.findChild<QRadioButton*>("radioButton" + word + "Comp");
        QVERIFY(button);
        QCOMPARE(button->isChecked(), button->objectName() == checked);
    }
    QVERIFY(dialog.findChild<QRadioButton*>("radioButtonCenterSurname")->isChecked());
    QCOMPARE(fonts["Comp"]["align"], align == "-" ? QString() : align);
    // Every field gets an "align", even one that has no row in the dialog.
    QVERIFY(fonts["Stamp"].contains("align"));
    QVERIFY(fonts["Stamp"]["align"].isEmpty());
}

void TestDialog::alignClickReachesLinkedFields_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("align");
    QTest::addColumn<QStringList>("changed");

    QTest::newRow("person right") << "radioButtonRightSurname" << "Right" << QStringList{"Name", "Patron", "Surname"};
    QTest::newRow("organisation right") << "radioButtonRightComp" << "Right" << QStringList{"Comp", "Form"};
    QTest::newRow("director left") << "radioButtonLeftDir" << "Left" << QStringList{"Dir", "DirPost"};
    QTest::newRow("date left") << "radioButtonLeftDate" << "Left" << QStringList{"Date"};
    // Clicking the checked button stores its alignment again for the whole row.
    QTest::newRow("checked again") << "radioButtonCenterSurname" << "Center"
                                   << QStringList{"Name", "Patron", "Surname"};
}

void TestDialog::alignClickReachesLinkedFields()
{
    QFETCH(QString, button);
    QFETCH(QString, align);
    QFETCH(QStringList, changed);

    Fonts fonts = cardFonts();
    for (auto it = fonts.begin(); it != fonts.end(); ++it)
        it.value()["align"] = it.key() == "Surname" ? "Center" : "Unset";
    float ud = 0, lr = 0;
    Dialog dialog(&fonts, &ud, &lr);
    auto* radio = dialog.findChild<QRadioButton*>(button);
    QVERIFY(radio);
    QTest::mouseClick(radio, Qt::LeftButton);
    QVERIFY(radio->isChecked());
    for (const QString& field : fonts.keys()) {
        const QString expected = changed.contains(field) ? align : (field == "Surname" ? "Center" : "Unset");
        QCOMPARE(fonts[field]["align"], expected);
    }
}

void TestDialog::familyComboBox_data()
{
    QTest::addColumn<QString>("family"); // of "Surname"; "-" leaves it out
    QTest::addColumn<QString>("shown");

    QTest::newRow("in the list") << "Garamond" << "Garamond";
    QTest::newRow("last in the list") << "Times New Roman" << "Times New Roman";
    QTest::newRow("not in the list") << "Comic Sans MS" << "Arial";
    QTest::newRow("other letter case") << "arial" << "Arial";
    QTest::newRow("missing") << "-" << "Arial";
}

void TestDialog::familyComboBox()
{
    QFETCH(QString, family);
    QFETCH(QString, shown);

    Fonts fonts = cardFonts();
    setOrDrop(fonts["Surname"], "family", family);
    fonts["Name"]["family"] = "Consolas"; // only the family of "Surname" is shown
    float ud = 0, lr = 0;
    Dialog dialog(&fonts, &ud, &lr);
    auto* combo = dialog.findChild<QComboBox*>("comboBoxFontFamily");
    QVERIFY(combo);
    QVERIFY(!combo->isEditable());
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    QCOMPARE(items, QStringList({"Arial", "Consolas", "Courier New", "Garamond", "LiberationSerif", "Lucida Console",
                                 "PT-Astra-Serif", "Times New Roman"}));
    QCOMPARE(combo->currentText(), shown);
    // Until the operator picks a family every field keeps its own.
    QVERIFY(fonts["Surname"].contains("family"));
    QCOMPARE(fonts["Surname"]["family"], family == "-" ? QString() : family);
    QCOMPARE(fonts["Name"]["family"], QString("Consolas"));
}

void TestDialog::pickedFamilyReachesEveryField()
{
    Fonts fonts = cardFonts();
    fonts.remove("Surname");
    float ud = 0, lr = 0;
    Dialog dialog(&fonts, &ud, &lr);
    auto* combo = dialog.findChild<QComboBox*>("comboBoxFontFamily");
    QVERIFY(combo);
    QTest::keyClick(combo, Qt::Key_Down); // Arial -> Consolas
    QCOMPARE(combo->currentText(), QString("Consolas"));
    // "Surname" comes back, empty, as the family shown is read from it.
    QCOMPARE(fonts.keys(), QStringList({"Comp", "Date", "Dir", "DirPost", "Form", "Name", "Patron", "Stamp", "Surname"}));
    for (const QString& key : fonts.keys())
        QCOMPARE(fonts[key]["family"], QString("Consolas"));
}

void TestDialog::shiftsClampedAndRounded_data()
{
    QTest::addColumn<float>("given");
    QTest::addColumn<double>("shown");

    QTest::newRow("rounded up") << 0.26f << 0.3;
    QTest::newRow("rounded to zero") << 0.04f << 0.0;
    QTest::newRow("above range") << 25.0f << 20.0;
    QTest::newRow("below range") << -20.04f << -20.0;
    QTest::newRow("one decimal kept") << 10.3f << 10.3;
    QTest::newRow("zero") << 0.0f << 0.0;
}

void TestDialog::shiftsClampedAndRounded()
{
    QFETCH(float, given);
    QFETCH(double, shown);

    Fonts fonts = cardFonts();
    float ud = given, lr = -given;
    Dialog dialog(&fonts, &ud, &lr);
    auto* udBox = dialog.findChild<QDoubleSpinBox*>("UDShift");
    auto* lrBox = dialog.findChild<QDoubleSpinBox*>("LRShift");
    QVERIFY(udBox && lrBox);
    QCOMPARE(udBox->value(), shown);
    QCOMPARE(lrBox->value(), -shown);
    // What is shown is what the copies hold from the start.
    QCOMPARE(ud, float(shown));
    QCOMPARE(lr, float(-shown));
}

void TestDialog::shiftChangesReachCopies()
{
    Fonts fonts = cardFonts();
    float ud = 1.0f, lr = 0.0f;
    Dialog dialog(&fonts, &ud, &lr);
    auto* udBox = dialog.findChild<QDoubleSpinBox*>("UDShift");
    auto* lrBox = dialog.findChild<QDoubleSpinBox*>("LRShift");
    QVERIFY(udBox && lrBox);
    QTest::keyClick(udBox, Qt::Key_Up);
    QCOMPARE(ud, 1.5f);
    typeInto(lrBox, "-3.5");
    QCOMPARE(lrBox->text(), QString("-3.5 мм бланка"));
    QCOMPARE(lr, -3.5f);
    typeInto(lrBox, "20");
    QTest::keyClick(lrBox, Qt::Key_Up);
    QCOMPARE(lr, 20.0f); // the range holds
    QCOMPARE(ud, 1.5f);
}

void TestDialog::resetRestoresBackup()
{
    WorkDir dir;
    const QByteArray backup = "{\r\n  \"data\": {\"udShift\": 1}\r\n}\r\n";
    QVERIFY(dir.writeFile("params.txt", kParams) && dir.writeFile("paramsBackUp.txt", backup));
    Fonts fonts = cardFonts();
    float ud = 0, lr = 0;
    Dialog dialog(&fonts, &ud, &lr);
    QSignalSpy reset(&dialog, &Dialog::resetSetiings);
    // The file must already be restored when the signal arrives.
    QByteArray atSignal;
    connect(&dialog, &Dialog::resetSetiings, this, [&] { atSignal = dir.readFile("params.txt"); });
    testsupport::ModalAnswer question(resetThen(nullptr));
    question.arm();
    QTest::mouseClick(dialog.findChild<QPushButton*>("buttonResetSettings"), Qt::LeftButton);
    QVERIFY(question.answered());
    QCOMPARE(reset.count(), 1);
    // The fields come from the backup, the shifts stay those of the printer.
    LayoutParams restored;
    QString error;
    QVERIFY(parseLayoutParams({QString::fromUtf8(atSignal)}, &restored, &error));
    QCOMPARE(restored.fonts.size(), 0);
    QCOMPARE(restored.udShift, 0.26f);
    QCOMPARE(restored.lrShift, -1.0f);
    QCOMPARE(dir.readFile("params.txt"), atSignal);
    QCOMPARE(dir.readFile("paramsBackUp.txt"), backup);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"params.txt", "paramsBackUp.txt"}));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
}

// A folder the operator may not create files in: params.txt, which they may
// write, is rewritten in place.
void TestDialog::resetInReadOnlyFolderWritesInPlace()
{
    WorkDir dir;
    QVERIFY(dir.writeFile("params.txt", kParams) && dir.writeFile("paramsBackUp.txt", kBackup));
    const QFile::Permissions all = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::WriteOwner
                                   | QFile::WriteGroup | QFile::WriteOther;
    const QFile::Permissions enter = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner
                                     | QFile::ExeGroup | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(dir.filePath("params.txt"), all));
    QVERIFY(QFile::setPermissions(dir.path(), enter));
    bool restored = false;
    QString error;
    {
        testsupport::Unprivileged user;
        if (!user.isActive()) {
            QVERIFY(QFile::setPermissions(dir.path(), enter | QFile::WriteOwner));
            QSKIP("root cannot take the rights of an ordinary user (no user \"nobody\")");
        }
        restored = restoreFromBackup("paramsBackUp.txt", "params.txt", &error);
    }
    QVERIFY(QFile::setPermissions(dir.path(), enter | QFile::WriteOwner));
    QVERIFY2(restored, qPrintable(error));
    QCOMPARE(dir.readFile("params.txt"), kBackup);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"params.txt", "paramsBackUp.txt"}));
}

void TestDialog::resetKeepsParamsWhenBackupUnusable_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message");

    QTest::newRow("backup missing") << "missing" << "Файл paramsBackUp.txt не найден";
    QTest::newRow("backup is a folder") << "folder" << "Не удалось открыть файл \"paramsBackUp.txt\"";
    QTest::newRow("backup is not JSON") << "broken" << "Файл paramsBackUp.txt повреждён: illegal value";
    QTest::newRow("backup is empty") << "empty" << "Файл paramsBackUp.txt повреждён: illegal value";
    QTest::newRow("params.txt cannot be replaced") << "target" << "Не удалось открыть файл \"params.txt\"";
}

void TestDialog::resetKeepsParamsWhenBackupUnusable()
{
    QFETCH(QString, situation);
    QFETCH(QString, message);

    WorkDir dir;
    if (situation == "target") {
        // A folder in the place of params.txt cannot be replaced by a file.
        QVERIFY(QDir(dir.path()).mkdir("params.txt") && dir.writeFile("paramsBackUp.txt", kBackup));
    } else {
        QVERIFY(dir.writeFile("params.txt", kParams));
        if (situation == "folder")
            QVERIFY(QDir(dir.path()).mkdir("paramsBackUp.txt"));
        else if (situation != "missing")
            QVERIFY(dir.writeFile("paramsBackUp.txt", situation == "empty" ? "" : "params: none\n"));
    }
    Fonts fonts = cardFonts();
    float ud = 0, lr = 0;
    Dialog dialog(&fonts, &ud, &lr);
    QSignalSpy reset(&dialog, &Dialog::resetSetiings);
    testsupport::ModalAnswer answer(testsupport::clickOk());
    testsupport::ModalAnswer question(resetThen(&answer));
    question.arm();
    QTest::mouseClick(dialog.findChild<QPushButton*>("buttonResetSettings"), Qt::LeftButton);
    QVERIFY(question.answered());
    QVERIFY(answer.answered());
    QCOMPARE(answer.title(), QString("Ошибка"));
    QCOMPARE(answer.text(), message);
    QCOMPARE(answer.buttonTexts(), QStringList{"OK"});
    // The main window is still told, so that it reads whatever is on disk.
    QCOMPARE(reset.count(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    if (situation != "target")
        QCOMPARE(dir.readFile("params.txt"), kParams);
    QVERIFY(QFileInfo(dir.filePath("params.txt")).exists());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
             situation == "missing" ? 1 : 2);
}

void TestDialog::acceptWritesParams()
{
    WorkDir dir;
    QVERIFY(dir.writeFile("params.txt", kParams));
    Security window;
    QCOMPARE(window.initialize(), 0);
    window.show();

    ModalWatcher watcher;
    QString title;
    Qt::WindowFlags flags;
    int shownDateSize = 0;
    watcher.onDialog([&](Dialog* dialog) {
        title = dialog->windowTitle();
        flags = dialog->windowFlags();
        shownDateSize = dialog->findChild<QSpinBox*>("spinBoxDate")->value();
        typeInto(dialog->findChild<QSpinBox*>("spinBoxSurname"), "13");
        QTest::mouseClick(dialog->findChild<QRadioButton*>("radioButtonRightComp"), Qt::LeftButton);
        auto* combo = dialog->findChild<QComboBox*>("comboBoxFontFamily");
        combo->setCurrentIndex(combo->findText("Consolas"));
        QTest::keyClick(dialog->findChild<QDoubleSpinBox*>("LRShift"), Qt::Key_Up);
        pressOk(dialog);
    });
    QTest::mouseClick(window.findChild<QPushButton*>("buttonParams"), Qt::LeftButton);
    QCOMPARE(watcher.pendingHandlers(), 0);
    QCOMPARE(watcher.boxes().size(), 0);
    QCOMPARE(title, QString("Настройки"));
    const Qt::WindowFlags hints = Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint
                                  | Qt::MSWindowsFixedSizeDialogHint;
    QCOMPARE(flags & hints, hints);
    QVERIFY(!(flags & (Qt::WindowMinMaxButtonsHint | Qt::WindowContextHelpButtonHint | Qt::WindowStaysOnTopHint)));
    QCOMPARE(shownDateSize, 12);

    // 0.26 was shown as 0.3; "Date" keeps its "16" and "left", "Stamp" gains an empty "align";
    // written indented by four, keys in order, with an empty line after.
    const QByteArray written = QJsonDocument::fromJson(
        R"({"data":{"fonts":{"Comp":{"align":"Right","coords":[5,51],"family":"Consolas","size":"11"},)"
        R"("Date":{"align":"left","coords":[70.5],"family":"Consolas","size":"16"},)"
        R"("Form":{"align":"Right","coords":[],"family":"Consolas","size":"11"},)"
        R"("Name":{"align":"Left","coords":[10,27],"family":"Consolas","size":"13"},)"
        R"("Patron":{"coords":[],"family":"Consolas","size":"13"},)"
        R"("Stamp":{"align":"","coords":[1],"family":"Consolas","size":"9"},)"
        R"("Surname":{"align":"Left","coords":[10,20,80,6],"family":"Consolas","size":"13"}},)"
        R"("lrShift":-0.5,"udShift":0.30000001192092896},"version":"2"})").toJson(QJsonDocument::Indented);
    QCOMPARE(QString::fromUtf8(dir.readFile("params.txt")), QString::fromUtf8(written + "\n"));
}

void TestDialog::closedWithoutOkShowsFileAgain_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("withBackup");
    QTest::addColumn<QStringList>("shown"); // person's size and alignment, family, vertical shift
    QTest::addColumn<QString>("message");

    const QStringList old = {"14", "Left", "Times New Roman", "0.3"};
    QTest::newRow("Cancel") << "cancel" << true << old << "";
    QTest::newRow("Escape") << "escape" << true << old << "";
    QTest::newRow("close button") << "close" << true << old << "";
    // The shifts belong to the printer: the reset keeps them.
    QTest::newRow("reset, backup restored") << "reset" << true << QStringList({"10", "Right", "Garamond", "0.3"}) << "";
    QTest::newRow("reset, backup missing") << "reset" << false << old << "Файл paramsBackUp.txt не найден";
}

void TestDialog::closedWithoutOkShowsFileAgain()
{
    QFETCH(QString, how);
    QFETCH(bool, withBackup);
    QFETCH(QStringList, shown);
    QFETCH(QString, message);

    WorkDir dir;
    QVERIFY(dir.writeFile("params.txt", kParams) && (!withBackup || dir.writeFile("paramsBackUp.txt", kBackup)));
    Security window;
    QCOMPARE(window.initialize(), 0);
    window.show();

    ModalWatcher watcher;
    watcher.onDialog([&](Dialog* dialog) {
        if (how == "reset") {
            typeInto(dialog->findChild<QSpinBox*>("spinBoxSurname"), "12");
            QTest::mouseClick(dialog->findChild<QPushButton*>("buttonResetSettings"), Qt::LeftButton);
            return;
        }
        typeInto(dialog->findChild<QSpinBox*>("spinBoxSurname"), "10");
        QTest::mouseClick(dialog->findChild<QRadioButton*>("radioButtonRightSurname"), Qt::LeftButton);
        QTest::keyClick(dialog->findChild<QComboBox*>("comboBoxFontFamily"), Qt::Key_Up);
        typeInto(dialog->findChild<QDoubleSpinBox*>("UDShift"), "5");
        if (how == "cancel")
            dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Cancel)->click();
        else if (how == "escape")
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
    });
    // Opened again: it shows the main window's parameters, read anew after a reset.
    QStringList reopened;
    watcher.onDialog([&](Dialog* dialog) {
        reopened = shownIn(dialog);
        dialog->reject();
    });
    auto* button = window.findChild<QPushButton*>("buttonParams");
    QTest::mouseClick(button, Qt::LeftButton);
    // Restored from the backup but for the shifts (or left alone), never rewritten by the dialog.
    if (how == "reset" && withBackup)
        QVERIFY(dir.readFile("params.txt").contains("Garamond"));
    else
        QCOMPARE(dir.readFile("params.txt"), kParams);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(watcher.pendingHandlers(), 0);
    QCOMPARE(reopened, shown);
    if (how != "reset")
        QCOMPARE(dir.readFile("params.txt"), kParams);
    QCOMPARE(watcher.boxes().size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(watcher.boxes().first().text, message);
}

void TestDialog::failedWriteIsReported()
{
    WorkDir dir;
    QVERIFY(dir.writeFile("params.txt", kParams));
    Security window;
    QCOMPARE(window.initialize(), 0);
    window.show();
    // From now on params.txt cannot be written.
    QVERIFY(QFile::remove(dir.filePath("params.txt")) && QDir(dir.path()).mkdir("params.txt"));

    ModalWatcher watcher;
    watcher.onDialog([&](Dialog* dialog) {
        typeInto(dialog->findChild<QSpinBox*>("spinBoxSurname"), "12");
        pressOk(dialog);
    });
    QTest::mouseClick(window.findChild<QPushButton*>("buttonParams"), Qt::LeftButton);
    QTRY_COMPARE(watcher.boxes().size(), 1);
    const Box box = watcher.boxes().first();
    QCOMPARE(box.title, QString("Ошибка"));
    QVERIFY2(box.text.contains("params.txt"), qPrintable(box.text));
    QCOMPARE(box.buttons, QStringList{"OK"});
    QVERIFY(QFileInfo(dir.filePath("params.txt")).isDir());
}

void TestDialog::deliveredFilesAcceptAndReset()
{
    WorkDir dir;
    QVERIFY(dir.seedParams());
    const QByteArray delivered = dir.readFile("params.txt");
    Security window;
    QCOMPARE(window.initialize(), 0);
    window.show();

    ModalWatcher watcher;
    watcher.onDialog(pressOk);
    watcher.onDialog([&](Dialog* dialog) {
        QTest::keyClick(dialog->findChild<QDoubleSpinBox*>("UDShift"), Qt::Key_Up);
        pressOk(dialog);
    });
    watcher.onDialog([](Dialog* dialog) {
        QTest::mouseClick(dialog->findChild<QPushButton*>("buttonResetSettings"), Qt::LeftButton);
    });
    auto* button = window.findChild<QPushButton*>("buttonParams");
    // The delivered file is in the writer's layout: accepted untouched, it comes back as it was.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(dir.readFile("params.txt"), delivered);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(dir.readFile("params.txt").contains("\"udShift\": 0.5\n"));
    QTest::mouseClick(button, Qt::LeftButton);
    // The delivered backup differs from the file only by the shift raised
    // above, which the reset keeps.
    QVERIFY(dir.readFile("params.txt").contains("\"udShift\": 0.5\n"));
    QCOMPARE(dir.readFile("params.txt").replace("\"udShift\": 0.5\n", "\"udShift\": 0\n"),
             dir.readFile("paramsBackUp.txt"));
    QCOMPARE(watcher.pendingHandlers(), 0);
    QCOMPARE(watcher.boxes().size(), 0);
}

QTEST_MAIN(TestDialog)
#include "tst_dialog.moc"

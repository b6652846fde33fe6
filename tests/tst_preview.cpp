#include "app/security.h"
#include "card/card.h"
#include "card/preview.h"

#include "support/testsupport.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString kPreviewTitle = QStringLiteral("Просмотр");
const QString kCardTitle = QStringLiteral("Просмотр карточки");

QList<QWidget*> windowsTitled(const QString& title)
{
    QList<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle() == title)
            found << widget;
    }
    return found;
}

QLabel* cardLabel(const QString& key)
{
    const QList<QWidget*> cards = windowsTitled(kCardTitle);
    return cards.size() == 1 ? cards.first()->findChild<QLabel*>("label" + key) : nullptr;
}

// The blank as a label of the card's size draws it, rendered.
QImage blankAsDrawn()
{
    QLabel label;
    label.setPixmap(QPixmap(":/card.png"));
    label.setScaledContents(true);
    label.setFixedSize(750, 955);
    return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The parts of the card that no field label covers: the left strip and
// everything below the date.
QImage withoutLabels(const QImage& card)
{
    QImage parts(card.convertToFormat(QImage::Format_RGB32));
    QPainter painter(&parts);
    painter.fillRect(QRect(255, 0, 495, 470), Qt::black);
    return parts;
}

void setEntry(QJsonObject& fonts, const QString& key, const QString& member, const QJsonValue& value)
{
    QJsonObject entry = fonts[key].toObject();
    entry[member] = value;
    fonts[key] = entry;
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void cardIsTheBlankWithOneLabelPerField();
    void sizesFollowTheScreen_data();
    void sizesFollowTheScreen();
    void previewShowsTheFilledCard();
    void eachClickOpensAnotherWindow();
    void closedPreviewIsReleased();
    void escapeClosesPreview();
    void flowingPersonLeavesSurnameEmpty();
    void fieldLeftOutOfLayoutStillCounts_data();
    void fieldLeftOutOfLayoutStillCounts();
    void sizeZeroKeepsFontsValid();
    void shortRectangleLeavesLabelAlone();
    void blankPictureIsNoField();
    void cardShowsTheBlankWithoutLoadingItEarly();
    void previewShowsTheBlank();

private:
    void fill(const QStringList& texts);
    QWidget* clickView();

    std::unique_ptr<testsupport::WorkDir> m_dir;
    std::unique_ptr<Security> m_window;
};

void TestPreview::init()
{
    m_dir.reset(new testsupport::WorkDir);
    QVERIFY(m_dir->isValid());
    QVERIFY(m_dir->seedParams());
    QVERIFY(m_dir->seedFonts());
}

void TestPreview::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
    qDeleteAll(windowsTitled(kPreviewTitle));
    m_window.reset();
    m_dir.reset();
}

void TestPreview::fill(const QStringList& texts)
{
    if (!m_window) {
        m_window.reset(new Security);
        QCOMPARE(m_window->initialize(), 0);
    }
    const QStringList keys = {"Surname", "Name", "Patron", "Form", "Comp", "DirPost", "Dir"};
    for (int i = 0; i < keys.size(); ++i) {
        auto* edit = m_window->findChild<QLineEdit*>("lineEdit" + keys.at(i));
        QVERIFY2(edit, qPrintable(keys.at(i)));
        edit->setText(texts.value(i));
    }
    m_window->findChild<QDateEdit*>("lineEditDate")->setDate(QDate(2024, 3, 15));
}

// Clicks the view button and returns the one window that it opened.
QWidget* TestPreview::clickView()
{
    auto* button = m_window->findChild<QPushButton*>("buttonView");
    if (!button || !button->isEnabled())
        return nullptr;
    // A message box would stop the click here; close it so the test can fail.
    // The watcher owns its state, so it may fire after this function is gone.
    auto message = std::make_shared<QString>();
    QTimer::singleShot(0, [message] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *message = box->text();
            box->done(0);
        }
    });
    const QList<QWidget*> before = windowsTitled(kPreviewTitle);
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
    if (!message->isEmpty())
        qWarning("unexpected message: %s", qPrintable(*message));
    QList<QWidget*> opened;
    for (QWidget* window : windowsTitled(kPreviewTitle)) {
        if (!before.contains(window))
            opened << window;
    }
    return opened.size() == 1 && message->isEmpty() ? opened.first() : nullptr;
}

void TestPreview::cardIsTheBlankWithOneLabelPerField()
{
    Card card;
    QCOMPARE(card.windowTitle(), QString("Просмотр карточки"));
    QCOMPARE(card.size(), QSize(750, 955));
    QCOMPARE(card.minimumSize(), card.maximumSize());
    QCOMPARE(card.palette().color(QPalette::Inactive, QPalette::Window), QColor(Qt::white));
    QCOMPARE(card.palette().color(QPalette::Disabled, QPalette::Base), QColor(Qt::white));

    // Later labels lie above earlier ones, the blank's picture at the bottom.
    const struct
    {
        const char* name;
        QRect geometry;
    } labels[] = {
        {"labelBack", {0, 0, 750, 955}},      {"labelPatron", {260, 189, 460, 32}},
        {"labelName", {260, 141, 460, 32}},   {"labelSurname", {260, 93, 460, 32}},
        {"labelForm", {260, 237, 460, 32}},   {"labelComp", {260, 285, 460, 32}},
        {"labelDir", {260, 370, 460, 32}},    {"labelDirPost", {260, 334, 460, 32}},
        {"labelDate", {529, 432, 181, 30}},
    };
    const QObjectList children = card.children();
    QList<QLabel*> order;
    for (QObject* child : children) {
        if (auto* label = qobject_cast<QLabel*>(child))
            order << label;
    }
    QCOMPARE(order.size(), 9);
    for (int i = 0; i < order.size(); ++i) {
        QCOMPARE(order.at(i)->objectName(), QString(labels[i].name));
        QCOMPARE(order.at(i)->geometry(), labels[i].geometry);
        if (i > 0) {
            QCOMPARE(order.at(i)->text(), QString("TextLabel"));
            QCOMPARE(order.at(i)->alignment(), Qt::AlignLeft | Qt::AlignBottom);
        }
    }
    // The picture is loaded when the card is polished, as rendering it does.
    card.ensurePolished();
    QVERIFY(!order.first()->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(order.first()->hasScaledContents());
    QCOMPARE(order.last()->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    QCOMPARE(order.at(1)->maximumSize(), QSize(460, 32));
}

void TestPreview::sizesFollowTheScreen_data()
{
    QTest::addColumn<int>("screenWidth");
    QTest::addColumn<int>("size");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<int>("points");
    // The letters keep the size they have at 1920 pixels: the picture they
    // are drawn on is scaled with the window.
    QTest::newRow("full HD") << 1920 << 12 << QSize(480, 610) << 24;
    QTest::newRow("1366 wide") << 1366 << 12 << QSize(341, 434) << 24;
    QTest::newRow("offscreen 800") << 800 << 13 << QSize(200, 254) << 26;
    QTest::newRow("size 0 shows as size 1") << 1920 << 0 << QSize(480, 610) << 2;
    QTest::newRow("4K, size 1") << 7680 << 1 << QSize(1920, 2443) << 2;
    QTest::newRow("no screen width: the card's own size") << 0 << 12 << QSize(750, 954) << 24;
}

void TestPreview::sizesFollowTheScreen()
{
    QFETCH(int, screenWidth);
    QFETCH(int, size);
    QFETCH(QSize, window);
    QFETCH(int, points);
    QCOMPARE(preview::windowSize(screenWidth), window);
    QCOMPARE(preview::pointSize(size), points);
}

void TestPreview::previewShowsTheFilledCard()
{
    fill({"Иванов", "Иван", "Иванович", "ООО", "ЧОО «Щит»", "Директор", "П.П. Петров"});
    QWidget* window = clickView();
    QVERIFY(window);

    const int screenWidth = QGuiApplication::screens().first()->size().width();
    QCOMPARE(window->size(), QSize(screenWidth / 4, int(float(screenWidth) * 0.25f * 1.2727273f)));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(window->isVisible());
    QVERIFY(!window->parentWidget());

    const QList<QLabel*> pictures = window->findChildren<QLabel*>();
    QCOMPARE(pictures.size(), 1);
    QVERIFY(pictures.first()->hasScaledContents());
    QCOMPARE(pictures.first()->pixmap(Qt::ReturnByValue).width(), screenWidth / 4);

    const struct
    {
        const char* key;
        QString text;
        int size;
        Qt::Alignment align;
    } expected[] = {
        {"Surname", "Иванов", 13, Qt::AlignLeft}, {"Comp", "ЧОО «Щит»", 12, Qt::AlignHCenter},
        {"Dir", "П.П. Петров", 11, Qt::AlignHCenter}, {"Date", "15.03.2024", 12, Qt::AlignHCenter},
    };
    for (const auto& field : expected) {
        QLabel* label = cardLabel(field.key);
        QVERIFY2(label, field.key);
        QCOMPARE(label->text(), field.text);
        QCOMPARE(label->font().pointSize(), field.size * 2);
        // The card's family comes from the font file of the "Surname" field.
        QCOMPARE(label->font().family(), QString("Liberation Serif"));
        QCOMPARE(label->alignment(), field.align | Qt::AlignBottom);
    }
}

void TestPreview::eachClickOpensAnotherWindow()
{
    fill({"Иванов", "Иван", "", "ООО", "Щит", "Директор", "Петров"});
    QPointer<QWidget> first = clickView();
    QPointer<QWidget> second = clickView();
    QVERIFY(first && second);
    QVERIFY(first != second);
    QVERIFY(first->isVisible() && second->isVisible());
    QCOMPARE(windowsTitled(kPreviewTitle).size(), 2);
}

void TestPreview::closedPreviewIsReleased()
{
    fill({"Иванов", "Иван", "", "ООО", "Щит", "Директор", "Петров"});
    QPointer<QWidget> window = clickView();
    QVERIFY(window);
    QVERIFY(window->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
}

void TestPreview::escapeClosesPreview()
{
    fill({"Иванов", "Иван", "Иванович", "ООО", "Щит", "Директор", "Петров"});
    QPointer<QWidget> window = clickView();
    QVERIFY(window);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(!window);
}

void TestPreview::flowingPersonLeavesSurnameEmpty()
{
    fill({"Иванов", "", "", "", "Щит", "Директор", "Петров"});
    QVERIFY(clickView());
    QCOMPARE(cardLabel("Surname")->text(), QString());
    QCOMPARE(cardLabel("Name")->text(), QString());
    QCOMPARE(cardLabel("Patron")->text(), QString("Иванов  "));
    QCOMPARE(cardLabel("Form")->text(), QString(" Щит"));
    QCOMPARE(cardLabel("Comp")->text(), QString());
}

void TestPreview::fieldLeftOutOfLayoutStillCounts_data()
{
    QTest::addColumn<QString>("leftOut");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("shown");

    // Each group has one empty field less than it needs to flow, once the
    // field the layout leaves out is read.
    QTest::newRow("patronymic") << "Patron" << QStringList{"Иванов", "", "Иванович", "ООО", "Щит", "Директор", "Петров"}
                                << "Surname" << "Иванов";
    QTest::newRow("legal form") << "Form" << QStringList{"Иванов", "Иван", "Иванович", "ООО", "Щит", "Директор", "Петров"}
                                << "Comp" << "Щит";
    QTest::newRow("director's post") << "DirPost"
                                     << QStringList{"Иванов", "Иван", "Иванович", "ООО", "Щит", "Директор", "Петров"}
                                     << "Dir" << "Петров";
}

// A field the layout leaves out is not shown, but the flow of its group is
// decided from the form as always.
void TestPreview::fieldLeftOutOfLayoutStillCounts()
{
    QFETCH(QString, leftOut);
    QFETCH(QStringList, texts);
    QFETCH(QString, key);
    QFETCH(QString, shown);
    QVERIFY(testsupport::editParamsFonts([&](QJsonObject& fonts) { fonts.remove(leftOut); }));
    fill(texts);
    QVERIFY(clickView());
    QCOMPARE(cardLabel(key)->text(), shown);
    QCOMPARE(cardLabel(leftOut)->text(), QString("TextLabel"));
}

void TestPreview::sizeZeroKeepsFontsValid()
{
    QVERIFY(testsupport::editParamsFonts([](QJsonObject& fonts) {
        setEntry(fonts, "Name", "size", "0");
        setEntry(fonts, "Patron", "size", "дюжина");
    }));
    fill({"Иванов", "Иван", "Иванович", "ООО", "Щит", "Директор", "Петров"});
    QVERIFY(clickView());
    const int smallest = preview::pointSize(1);
    QCOMPARE(cardLabel("Name")->font().pointSize(), smallest);
    QCOMPARE(cardLabel("Patron")->font().pointSize(), smallest);
    QCOMPARE(cardLabel("Name")->text(), QString("Иван"));
}

void TestPreview::shortRectangleLeavesLabelAlone()
{
    QVERIFY(testsupport::editParamsFonts([](QJsonObject& fonts) { setEntry(fonts, "Date", "coords", QJsonArray{77.5, 63.25}); }));
    fill({"Иванов", "Иван", "Иванович", "ООО", "Щит", "Директор", "Петров"});
    QVERIFY(clickView());
    QCOMPARE(cardLabel("Date")->text(), QString("TextLabel"));
    QCOMPARE(cardLabel("Surname")->text(), QString("Иванов"));
}

void TestPreview::blankPictureIsNoField()
{
    QVERIFY(testsupport::editParamsFonts([](QJsonObject& fonts) { fonts["Back"] = fonts["Name"]; }));
    fill({"Иванов", "Иван", "Иванович", "ООО", "Щит", "Директор", "Петров"});
    QVERIFY(clickView());
    QLabel* back = cardLabel("Back");
    QVERIFY(back);
    QVERIFY(!back->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(back->text(), QString());
}

// The blank is decoded for the first rendering, not when the main window is
// built or first shown: that would add to every start of the program.
void TestPreview::cardShowsTheBlankWithoutLoadingItEarly()
{
    Card card;
    auto* back = card.findChild<QLabel*>("labelBack");
    QVERIFY(back);
    // Not even by the first pass of the event loop, where the window is shown.
    QCoreApplication::processEvents();
    QVERIFY(back->pixmap(Qt::ReturnByValue).isNull());
    const QImage rendered = card.grab().toImage();
    QCOMPARE(rendered.size(), QSize(750, 955));
    const QImage expected = blankAsDrawn();
    QImage white(expected.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    QVERIFY(withoutLabels(expected) != withoutLabels(white));
    QCOMPARE(withoutLabels(rendered), withoutLabels(expected));
}

void TestPreview::previewShowsTheBlank()
{
    fill({"Иванов", "Иван", "Иванович", "ООО", "Щит", "Директор", "Петров"});
    QWidget* window = clickView();
    QVERIFY(window);
    const QImage shown = window->findChild<QLabel*>()->pixmap(Qt::ReturnByValue).toImage();
    const QImage expected = QPixmap::fromImage(blankAsDrawn())
                                .scaledToWidth(shown.width(), Qt::SmoothTransformation)
                                .toImage()
                                .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), expected.size());
    // Below the date no label lies; a few rows of margin for the smoothing.
    const int top = 470 * shown.width() / 750 + 3;
    const QRect below(0, top, shown.width(), shown.height() - top);
    QCOMPARE(shown.convertToFormat(QImage::Format_RGB32).copy(below), expected.copy(below));
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"

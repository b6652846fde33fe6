#include "app/security.h"
#include "card/layoutparams.h"
#include "card/picturetarget.h"
#include "card/preview.h"
#include "card/printertarget.h"
#include "util/questions.h"

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

QList<QWidget*> windowsTitled(const QString& title)
{
    QList<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle() == title)
            found << widget;
    }
    return found;
}

// Answers yes to everything: the comparison prints whatever the texts are.
class YesQuestions : public Questions
{
public:
    FitAnswer fit(const QString&) override { return FitAnswer::AsIs; }
    FitAnswer cannotFit(const QString&) override { return FitAnswer::AsIs; }
    bool printWithoutA6(const QString&) override { return true; }
    bool printInOtherFamily(const QString&, const QString&) override { return true; }
    bool confirm(const QString&) override { return true; }
    QStringList chooseFiles(FileChoice, const QString&, const QString&, const QString&) override { return {}; }
};

const QStringList kKeys{"Surname", "Name", "Patron", "Form", "Comp", "DirPost", "Dir", "Date"};
const QStringList kTexts{"Иванов", "Пётр", "Сергеевич", "ООО", "ЧОО «Щит»", "Генеральный директор",
                         "А.А. Громов", "15.03.2024"};

// The card of texts given in the order of kKeys.
printjob::CardTexts cardOf(const QStringList& texts)
{
    printjob::CardTexts card;
    for (int i = 0; i < kKeys.size(); ++i)
        card.texts.insert(kKeys.at(i), texts.at(i));
    return card;
}

// Where the ink of a picture lies between two rows: left, top, right,
// bottom in pixels; a null rectangle when there is none.
QRect inkBox(const QImage& picture, int top, int bottom)
{
    int left = picture.width(), right = -1, first = -1, last = -1;
    for (int y = qMax(0, top); y < qMin(bottom, picture.height()); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (qGray(picture.pixel(x, y)) >= 140)
                continue;
            left = qMin(left, x);
            right = qMax(right, x);
            first = first < 0 ? y : first;
            last = y;
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, first), QPoint(right, last));
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sizesFollowTheScreen_data();
    void sizesFollowTheScreen();
    void previewShowsTheFilledCard();
    void previewWindowsOpenAndClose();
    void previewMatchesPrintedPage_data();
    void previewMatchesPrintedPage();

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
    for (int i = 0; i < kKeys.size() - 1; ++i) { // the date is set below
        auto* edit = m_window->findChild<QLineEdit*>("lineEdit" + kKeys.at(i));
        QVERIFY2(edit, qPrintable(kKeys.at(i)));
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

void TestPreview::sizesFollowTheScreen_data()
{
    QTest::addColumn<int>("screenWidth");
    QTest::addColumn<QSize>("window");
    QTest::newRow("full HD") << 1920 << QSize(480, 610);
    QTest::newRow("1366 wide") << 1366 << QSize(341, 434);
    QTest::newRow("offscreen 800") << 800 << QSize(200, 254);
    QTest::newRow("4K") << 7680 << QSize(1920, 2443);
    QTest::newRow("no screen width: the card's own size") << 0 << QSize(750, 954);
}

void TestPreview::sizesFollowTheScreen()
{
    QFETCH(int, screenWidth);
    QFETCH(QSize, window);
    QCOMPARE(preview::windowSize(screenWidth), window);
}

// Each click opens another window; a closed one is released, Escape closes one.
void TestPreview::previewWindowsOpenAndClose()
{
    fill({"Иванов", "Иван", "", "ООО", "Щит", "Директор", "Петров"});
    QPointer<QWidget> first = clickView();
    QPointer<QWidget> second = clickView();
    QVERIFY(first && second);
    QVERIFY(first != second);
    QVERIFY(first->isVisible() && second->isVisible());
    QCOMPARE(windowsTitled(kPreviewTitle).size(), 2);
    QVERIFY(first->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
    second->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(second));
    QTest::keyClick(second, Qt::Key_Escape);
    QTRY_VERIFY(!second);
}

// The window shows the pipeline's picture of the form's card, at its own
// size; below the date there is no field, and the picture is the blank's there.
void TestPreview::previewShowsTheFilledCard()
{
    const QStringList texts{"Иванов", "Иван", "Иванович", "ООО", "ЧОО «Щит»", "Директор", "П.П. Петров", "15.03.2024"};
    fill(texts);
    QWidget* window = clickView();
    QVERIFY(window);

    const int screenWidth = QGuiApplication::screens().first()->size().width();
    const QSize size(screenWidth / 4, int(float(screenWidth) * 0.25f * 1.2727273f));
    QCOMPARE(window->size(), size);
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(!window->parentWidget());
    const QList<QLabel*> pictures = window->findChildren<QLabel*>();
    QCOMPARE(pictures.size(), 1);
    QVERIFY(pictures.first()->hasScaledContents());
    const QImage shown = pictures.first()->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_RGB32);

    LayoutParams layout;
    QString error;
    QCOMPARE(readLayoutParams("params.txt", &layout, &error), LayoutReadResult::Ok);
    const QImage painted = printjob::previewCard(cardOf(texts), layout, size).picture.convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown, painted);
    // Not a blank picture: the surname's row holds ink.
    QVERIFY(!inkBox(shown, int(13.5 * size.width() / 110), int(20 * size.width() / 110)).isNull());

    const QImage blank =
        QImage(":/card.png").scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(
            QImage::Format_RGB32);
    const int top = 70 * shown.width() / 110;
    qint64 difference = 0, fromWhite = 0, pixels = 0;
    for (int y = top; y < shown.height() - 2; ++y) {
        for (int x = 2; x < shown.width() - 2; ++x) {
            difference += qAbs(qGray(shown.pixel(x, y)) - qGray(blank.pixel(x, y)));
            fromWhite += 255 - qGray(shown.pixel(x, y));
            ++pixels;
        }
    }
    // The blank's fine lines take a pixel's difference in the scaling; a
    // missing or misplaced blank differs as much as white does.
    const QString figures = QString("%1 from the blank, %2 from white").arg(double(difference) / pixels)
                                .arg(double(fromWhite) / pixels);
    QVERIFY2(fromWhite > 4 * pixels, qPrintable(figures));
    QVERIFY2(2 * difference < fromWhite, qPrintable(figures));
}

void TestPreview::previewMatchesPrintedPage_data()
{
    QTest::addColumn<float>("moveSurname"); // card millimetres to the right
    QTest::addColumn<float>("udShift");
    QTest::addColumn<float>("lrShift");
    QTest::newRow("delivered layout") << 0.0f << 0.0f << 0.0f;
    QTest::newRow("surname moved, shifts +5/+3") << 20.0f << 5.0f << 3.0f;
}

// Each field's letters lie where the printed page has them: the preview's
// ink against the test print's PDF rendered at the same scale, within 1 mm
// on the card and 5 % of the width.
void TestPreview::previewMatchesPrintedPage()
{
    QFETCH(float, moveSurname);
    QFETCH(float, udShift);
    QFETCH(float, lrShift);
    LayoutParams layout;
    QString error;
    QCOMPARE(readLayoutParams("params.txt", &layout, &error), LayoutReadResult::Ok);
    layout.coords["Surname"][0] += moveSurname;
    layout.udShift = udShift;
    layout.lrShift = lrShift;
    const printjob::CardTexts card = cardOf(kTexts);

    constexpr int kWidth = 1300; // the blank's picture: 11.8 pixels a card millimetre
    const QImage preview = printjob::previewCard(card, layout, QSize(kWidth, 1655), QString()).picture;
    PrinterTarget pdf(true);
    pdf.configure();
    YesQuestions yes;
    QCOMPARE(printjob::run({printjob::Kind::Single, {card}, layout, &pdf, nullptr, {}}, yes).sent, 1);
    bool ok = false;
    testsupport::runTool("pdftoppm", {"-png", "-singlefile", "-scale-to-x", QString::number(kWidth), "-scale-to-y",
                                      "-1", "card.pdf", m_dir->filePath("printed")},
                         &ok);
    QVERIFY(ok);
    const QImage printed(m_dir->filePath("printed.png"));
    QCOMPARE(printed.width(), kWidth);

    const double mm = kWidth / 110.0;
    for (const QString& key : kKeys) {
        const QVector<float> r = layout.coords.value(key);
        const int top = int((r[1] - udShift) * mm), bottom = int((r[1] + r[3] - udShift) * mm);
        const QRect inPreview = inkBox(preview, top, bottom);
        const QRect onPaper = inkBox(printed, top, bottom);
        const QString where = QString("%1: preview %2,%3 %4x%5, paper %6,%7 %8x%9")
                                  .arg(key)
                                  .arg(inPreview.x()).arg(inPreview.y()).arg(inPreview.width()).arg(inPreview.height())
                                  .arg(onPaper.x()).arg(onPaper.y()).arg(onPaper.width()).arg(onPaper.height());
        QVERIFY2(!onPaper.isNull() && !inPreview.isNull(), qPrintable(where));
        QVERIFY2(qAbs(inPreview.left() - onPaper.left()) <= mm && qAbs(inPreview.right() - onPaper.right()) <= mm
                     && qAbs(inPreview.top() - onPaper.top()) <= mm
                     && qAbs(inPreview.bottom() - onPaper.bottom()) <= mm,
                 qPrintable(where));
        QVERIFY2(qAbs(inPreview.width() - onPaper.width()) <= 0.05 * onPaper.width(), qPrintable(where));
    }
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"

#include "card/layoutparams.h"
#include "card/printjob.h"
#include "db/database.h"
#include "support/testengine.h"
#include "support/testsupport.h"
#include "util/questions.h"

#include <QPaintEngine>
#include <QPaintDevice>
#include <QSqlDatabase>
#include <QtTest>

#include <functional>
#include <memory>

// The print pipeline of the core, without a window or a printer: a scripted
// operator and a target that plays the spooler.
namespace {

const QString kCheck = QStringLiteral("pipeline-check");

// Answers from a script and notes every question asked.
class ScriptedQuestions : public Questions
{
public:
    QStringList asked;
    bool a6 = true;
    bool family = true;
    FitAnswer fitAnswer = FitAnswer::AsIs;
    QString fitText;

    FitAnswer fit(const QString& text) override
    {
        asked << "fit";
        fitText = text;
        return fitAnswer;
    }
    FitAnswer cannotFit(const QString& text) override
    {
        asked << "cannot fit";
        fitText = text;
        return fitAnswer == FitAnswer::Shrink ? FitAnswer::AsIs : fitAnswer;
    }
    bool printWithoutA6(const QString&) override { return note("a6", a6); }
    bool printInOtherFamily(const QString&, const QString&) override { return note("family", family); }
    bool confirm(const QString&) override { return note("confirm", false); }
    QStringList chooseFiles(FileChoice, const QString&, const QString&, const QString&) override { return {}; }

private:
    bool note(const QString& question, bool answer)
    {
        asked << question;
        return answer;
    }
};

// A paint engine that draws nothing; its end() is the hand-over to the spooler.
class SpoolerEngine : public QPaintEngine
{
public:
    std::function<bool()> handOver;
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return handOver ? handOver() : true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    Type type() const override { return User; }
};

// An A6 device at 72 dpi whose job the test's spooler takes at the painter's end.
class SpoolerDevice : public QPaintDevice
{
public:
    SpoolerEngine engine;
    QPaintEngine* paintEngine() const override { return const_cast<SpoolerEngine*>(&engine); }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return 297;
        case PdmHeight: return 420;
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 72;
        case PdmWidthMM: return 105;
        case PdmHeightMM: return 148;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }
};

class SpoolerTarget : public printjob::Target
{
public:
    SpoolerDevice device_;
    bool knowsA6_ = true;
    int pages = 1;

    Use use() const override { return Use::Printer; }
    QString name() const override { return QStringLiteral("test-queue"); }
    bool knowsA6() const override { return knowsA6_; }
    QPaintDevice* device() override { return &device_; }
    QRectF paper() const override { return printjob::a6Paper(); }
    bool newPage() override
    {
        ++pages;
        return true;
    }
    QString background() const override { return QString(); }
};

// The register's statuses and notes; none before the register is made.
QStringList statuses()
{
    const QStringList rows = testsupport::checkRows(kCheck, "SELECT status, note FROM cards ORDER BY number");
    return rows.size() == 1 && rows.first().startsWith("<error>") ? QStringList() : rows;
}

} // namespace

class TestPipeline : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void handOverFindsEveryRowSent_data();
    void handOverFindsEveryRowSent();
    void questionsDecideThePrint_data();
    void questionsDecideThePrint();
    void numbersGoOnTheCards();

private:
    printjob::Request request(int cards);

    std::unique_ptr<testsupport::WorkDir> m_dir;
    std::unique_ptr<DataBase> m_db;
    LayoutParams m_layout;
    std::unique_ptr<SpoolerTarget> m_target;
};

void TestPipeline::initTestCase()
{
    REQUIRE_TEST_ENGINE();
}

void TestPipeline::init()
{
    m_dir.reset(new testsupport::WorkDir);
    QVERIFY(m_dir->seedParams(false));
    QVERIFY(m_dir->seedFonts());
    QString error;
    QCOMPARE(readLayoutParams("params.txt", &m_layout, &error), LayoutReadResult::Ok);
    QVERIFY(testsupport::prepareWorkFolder(m_dir->path()));
    m_db.reset(new DataBase);
    QVERIFY(testsupport::openUnderTest(*m_db));
    QVERIFY(testsupport::openCheckConnection(kCheck, m_dir->filePath("dataBase.db")));
    m_target.reset(new SpoolerTarget);
}

void TestPipeline::cleanup()
{
    QSqlDatabase::database(kCheck, false).close();
    QSqlDatabase::removeDatabase(kCheck);
    m_db.reset();
    m_dir.reset();
}

printjob::Request TestPipeline::request(int cards)
{
    printjob::Request request;
    request.kind = printjob::Kind::Batch;
    for (int i = 0; i < cards; ++i) {
        const QString surname = QStringLiteral("Фамилия%1").arg(i + 1);
        request.cards.append({{{"Surname", surname}, {"Name", "Иван"}, {"Form", "ООО"}, {"Comp", "Щит"}},
                              QStringLiteral("ООО Щит"), QString(), surname});
    }
    request.layout = m_layout;
    request.target = m_target.get();
    request.database = m_db.get();
    return request;
}

void TestPipeline::handOverFindsEveryRowSent_data()
{
    QTest::addColumn<int>("cards");
    QTest::addColumn<int>("stopAfter"); // 0: never stopped
    QTest::addColumn<bool>("handedOver");
    QTest::addColumn<int>("sent");
    QTest::newRow("all") << 3 << 0 << true << 3;
    QTest::newRow("stopped after the first") << 3 << 1 << true << 1;
    QTest::newRow("stopped after the last") << 3 << 3 << true << 3;
    QTest::newRow("hand-over failed") << 3 << 0 << false << 0;
    QTest::newRow("no cards") << 0 << 0 << true << 0;
}

// At the hand-over every painted card has its committed row, 'sent'; the
// cards not painted stay unfinished; after it they are issued, or unfinished
// when the spooler refused the job.
void TestPipeline::handOverFindsEveryRowSent()
{
    QFETCH(int, cards);
    QFETCH(int, stopAfter);
    QFETCH(bool, handedOver);
    QFETCH(int, sent);
    const int painted = stopAfter ? stopAfter : cards;
    QStringList atHandOver;
    m_target->device_.engine.handOver = [&] {
        atHandOver = statuses();
        return handedOver;
    };
    printjob::Request job = request(cards);
    QVector<int> told;
    job.pagePainted = [&](int count) {
        told << count;
        return count != stopAfter;
    };
    ScriptedQuestions questions;
    const printjob::Outcome outcome = printjob::run(job, questions);

    QCOMPARE(outcome.sent, sent);
    QCOMPARE(outcome.registerError, QString());
    QCOMPARE(outcome.error, handedOver ? QString() : QString("Не удалось завершить печать"));
    QCOMPARE(told.size(), cards ? painted + 1 : 0);
    QStringList expectedAtHandOver;
    QStringList expectedAfter;
    for (int i = 0; i < cards; ++i) {
        const bool onPaper = i < painted;
        expectedAtHandOver << (onPaper ? "sent|" : "spoiled|печать не завершена");
        expectedAfter << (onPaper && handedOver ? "issued|" : "spoiled|печать не завершена");
    }
    if (cards > 0)
        QCOMPARE(atHandOver, expectedAtHandOver);
    QCOMPARE(statuses(), expectedAfter);
}

void TestPipeline::questionsDecideThePrint_data()
{
    QTest::addColumn<bool>("knowsA6");
    QTest::addColumn<bool>("printWithoutA6");
    QTest::addColumn<bool>("familyThere");
    QTest::addColumn<bool>("overflowing");
    QTest::addColumn<int>("fitAnswer");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<bool>("printed");
    const int asIs = int(Questions::FitAnswer::AsIs);
    const int cancel = int(Questions::FitAnswer::Cancel);
    QTest::newRow("nothing to ask") << true << false << true << false << asIs << QStringList() << true;
    QTest::newRow("no A6, refused") << false << false << true << true << asIs << QStringList{"a6"} << false;
    QTest::newRow("no A6, accepted") << false << true << true << false << asIs << QStringList{"a6"} << true;
    QTest::newRow("family missing, refused") << true << false << false << false << asIs << QStringList{"family"}
                                             << false;
    // 60 letters cannot fit even at the smallest size: "Уменьшить шрифт" is not offered.
    QTest::newRow("overflow, cancelled") << true << false << true << true << cancel << QStringList{"cannot fit"}
                                         << false;
    QTest::newRow("overflow, as it is") << true << false << true << true << asIs << QStringList{"cannot fit"} << true;
}

// The questions come in order, once per job, and a refusal prints nothing
// and records nothing.
void TestPipeline::questionsDecideThePrint()
{
    QFETCH(bool, knowsA6);
    QFETCH(bool, printWithoutA6);
    QFETCH(bool, familyThere);
    QFETCH(bool, overflowing);
    QFETCH(int, fitAnswer);
    QFETCH(QStringList, asked);
    QFETCH(bool, printed);
    m_target->knowsA6_ = knowsA6;
    if (!familyThere)
        m_layout.fonts["Surname"]["family"] = QStringLiteral("Нет Такого Шрифта");
    printjob::Request job = request(2);
    if (overflowing)
        job.cards[1].texts["Surname"] = QString(60, QChar(0x0416));
    bool handedOver = false;
    m_target->device_.engine.handOver = [&] { return handedOver = true; };
    ScriptedQuestions questions;
    questions.a6 = printWithoutA6;
    questions.family = false;
    questions.fitAnswer = Questions::FitAnswer(fitAnswer);
    const printjob::Outcome outcome = printjob::run(job, questions);

    QCOMPARE(questions.asked, asked);
    QCOMPARE(outcome.asked, printed);
    QCOMPARE(handedOver, printed);
    QCOMPARE(statuses().size(), printed ? 2 : 0);
    if (asked.contains("fit"))
        QVERIFY2(questions.fitText.contains("на 1 карточках из 2") && questions.fitText.contains("— Фамилия2"),
                 qPrintable(questions.fitText));
}

// A layout with a "Number" field prints each card's register number.
void TestPipeline::numbersGoOnTheCards()
{
    m_layout.fonts["Number"] = m_layout.fonts.value("Surname");
    m_layout.coords["Number"] = {5, 5, 30, 6};
    ScriptedQuestions questions;
    const printjob::Outcome outcome = printjob::run(request(2), questions);
    QCOMPARE(outcome.sent, 2);
    QCOMPARE(outcome.numbers.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(outcome.numbers.at(i) > 0);
        bool found = false;
        for (const cardlayout::CardField& field : outcome.pages.at(i).fields) {
            if (field.key == "Number") {
                QCOMPARE(field.text, QString::number(outcome.numbers.at(i)));
                found = true;
            }
        }
        QVERIFY(found);
    }
    QCOMPARE(testsupport::checkRows(kCheck, "SELECT number FROM cards ORDER BY number"),
             (QStringList{QString::number(outcome.numbers.at(0)), QString::number(outcome.numbers.at(1))}));
}

QTEST_MAIN(TestPipeline)
#include "tst_pipeline.moc"

#include "card/layoutparams.h"
#include "app/security.h"
#include "support/testsupport.h"
#include "util/textfiles.h"

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMessageBox>
#include <QTextCodec>
#include <QtTest>

using testsupport::ModalAnswer;
using testsupport::WorkDir;

using Fonts = QMap<QString, QMap<QString, QString>>;
using Coords = QMap<QString, QVector<float>>;
Q_DECLARE_METATYPE(Fonts)
Q_DECLARE_METATYPE(Coords)

namespace {

QByteArray cp1251(const QString& text)
{
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
}

// Parses a text the way the program reads "params.txt": trimmed lines.
bool parseText(const QString& text, LayoutParams* out, QString* error = nullptr)
{
    return parseLayoutParams(textLines(text, true), out, error);
}

LayoutParams sampleParams()
{
    LayoutParams params;
    params.root.insert("version", "2");
    params.fonts["Surname"] = {{"align", "Left"}, {"family", "Times New Roman"}, {"size", "12"}};
    params.coords["Surname"] = {10.3f, 5, 0.5f, -1.5f};
    params.udShift = 1.5f;
    params.lrShift = -2;
    return params;
}

const char* const sampleJson = "{\n"
                               "    \"data\": {\n"
                               "        \"fonts\": {\n"
                               "            \"Surname\": {\n"
                               "                \"align\": \"Left\",\n"
                               "                \"coords\": [\n"
                               "                    10.300000190734863,\n"
                               "                    5,\n"
                               "                    0.5,\n"
                               "                    -1.5\n"
                               "                ],\n"
                               "                \"family\": \"Times New Roman\",\n"
                               "                \"size\": \"12\"\n"
                               "            }\n"
                               "        },\n"
                               "        \"lrShift\": -2,\n"
                               "        \"udShift\": 1.5\n"
                               "    },\n"
                               "    \"version\": \"2\"\n"
                               "}\n";

} // namespace

// The layout parameters file: parsing, the writer's exact layout, encodings,
// and the main window's reading slot with its warnings.
class TestLayoutParams : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void parseReadsValues_data();
    void parseReadsValues();
    void parseErrorLeavesTargetAlone_data();
    void parseErrorLeavesTargetAlone();
    void writerLayoutIsExact();
    void numbersPassThroughFloats_data();
    void numbersPassThroughFloats();
    void saveKeepsRootDropsDataExtras();
    void saveRewritesEntryMembers();
    void keyWithoutCoordsGetsEmptyArray();
    void savedAgainComesOutTheSame();
    void cyrillicRoundTripIsByteExact();
    void charactersBeyondWindows1251RoundTrip_data();
    void charactersBeyondWindows1251RoundTrip();
    void handWrittenEncodingsRead_data();
    void handWrittenEncodingsRead();
    void readResultsAndUntouchedTarget();
    void failedWriteKeepsOldFile();
    void deliveredFilesAreComplete_data();
    void deliveredFilesAreComplete();
    void readParamsWarns_data();
    void readParamsWarns();
    void readParamsAcceptsValidFile_data();
    void readParamsAcceptsValidFile();
};

void TestLayoutParams::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
}

void TestLayoutParams::parseReadsValues_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<float>("udShift");
    QTest::addColumn<float>("lrShift");
    QTest::addColumn<Fonts>("fonts");
    QTest::addColumn<Coords>("coords");

    QTest::newRow("empty object") << "{}" << 0.f << 0.f << Fonts() << Coords();
    QTest::newRow("array root") << "[1, 2]" << 0.f << 0.f << Fonts() << Coords();
    QTest::newRow("data not an object") << R"({"data": [1]})" << 0.f << 0.f << Fonts() << Coords();
    QTest::newRow("shifts not numbers") << R"({"data": {"udShift": "1", "lrShift": true}})" << 0.f << 0.f << Fonts()
                                        << Coords();
    QTest::newRow("shifts") << R"({"data": {"udShift": -0.5, "lrShift": 2}})" << -0.5f << 2.f << Fonts() << Coords();
    QTest::newRow("fonts not an object") << R"({"data": {"fonts": "x"}})" << 0.f << 0.f << Fonts() << Coords();
    QTest::newRow("entry not an object")
        << R"({"data": {"fonts": {"Dir": 5}}})" << 0.f << 0.f << Fonts{{"Dir", {}}} << Coords{{"Dir", {}}};
    QTest::newRow("size as number reads empty")
        << R"({"data": {"fonts": {"Name": {"size": 12, "family": "Arial"}}}})" << 0.f << 0.f
        << Fonts{{"Name", {{"size", ""}, {"family", "Arial"}}}} << Coords{{"Name", {}}};
    QTest::newRow("size as string")
        << R"({"data": {"fonts": {"Name": {"size": "12"}}}})" << 0.f << 0.f << Fonts{{"Name", {{"size", "12"}}}}
        << Coords{{"Name", {}}};
    QTest::newRow("second array after coords")
        << R"({"data": {"fonts": {"Date": {"extra": [5, 6], "coords": [1, 2, 3, 4]}}}})" << 0.f << 0.f
        << Fonts{{"Date", {}}} << Coords{{"Date", {1, 2, 3, 4, 5, 6}}};
    QTest::newRow("array sorting before coords")
        << R"({"data": {"fonts": {"Date": {"coords": [1, 2], "abc": [9]}}}})" << 0.f << 0.f << Fonts{{"Date", {}}}
        << Coords{{"Date", {9, 1, 2}}};
    QTest::newRow("non-numbers in coords read 0")
        << R"({"data": {"fonts": {"Comp": {"coords": ["7", null, [1], 3.25]}}}})" << 0.f << 0.f
        << Fonts{{"Comp", {}}} << Coords{{"Comp", {0, 0, 0, 3.25f}}};
    QTest::newRow("short coords kept as they are")
        << R"({"data": {"fonts": {"Comp": {"coords": [7]}}}})" << 0.f << 0.f << Fonts{{"Comp", {}}}
        << Coords{{"Comp", {7}}};
    QTest::newRow("unknown key like the others")
        << R"({"data": {"fonts": {"Stamp": {"align": "Right"}}}})" << 0.f << 0.f
        << Fonts{{"Stamp", {{"align", "Right"}}}} << Coords{{"Stamp", {}}};
    QTest::newRow("beyond float range saturates")
        << R"({"data": {"udShift": 1e39, "lrShift": -1e300, "fonts": {"A": {"coords": [1e-50]}}}})"
        << std::numeric_limits<float>::max() << -std::numeric_limits<float>::max() << Fonts{{"A", {}}}
        << Coords{{"A", {0}}};
    const QString mark(QChar(0xFEFF)); // QString("\uFEFF...") would drop it as a byte order mark
    QTest::newRow("strings starting with a raw U+FEFF")
        << QString(R"({"%1a": 1, "data": {"udShift": 2, "fonts": {"%1Dir": {"family": "%1Arial"}}}})").arg(mark) << 2.f
        << 0.f << Fonts{{mark + "Dir", {{"family", mark + "Arial"}}}} << Coords{{mark + "Dir", {}}};
    const QString nul(QChar(0));
    QTest::newRow("raw U+0000 inside keys")
        << QString(R"({"a%1z": 1, "a%1b": 2, "data": {"udShift": 2, "fonts": {"K%1": {"s%1z": "1", "s%1b": "2"}}}})")
               .arg(nul)
        << 2.f << 0.f << Fonts{{"K" + nul, {{"s" + nul + "z", "1"}, {"s" + nul + "b", "2"}}}}
        << Coords{{"K" + nul, {}}};
    QTest::newRow("spread over lines with blanks")
        << "\n  {\n\n\t\"data\" :\n {\"udShift\":\n  3,\n\n \"fonts\": {\"Dir\": {\"align\":\n\"Center\"}}}\n}\n\n"
        << 3.f << 0.f << Fonts{{"Dir", {{"align", "Center"}}}} << Coords{{"Dir", {}}};
}

void TestLayoutParams::parseReadsValues()
{
    QFETCH(QString, json);
    QFETCH(float, udShift);
    QFETCH(float, lrShift);
    QFETCH(Fonts, fonts);
    QFETCH(Coords, coords);

    LayoutParams params;
    params.fonts["stale"] = {};
    params.coords["stale"] = {1};
    QString error;
    QVERIFY2(parseText(json, &params, &error), qPrintable(error));
    QCOMPARE(params.udShift, udShift);
    QCOMPARE(params.lrShift, lrShift);
    QCOMPARE(params.fonts, fonts);
    QCOMPARE(params.coords, coords);
    QCOMPARE(params.fonts.keys(), params.coords.keys());
}

void TestLayoutParams::parseErrorLeavesTargetAlone_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty") << "" << "illegal value";
    QTest::newRow("blank lines only") << "\n   \n" << "illegal value";
    QTest::newRow("unterminated object") << R"({"data": {})" << "unterminated object";
    QTest::newRow("plain text") << "udShift = 3" << "illegal value";
    QTest::newRow("bare number") << "5" << "illegal value";
    QTest::newRow("number beyond double") << R"({"data": {"udShift": 1e400}})" << "illegal number";
}

void TestLayoutParams::parseErrorLeavesTargetAlone()
{
    QFETCH(QString, json);
    QFETCH(QString, message);

    LayoutParams params = sampleParams();
    QString error;
    QVERIFY(!parseText(json, &params, &error));
    QCOMPARE(error, message);
    QCOMPARE(params.root, sampleParams().root);
    QCOMPARE(params.fonts, sampleParams().fonts);
    QCOMPARE(params.coords, sampleParams().coords);
    QCOMPARE(params.udShift, 1.5f);
}

void TestLayoutParams::writerLayoutIsExact()
{
    WorkDir dir;
    LayoutParams params = sampleParams();
    QString error;
    QVERIFY2(writeLayoutParams("params.txt", &params, &error), qPrintable(error));
    QCOMPARE(dir.readFile("params.txt"), QByteArray(sampleJson) + "\n");
    QCOMPARE(layoutParamsJson(sampleParams()), QString(sampleJson));

    // Reading what was written and writing again changes nothing.
    LayoutParams back;
    QCOMPARE(readLayoutParams("params.txt", &back, &error), LayoutReadResult::Ok);
    QCOMPARE(back.root, params.root);
    QCOMPARE(layoutParamsJson(back), QString(sampleJson));
}

void TestLayoutParams::numbersPassThroughFloats_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("written");

    QTest::newRow("10.3 shows the float") << "10.3" << "10.300000190734863";
    QTest::newRow("0.1 shows the float") << "0.1" << "0.10000000149011612";
    QTest::newRow("half is exact") << "0.5" << "0.5";
    QTest::newRow("negative exact") << "-1.5" << "-1.5";
    QTest::newRow("whole number") << "25" << "25";
    QTest::newRow("whole number written with point") << "25.0" << "25";
    QTest::newRow("negative zero") << "-0" << "0";
}

void TestLayoutParams::numbersPassThroughFloats()
{
    QFETCH(QString, given);
    QFETCH(QString, written);

    const QString json = QString(R"({"data": {"udShift": %1, "fonts": {"K": {"coords": [%1]}}}})").arg(given);
    LayoutParams params;
    QVERIFY(parseText(json, &params));
    const QString out = layoutParamsJson(params);
    QVERIFY2(out.contains(QString("\"udShift\": %1\n").arg(written)), qPrintable(out));
    QVERIFY2(out.contains(QString("\"coords\": [\n                    %1\n").arg(written)), qPrintable(out));

    LayoutParams back;
    QVERIFY(parseText(out, &back));
    QCOMPARE(back.udShift, params.udShift);
    QCOMPARE(back.coords, params.coords);
}

void TestLayoutParams::saveKeepsRootDropsDataExtras()
{
    const QString json = R"({"version": 3, "about": {"by": "Отдел", "list": [1, "a"]},
                             "data": {"comment": "dropped", "udShift": 1, "fonts": {}}})";
    LayoutParams params;
    QVERIFY(parseText(json, &params));
    LayoutParams back;
    QVERIFY(parseText(layoutParamsJson(params), &back));

    QJsonObject expectedRoot = params.root;
    expectedRoot.remove("data");
    QJsonObject keptRoot = back.root;
    keptRoot.remove("data");
    QCOMPARE(keptRoot, expectedRoot);
    QCOMPARE(back.root.value("data").toObject().keys(), (QStringList{"fonts", "lrShift", "udShift"}));
}

void TestLayoutParams::saveRewritesEntryMembers()
{
    const QString json = R"({"data": {"fonts": {"Name": {"weight": "bold", "size": 12, "italic": true,
                             "coords": [1, 2, 3, 4], "more": [5]}}}})";
    LayoutParams params;
    QVERIFY(parseText(json, &params));
    LayoutParams back;
    QVERIFY(parseText(layoutParamsJson(params), &back));

    const QJsonObject entry = back.root["data"].toObject()["fonts"].toObject()["Name"].toObject();
    QCOMPARE(entry.keys(), (QStringList{"coords", "italic", "size", "weight"}));
    QCOMPARE(entry["weight"].toString(), QString("bold"));
    QVERIFY(entry["size"].isString() && entry["size"].toString().isEmpty());
    QVERIFY(entry["italic"].isString() && entry["italic"].toString().isEmpty());
    QCOMPARE(back.coords["Name"], (QVector<float>{1, 2, 3, 4, 5}));
}

void TestLayoutParams::keyWithoutCoordsGetsEmptyArray()
{
    LayoutParams params = sampleParams();
    params.fonts["Extra"] = {{"size", "9"}};
    updateLayoutRoot(&params);
    QCOMPARE(params.coords.keys(), params.fonts.keys());
    QVERIFY(params.coords["Extra"].isEmpty());
    const QJsonValue extra = params.root["data"].toObject()["fonts"].toObject()["Extra"].toObject()["coords"];
    QVERIFY(extra.isArray() && extra.toArray().isEmpty());
}

void TestLayoutParams::savedAgainComesOutTheSame()
{
    // Qt orders raw and escaped keys above U+FFFF differently; the file must not
    // change each time it is saved.
    const QString high = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString low = QString::fromUtf8("\xEF\xBF\xBD");
    const QString json = QString(R"({"note": {"%1a": 1, "%2b": 2}, "data": {"fonts": {"%1": {"%2": "x"}}}})")
                             .arg(high, low);
    LayoutParams first;
    QVERIFY(parseText(json, &first));
    const QString written = layoutParamsJson(first);
    LayoutParams second;
    QVERIFY(parseText(written, &second));
    QCOMPARE(layoutParamsJson(second), written);
    updateLayoutRoot(&first);
    QCOMPARE(second.root, first.root);
}

void TestLayoutParams::cyrillicRoundTripIsByteExact()
{
    WorkDir dir;
    LayoutParams params = sampleParams();
    params.fonts["Surname"]["family"] = "Таймс «Нью» Роман № 1";
    params.root.insert("Примечание", "Ёлкин");
    const QString json = layoutParamsJson(params);
    QVERIFY(json.contains("Таймс «Нью» Роман № 1")); // nothing escaped that the file can hold

    QString error;
    QVERIFY(writeLayoutParams("params.txt", &params, &error));
    const QByteArray bytes = dir.readFile("params.txt");
    QCOMPARE(bytes, cp1251(json) + "\n");
    QVERIFY(bytes.contains(cp1251("Ёлкин")));

    LayoutParams back;
    QCOMPARE(readLayoutParams("params.txt", &back, &error), LayoutReadResult::Ok);
    QCOMPARE(back.fonts, params.fonts);
    QCOMPARE(back.root, params.root);
    QVERIFY(writeLayoutParams("params.txt", &back, &error));
    QCOMPARE(dir.readFile("params.txt"), bytes);
}

void TestLayoutParams::charactersBeyondWindows1251RoundTrip_data()
{
    QTest::addColumn<QString>("family");

    QTest::newRow("emoji") << QString::fromUtf8("Шрифт \xF0\x9F\x98\x80");
    QTest::newRow("CJK and Greek") << QString::fromUtf8("明朝 Ωmega");
    QTest::newRow("Latin with accents") << QString::fromUtf8("Crème brûlée");
    QTest::newRow("Windows-1251 bytes that look like UTF-8") << QString::fromUtf8("Пё");
    QTest::newRow("quote and backslash") << QString::fromUtf8("a\"b\\c ☺");
}

void TestLayoutParams::charactersBeyondWindows1251RoundTrip()
{
    QFETCH(QString, family);

    WorkDir dir;
    LayoutParams params = sampleParams();
    params.fonts["Surname"]["family"] = family;
    params.fonts[family] = {{"align", family}};
    QString error;
    QVERIFY(writeLayoutParams("params.txt", &params, &error));

    LayoutParams back;
    QCOMPARE(readLayoutParams("params.txt", &back, &error), LayoutReadResult::Ok);
    QCOMPARE(back.fonts, params.fonts);
    QCOMPARE(back.coords, params.coords);
}

void TestLayoutParams::handWrittenEncodingsRead_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QString json = "{\"data\": {\"fonts\": {\"Dir\": {\"family\": \"Таймс Нью Роман\"}}}}\r\n";
    QTest::newRow("UTF-8") << json.toUtf8();
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + json.toUtf8();
    QTest::newRow("Windows-1251") << cp1251(json);
    QByteArray utf16("\xFF\xFE");
    utf16.append(reinterpret_cast<const char*>(json.utf16()), json.size() * 2);
    QTest::newRow("UTF-16LE with BOM") << utf16;
}

void TestLayoutParams::handWrittenEncodingsRead()
{
    QFETCH(QByteArray, bytes);

    WorkDir dir;
    QVERIFY(dir.writeFile("params.txt", bytes));
    LayoutParams params;
    QString error;
    QCOMPARE(readLayoutParams("params.txt", &params, &error), LayoutReadResult::Ok);
    QCOMPARE(params.fonts["Dir"]["family"], QString("Таймс Нью Роман"));
}

void TestLayoutParams::readResultsAndUntouchedTarget()
{
    WorkDir dir;
    LayoutParams params = sampleParams();
    QString error;
    QCOMPARE(readLayoutParams("params.txt", &params, &error), LayoutReadResult::FileMissing);
    QCOMPARE(error, QString("Файл params.txt не найден"));

    QVERIFY(dir.writeFile("params.txt", "{\"data\": \n"));
    QCOMPARE(readLayoutParams("params.txt", &params, &error), LayoutReadResult::Invalid);
    QCOMPARE(error, QString("unterminated object"));

    QCOMPARE(params.root, sampleParams().root);
    QCOMPARE(params.fonts, sampleParams().fonts);
    QCOMPARE(params.coords, sampleParams().coords);
    QCOMPARE(params.lrShift, -2.f);
}

void TestLayoutParams::failedWriteKeepsOldFile()
{
    WorkDir dir;
    QVERIFY(QDir().mkpath("locked/params.txt"));
    LayoutParams params = sampleParams();
    params.fonts["New"] = {};
    QString error;
    QVERIFY(!writeLayoutParams("locked/params.txt", &params, &error));
    QCOMPARE(error, QString("Не удалось открыть файл \"params.txt\""));
    QVERIFY(QFileInfo("locked/params.txt").isDir());
    // The new values are in force all the same.
    QVERIFY(params.root["data"].toObject()["fonts"].toObject().contains("New"));
    QVERIFY(params.coords.contains("New"));
}

void TestLayoutParams::deliveredFilesAreComplete_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("params") << "params.txt";
    QTest::newRow("backup") << "paramsBackUp.txt";
}

void TestLayoutParams::deliveredFilesAreComplete()
{
    QFETCH(QString, name);

    LayoutParams params;
    QString error;
    QCOMPARE(readLayoutParams(testsupport::deliveredFile(name), &params, &error), LayoutReadResult::Ok);
    const QStringList keys{"Comp", "Date", "Dir", "DirPost", "Form", "Name", "Patron", "Surname"};
    QCOMPARE(params.fonts.keys(), keys);
    for (const QString& key : keys) {
        QVERIFY2(params.coords[key].size() == 4, qPrintable(key));
        QVERIFY2(params.fonts[key]["size"].toInt() > 0, qPrintable(key));
        QVERIFY2(QStringList({"Left", "Center", "Right"}).contains(params.fonts[key]["align"]), qPrintable(key));
    }
}

void TestLayoutParams::readParamsWarns_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("asFolder");
    QTest::addColumn<QString>("text");

    QTest::newRow("missing") << QByteArray() << false << "Файл с настройками не найден";
    QTest::newRow("folder in its place") << QByteArray() << true << "Файл с настройками не найден";
    QTest::newRow("empty file") << QByteArray("") << false << "illegal value";
    QTest::newRow("not JSON") << QByteArray("udShift=1\n") << false << "illegal value";
    QTest::newRow("cut off after a number") << QByteArray("{\"data\": [1, 2\n") << false
                                            << "invalid termination by number";
}

void TestLayoutParams::readParamsWarns()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, asFolder);
    QFETCH(QString, text);

    WorkDir dir;
    if (asFolder)
        QVERIFY(QDir().mkpath("params.txt"));
    else if (!contents.isNull())
        QVERIFY(dir.writeFile("params.txt", contents));

    Security window;
    ModalAnswer answer(testsupport::clickOk());
    answer.arm();
    bool ok = true;
    QVERIFY(QMetaObject::invokeMethod(&window, "readParams", Qt::DirectConnection, Q_RETURN_ARG(bool, ok)));
    QVERIFY(!ok);
    QVERIFY(answer.answered());
    QCOMPARE(answer.title(), QString("Ошибка"));
    QCOMPARE(answer.text(), text);
    QCOMPARE(answer.buttonTexts(), QStringList{"OK"});
    QVERIFY(!QFile::exists("dataBase.db"));
}

void TestLayoutParams::readParamsAcceptsValidFile_data()
{
    QTest::addColumn<QByteArray>("contents");

    QTest::newRow("written by the program") << QByteArray(sampleJson) + "\n";
    QTest::newRow("empty object") << QByteArray("{}");
    QTest::newRow("array root") << QByteArray("[]");
}

void TestLayoutParams::readParamsAcceptsValidFile()
{
    QFETCH(QByteArray, contents);

    WorkDir dir;
    QVERIFY(dir.writeFile("params.txt", contents));
    Security window;
    ModalAnswer answer(testsupport::clickOk());
    answer.arm(300);
    bool ok = false;
    QVERIFY(QMetaObject::invokeMethod(&window, "readParams", Qt::DirectConnection, Q_RETURN_ARG(bool, ok)));
    QVERIFY(ok);
    QTest::qWait(350);
    QVERIFY(!answer.answered());
    // Reading leaves the file as it was.
    QCOMPARE(dir.readFile("params.txt"), contents);
}

QTEST_MAIN(TestLayoutParams)
#include "tst_layoutparams.moc"

#include "card/layoutparams.h"
#include "util/textfiles.h"

#include <QByteArray>
#include <QString>
#include <QTextCodec>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Feeds arbitrary bytes, as the contents of "params.txt", through the reader
// and checks that whatever it accepts survives a write and a second read.

namespace {

[[noreturn]] void fail(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "fuzz_params: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

bool parseFileBytes(const QByteArray& bytes, LayoutParams* out, QString* error)
{
    return parseLayoutParams(textLines(decodeText(bytes), true), out, error);
}

void checkSame(const LayoutParams& first, const LayoutParams& second, const QString& json)
{
    // An entry's "coords" that is not an array reads as text, but the writer
    // puts the numbers under that name, so the text cannot come back.
    auto expectedFonts = first.fonts;
    for (auto& attributes : expectedFonts)
        attributes.remove(QStringLiteral("coords"));
    if (second.fonts != expectedFonts)
        fail("fonts changed by a write and a read", json);
    if (second.coords != first.coords)
        fail("coords changed by a write and a read", json);
    if (second.udShift != first.udShift || second.lrShift != first.lrShift)
        fail("shifts changed by a write and a read", json);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));

    LayoutParams params;
    QString error;
    if (!parseFileBytes(bytes, &params, &error)) {
        if (error.isEmpty())
            fail("a rejected file gave no reason");
        return 0;
    }
    if (params.fonts.keys() != params.coords.keys())
        fail("fonts and coords have different keys");

    // What the writer stores, byte for byte as saveLines puts it on disk.
    const QString json = layoutParamsJson(params);
    const QByteArray written = QTextCodec::codecForName("Windows-1251")->fromUnicode(json) + "\n";
    LayoutParams back;
    if (!parseFileBytes(written, &back, &error))
        fail(qPrintable("the written file does not read back: " + error), json);
    checkSame(params, back, json);
    if (layoutParamsJson(back) != json)
        fail("a second write differs from the first", json);
    return 0;
}

#include "card/layoutparams.h"

#include "util/textfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QTextCodec>

#include <algorithm>
#include <limits>

const char* const layoutParamsFileName = "params.txt";

namespace {

const char* const fileEncoding = "Windows-1251";

// JSON numbers are doubles; the layout is computed in floats. A double beyond
// the float range would make the narrowing undefined, so it saturates.
float narrowToFloat(double value)
{
    constexpr float maxFloat = std::numeric_limits<float>::max();
    if (value > static_cast<double>(maxFloat))
        return maxFloat;
    if (value < -static_cast<double>(maxFloat))
        return -maxFloat;
    return static_cast<float>(value);
}

void readEntry(const QJsonObject& entry, QMap<QString, QString>* attributes, QVector<float>* numbers)
{
    QStringList names = entry.keys();
    std::sort(names.begin(), names.end());
    for (const QString& name : qAsConst(names)) {
        const QJsonValue value = entry.value(name);
        if (value.isArray()) {
            const QJsonArray items = value.toArray();
            for (const QJsonValue& item : items)
                numbers->append(narrowToFloat(item.toDouble()));
        } else {
            attributes->insert(name, value.toString());
        }
    }
}

QString unicodeEscape(QChar c)
{
    return QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
}

bool hasNonAscii(const QByteArray& bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Non-ASCII characters occur in indented JSON only inside strings, where a
// \uXXXX escape stands for the same character. Escaped are the characters that
// Windows-1251 cannot hold, and, should the Windows-1251 bytes happen to be
// valid UTF-8 (which the reader would take for UTF-8), every non-ASCII character.
QString escapeForFileEncoding(const QString& json)
{
    QTextCodec* codec = QTextCodec::codecForName(fileEncoding);
    QString result;
    result.reserve(json.size());
    for (const QChar c : json) {
        const bool keeps = c.unicode() < 0x80
                           || (!c.isSurrogate() && codec->toUnicode(codec->fromUnicode(QString(c))) == QString(c));
        result += keeps ? QString(c) : unicodeEscape(c);
    }
    const QByteArray bytes = codec->fromUnicode(result);
    if (!hasNonAscii(bytes) || !isValidUtf8(bytes))
        return result;
    QString ascii;
    for (const QChar c : qAsConst(result))
        ascii += c.unicode() < 0x80 ? QString(c) : unicodeEscape(c);
    return ascii;
}

// Two raw characters inside strings fool Qt's JSON parser: it drops U+FEFF at
// the start of a string, taking it for a byte order mark, and it stops comparing
// keys at U+0000, so that keys differing only after it merge into one. Escaped,
// both read correctly (outside strings either is an error, raw or escaped). A
// mark at the very start of the text, which the parser skips by design, stays raw.
QString escapeForParser(QString text)
{
    for (int i = text.size() - 1; i >= 0; --i) {
        const ushort c = text.at(i).unicode();
        if (c == 0)
            text.replace(i, 1, QStringLiteral("\\u0000"));
        else if (c == 0xFEFF && i > 0)
            text.replace(i, 1, QStringLiteral("\\ufeff"));
    }
    return text;
}

// Qt's parser orders the raw keys of an object by code point but escaped keys,
// like insertions, by UTF-16 unit; the two disagree for keys mixing characters
// above U+FFFF with those from U+E000 up. Copied member by member, every object
// gets the insertion order, so a file saved again comes out the same.
QJsonValue reordered(const QJsonValue& value)
{
    if (value.isObject()) {
        const QJsonObject source = value.toObject();
        QJsonObject object;
        for (auto it = source.constBegin(); it != source.constEnd(); ++it)
            object.insert(it.key(), reordered(it.value()));
        return object;
    }
    if (value.isArray()) {
        const QJsonArray source = value.toArray();
        QJsonArray array;
        for (const QJsonValue& item : source)
            array.append(reordered(item));
        return array;
    }
    return value;
}

} // namespace

bool parseLayoutParams(const QStringList& lines, LayoutParams* out, QString* error)
{
    QJsonParseError parseError;
    const QByteArray json = escapeForParser(lines.join(QString())).toUtf8();
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = parseError.errorString();
        return false;
    }

    LayoutParams params;
    params.root = reordered(document.object()).toObject();
    const QJsonObject data = params.root.value(QLatin1String("data")).toObject();
    params.udShift = narrowToFloat(data.value(QLatin1String("udShift")).toDouble());
    params.lrShift = narrowToFloat(data.value(QLatin1String("lrShift")).toDouble());

    const QJsonObject fonts = data.value(QLatin1String("fonts")).toObject();
    const QStringList keys = fonts.keys();
    for (const QString& key : keys) {
        QMap<QString, QString> attributes;
        QVector<float> numbers;
        readEntry(fonts.value(key).toObject(), &attributes, &numbers);
        params.fonts.insert(key, attributes);
        params.coords.insert(key, numbers);
    }
    *out = params;
    return true;
}

void updateLayoutRoot(LayoutParams* params)
{
    QJsonObject data;
    data.insert(QLatin1String("udShift"), static_cast<double>(params->udShift));
    data.insert(QLatin1String("lrShift"), static_cast<double>(params->lrShift));

    QJsonObject fonts;
    for (auto it = params->fonts.cbegin(); it != params->fonts.cend(); ++it) {
        QJsonObject entry;
        for (auto attribute = it->cbegin(); attribute != it->cend(); ++attribute)
            entry.insert(attribute.key(), attribute.value());
        QJsonArray numbers;
        for (float number : params->coords[it.key()])
            numbers.append(static_cast<double>(number));
        entry.insert(QLatin1String("coords"), numbers);
        fonts.insert(it.key(), entry);
    }
    data.insert(QLatin1String("fonts"), fonts);

    params->root.remove(QLatin1String("data"));
    params->root.insert(QLatin1String("data"), data);
}

QString layoutParamsJson(const LayoutParams& params)
{
    LayoutParams copy = params;
    updateLayoutRoot(&copy);
    const QByteArray json = QJsonDocument(copy.root).toJson(QJsonDocument::Indented);
    return escapeForFileEncoding(QString::fromUtf8(json));
}

LayoutReadResult readLayoutParams(const QString& fileName, LayoutParams* out, QString* error)
{
    QStringList lines;
    QString message;
    if (!readLines(fileName, lines, message, true)) {
        if (error)
            *error = message;
        return LayoutReadResult::FileMissing;
    }
    return parseLayoutParams(lines, out, error) ? LayoutReadResult::Ok : LayoutReadResult::Invalid;
}

bool writeLayoutParams(const QString& fileName, LayoutParams* params, QString* error)
{
    updateLayoutRoot(params);
    QString name = fileName;
    QString message;
    const bool saved = saveLines(name, QStringList{layoutParamsJson(*params)}, message);
    if (!saved && error)
        *error = message;
    return saved;
}

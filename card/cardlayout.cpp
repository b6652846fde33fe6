#include "card/cardlayout.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>

#include <cmath>

namespace cardlayout {

namespace {

const QString kSpace = QStringLiteral(" ");

QString sourceText(const SourceTexts& sources, const QString& key)
{
    return sources.value(key);
}

// Words first..last-1 joined with single blanks.
QString joinWords(const QStringList& words, int first, int count)
{
    return words.mid(first, count).join(kSpace);
}

// The group a field takes part in, with its place: true for the first line.
bool groupOfKey(const QString& key, Group* group, bool* firstLine)
{
    static const QMap<QString, QPair<Group, bool>> table = {
        {"Form", {Group::Organisation, true}}, {"Comp", {Group::Organisation, false}},
        {"Name", {Group::Person, true}},       {"Patron", {Group::Person, false}},
        {"DirPost", {Group::Director, true}},  {"Dir", {Group::Director, false}},
    };
    const auto it = table.constFind(key);
    if (it == table.constEnd())
        return false;
    *group = it->first;
    *firstLine = it->second;
    return true;
}

const FlowGroup& groupOf(const FlowGroups& groups, Group group)
{
    switch (group) {
    case Group::Organisation:
        return groups.organisation;
    case Group::Person:
        return groups.person;
    case Group::Director:
        break;
    }
    return groups.director;
}

} // namespace

bool fieldRect(const CoordTable& coords, const QString& key, FieldRect* rect)
{
    const QVector<float> numbers = coords.value(key);
    if (numbers.size() < 4)
        return false;
    rect->left = numbers.at(0);
    rect->top = numbers.at(1);
    rect->width = numbers.at(2);
    rect->height = numbers.at(3);
    return true;
}

int fieldSize(const FontTable& fonts, const QString& key)
{
    return fonts.value(key).value("size").toInt(nullptr, 10);
}

int usableSize(int size)
{
    return qBound(1, size, kMaxSize);
}

Qt::Alignment fieldAlignment(const FontTable& fonts, const QString& key)
{
    const QString align = fonts.value(key).value("align");
    if (align == QLatin1String("Left"))
        return Qt::AlignLeft;
    if (align == QLatin1String("Right"))
        return Qt::AlignRight;
    if (align == QLatin1String("Center"))
        return Qt::AlignHCenter;
    return Qt::Alignment();
}

int truncate(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= float(kIntLimit))
        return kIntLimit;
    if (value <= -float(kIntLimit))
        return -kIntLimit;
    return static_cast<int>(value);
}

float pageScale(float paperWidthPoints)
{
    return paperWidthPoints / kCardWidthMm;
}

bool groupFlows(Group group, const SourceTexts& sources)
{
    switch (group) {
    case Group::Organisation:
        return sourceText(sources, "Form").isEmpty() || sourceText(sources, "Comp").isEmpty();
    case Group::Person: {
        const int empty = int(sourceText(sources, "Surname").isEmpty()) + int(sourceText(sources, "Name").isEmpty())
            + int(sourceText(sources, "Patron").isEmpty());
        return empty == 2;
    }
    case Group::Director:
        break;
    }
    return sourceText(sources, "DirPost").isEmpty() || sourceText(sources, "Dir").isEmpty();
}

QStringList groupWords(Group group, const SourceTexts& sources)
{
    QStringList parts;
    switch (group) {
    case Group::Organisation:
        parts << sourceText(sources, "Form") << sourceText(sources, "Comp");
        break;
    case Group::Person:
        parts << sourceText(sources, "Surname") << sourceText(sources, "Name") << sourceText(sources, "Patron");
        break;
    case Group::Director:
        parts << sourceText(sources, "DirPost") << sourceText(sources, "Dir");
        break;
    }
    return parts.join(kSpace).split(kSpace, Qt::KeepEmptyParts);
}

int fitFirstLine(QStringList words, const QString& key, float s, float factor, const FontTable& fonts,
                 const CoordTable& coords)
{
    FieldRect rect;
    if (!fieldRect(coords, key, &rect))
        return 0;
    const int w = truncate(rect.width * s);
    const int h = truncate(rect.height * s);

    QFont font(fonts.value(key).value("family"));
    font.setPixelSize(usableSize(truncate(float(fieldSize(fonts, key)) * factor)));
    const QFontMetrics metrics(font);

    int n = words.size();
    int total = words.join(kSpace).size();
    const int half = total / 2;
    while (n > 0) {
        const QRect box = metrics.boundingRect(QRect(0, 0, w, h), Qt::AlignHCenter | Qt::AlignVCenter,
                                               joinWords(words, 0, n));
        if (box.width() <= w && box.height() <= h)
            return n;
        total -= words.at(n - 1).size() + 1;
        --n;
        if (total <= half)
            return n;
    }
    return 0;
}

FlowGroups buildFlowGroups(const SourceTexts& sources, float s, const FontTable& fonts, const CoordTable& coords)
{
    FlowGroups groups;
    const struct
    {
        Group group;
        FlowGroup* target;
        const char* fittingKey;
    } plan[] = {
        {Group::Organisation, &groups.organisation, "Form"},
        {Group::Person, &groups.person, "Patron"},
        {Group::Director, &groups.director, "DirPost"},
    };
    for (const auto& step : plan) {
        if (!groupFlows(step.group, sources))
            continue;
        step.target->words = groupWords(step.group, sources);
        step.target->firstLine = fitFirstLine(step.target->words, step.fittingKey, s, 1.0f, fonts, coords);
    }
    return groups;
}

QString composeText(const QString& key, const SourceTexts& sources, const FlowGroups& groups)
{
    if (!sources.contains(key))
        return QString();
    if (key == QLatin1String("Surname"))
        return groupFlows(Group::Person, sources) ? QString() : sourceText(sources, key);
    Group group = Group::Organisation;
    bool firstLine = false;
    if (!groupOfKey(key, &group, &firstLine) || !groupFlows(group, sources))
        return sourceText(sources, key);

    const FlowGroup& flow = groupOf(groups, group);
    const int n = flow.words.size();
    const int k = qBound(0, flow.firstLine, n);
    if (k < n)
        return firstLine ? joinWords(flow.words, 0, k) : joinWords(flow.words, k, n - k);
    // Everything fits on one line: the organisation takes its first line,
    // the person and the director their second.
    const bool onFirstLine = group == Group::Organisation;
    return firstLine == onFirstLine ? flow.words.join(kSpace) : QString();
}

QVector<CardField> composeCard(const SourceTexts& sources, float s, const FontTable& fonts, const CoordTable& coords)
{
    const FlowGroups groups = buildFlowGroups(sources, s, fonts, coords);
    QVector<CardField> fields;
    for (auto it = coords.constBegin(); it != coords.constEnd(); ++it) {
        CardField field;
        if (!fieldRect(coords, it.key(), &field.rect))
            continue;
        field.key = it.key();
        field.text = composeText(field.key, sources, groups);
        field.align = fieldAlignment(fonts, field.key);
        field.size = fieldSize(fonts, field.key);
        fields.append(field);
    }
    return fields;
}

QString resolveCardFamily(const FontTable& fonts, const QFontDatabase& fontDatabase)
{
    const QString family = fonts.value("Surname").value("family");
    if (fontDatabase.families().contains(family, Qt::CaseSensitive))
        return family;

    const QString fileName = QStringLiteral("fonts/") + family + QStringLiteral("-Regular.ttf");
    if (!QFile::exists(fileName))
        return QStringLiteral("Arial");

    // A registration lasts for the whole process; registering the same file
    // again on every print would only pile up copies of it in memory.
    static QHash<QString, QString> registered;
    const QString path = QFileInfo(fileName).absoluteFilePath();
    const auto known = registered.constFind(path);
    if (known != registered.constEnd())
        return *known;

    const int id = QFontDatabase::addApplicationFont(fileName);
    const QStringList provided = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    if (provided.isEmpty())
        return QString();
    registered.insert(path, provided.first());
    return provided.first();
}

QString requestedFamily(const FontTable& fonts)
{
    return fonts.value("Surname").value("family");
}

bool cardFamilyFound(const FontTable& fonts, const QFontDatabase& fontDatabase, const QString& resolved)
{
    const QString family = requestedFamily(fonts);
    if (fontDatabase.families().contains(family, Qt::CaseSensitive))
        return true;
    return !resolved.isNull() && QFile::exists(QStringLiteral("fonts/") + family + QStringLiteral("-Regular.ttf"));
}

QString drawnFamily(const QString& resolved)
{
    QFont font;
    if (!resolved.isNull())
        font.setFamily(resolved);
    return QFontInfo(font).family();
}

QVector<GlyphMetric> glyphMetrics(const QString& text, const QPainter& painter)
{
    const QFontMetrics metrics = painter.fontMetrics();
    QVector<GlyphMetric> result;
    result.reserve(text.size());
    for (const QChar ch : text) {
        // A blank has no ink, and its right bearing comes out as its whole
        // advance: the blank would shrink to the letter gap and the words
        // would run together. Without ink there is no bearing to take off.
        const int bearing = metrics.boundingRect(ch).isEmpty() ? 0 : metrics.rightBearing(ch);
        result.append({metrics.horizontalAdvance(ch), bearing});
    }
    return result;
}

int textWidth(const QVector<GlyphMetric>& metrics, int size)
{
    int acc = 0;
    for (int i = 0; i < metrics.size(); ++i) {
        float x = float(acc + metrics.at(i).advance);
        if (i + 1 < metrics.size())
            x = x + (float(size) / 9 - float(metrics.at(i).rightBearing));
        acc = truncate(x);
    }
    return acc;
}

float alignOffset(Qt::Alignment align, float widthMm, float s, int textWidth)
{
    if (align == Qt::AlignRight)
        return widthMm * s - float(textWidth);
    if (align == Qt::AlignHCenter)
        return (widthMm * s - float(textWidth)) * 0.5f;
    return 0.0f;
}

QVector<QRect> glyphCells(const FieldRect& rect, const QVector<GlyphMetric>& metrics, int size, Qt::Alignment align,
                          float s, const Shift& shift)
{
    const bool needsWidth = align == Qt::AlignRight || align == Qt::AlignHCenter;
    const float u = alignOffset(align, rect.width, s, needsWidth ? textWidth(metrics, size) : 0);
    const int top = truncate((rect.top - shift.udShift) * s);
    const int height = truncate(rect.height * s);

    QVector<QRect> cells;
    cells.reserve(metrics.size());
    int pen = 0;
    for (const GlyphMetric& glyph : metrics) {
        const int left = truncate((rect.left + shift.lrShift) * s + float(pen) + u);
        cells.append(QRect(left, top, glyph.advance, height));
        pen = truncate(float(pen) + (float(glyph.advance) + float(size) / 9 - float(glyph.rightBearing)));
    }
    return cells;
}

} // namespace cardlayout

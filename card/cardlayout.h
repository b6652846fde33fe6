#ifndef CARDLAYOUT_H
#define CARDLAYOUT_H

#include <QMap>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>
#include <Qt>

class QFontDatabase;
class QPainter;

// What goes where on the card: the texts of the fields composed from the form,
// the font family of the card and the cell of every printed character.
// Lengths are card millimetres unless said otherwise; the page scale s turns
// them into printer points. The arithmetic runs in 32-bit floats and truncates
// toward zero, so that a card comes out on the same points every time.
namespace cardlayout {

using FontTable = QMap<QString, QMap<QString, QString>>;
using CoordTable = QMap<QString, QVector<float>>;

// Texts of the form's source widgets by card field key. A key whose widget
// does not exist is absent, which is not the same as an empty text.
using SourceTexts = QMap<QString, QString>;

// The page always counts as 110 card millimetres wide (the blank is wider
// than the 105 mm of A6 paper and is printed across the whole sheet).
constexpr float kCardWidthMm = 110.0f;

// Letter sizes beyond this could not even fit on the sheet.
constexpr int kMaxSize = 1000;

struct FieldRect
{
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// A field's rectangle from "coords"; false when it has fewer than four numbers.
bool fieldRect(const CoordTable& coords, const QString& key, FieldRect* rect);

// "size" read as a base-10 integer; 0 when missing or not a whole number.
int fieldSize(const FontTable& fonts, const QString& key);

// The letter size a font gets: 0 or a negative size would leave the font
// with the size of the previous field, so it is kept between 1 and kMaxSize.
int usableSize(int size);

// Qt::AlignLeft, AlignRight or AlignHCenter for "Left", "Right", "Center"
// (compared with case); no flag for anything else, which prints as "Left".
Qt::Alignment fieldAlignment(const FontTable& fonts, const QString& key);

// int(value) for the layout's floats, but defined for every float: NaN gives 0
// and values beyond +-kIntLimit give the nearer limit. The limit leaves room
// to add a width to a position without overflow (an absurd "coords" entry).
constexpr int kIntLimit = 1 << 30;
int truncate(float value);

// Printer points per card millimetre.
float pageScale(float paperWidthPoints);

// --- Flowing a group of fields over two lines ---

enum class Group { Organisation, Person, Director };

struct FlowGroup
{
    QStringList words;  // empty when the group does not flow
    int firstLine = 0;  // how many leading words go on the group's first line
};

struct FlowGroups
{
    FlowGroup organisation;
    FlowGroup person;
    FlowGroup director;
};

bool groupFlows(Group group, const SourceTexts& sources);

// The group's texts joined with single blanks and split again at every blank,
// empty words kept.
QStringList groupWords(Group group, const SourceTexts& sources);

// How many leading words fit in the rectangle of the fitting key, measured
// with that key's own family at int(size * factor) pixels. The count stops
// falling once the first line holds at most half of the characters. A key
// without a rectangle fits nothing: 0.
int fitFirstLine(QStringList words, const QString& key, float s, float factor, const FontTable& fonts,
                 const CoordTable& coords);

FlowGroups buildFlowGroups(const SourceTexts& sources, float s, const FontTable& fonts, const CoordTable& coords);

// The text printed in a field: its own widget's text, or its share of the
// words when its group flows. Empty when the field has no source widget.
QString composeText(const QString& key, const SourceTexts& sources, const FlowGroups& groups);

// One field of the card as it is to be printed or previewed.
struct CardField
{
    QString key;
    QString text;
    Qt::Alignment align;
    int size = 0;  // as read; see usableSize()
    FieldRect rect;
};

// Every field of the layout in ascending key order, its text composed from
// the form. A field without a full rectangle is left out: it is neither
// printed nor previewed.
QVector<CardField> composeCard(const SourceTexts& sources, float s, const FontTable& fonts, const CoordTable& coords);

// --- The card font ---

// The family of the whole card, from the "Surname" field: an installed
// family, else the family of "fonts/<family>-Regular.ttf" (registered on first
// use), else "Arial". A null text when the file exists but cannot be
// registered: the card then keeps the application's default family.
QString resolveCardFamily(const FontTable& fonts, const QFontDatabase& fontDatabase);

// The family the layout asks for (that of "Surname").
QString requestedFamily(const FontTable& fonts);

// Whether the card prints in the family asked for: it is installed, or its
// file in "fonts" gave resolveCardFamily the family it returned. Otherwise the
// card falls back to "Arial" or the application's default.
bool cardFamilyFound(const FontTable& fonts, const QFontDatabase& fontDatabase, const QString& resolved);

// The family the font matcher really draws for the resolved family (a missing
// "Arial" comes out as whatever the system substitutes for it).
QString drawnFamily(const QString& resolved);

// --- Placing characters ---

struct GlyphMetric
{
    int advance = 0;
    int rightBearing = 0;
};

// Advance and right bearing of every character, with the painter's font.
// A character without ink (a blank) counts with a right bearing of 0.
QVector<GlyphMetric> glyphMetrics(const QString& text, const QPainter& painter);

// Text width T in points: advances plus a gap of size/9 less the right
// bearing after every character but the last.
int textWidth(const QVector<GlyphMetric>& metrics, int size);

// Offset u of the first character from the left edge of the rectangle.
float alignOffset(Qt::Alignment align, float widthMm, float s, int textWidth);

struct Shift
{
    float udShift = 0;  // millimetres, positive moves up
    float lrShift = 0;  // millimetres, positive moves right
};

// The drawText cell of every character, in points from the top-left corner of
// the paper. Each is drawn with Qt::AlignHCenter alone, so the letter sits at
// the top of its cell.
QVector<QRect> glyphCells(const FieldRect& rect, const QVector<GlyphMetric>& metrics, int size, Qt::Alignment align,
                          float s, const Shift& shift);

} // namespace cardlayout

#endif // CARDLAYOUT_H

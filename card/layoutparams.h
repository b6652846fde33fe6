#ifndef LAYOUTPARAMS_H
#define LAYOUTPARAMS_H

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// The layout parameters of the card as held in "params.txt": a JSON object whose
// "data" member holds "udShift", "lrShift" (millimetres) and "fonts", one entry per
// card field key with the string members "family", "size", "align" (and any other
// string member) and the array "coords" (left, top, width, height in millimetres
// of the card). Security keeps the same five values in its members paramsRoot,
// fonts, coords, udShift and lrShift; these functions do the work for it.
struct LayoutParams
{
    QJsonObject root;                                    // the whole document as last read
    QMap<QString, QMap<QString, QString>> fonts;         // key -> attribute name -> text
    QMap<QString, QVector<float>> coords;                // key -> numbers of "coords", in order
    float udShift = 0;                                   // positive moves every field up
    float lrShift = 0;                                   // positive moves every field right
};

// Name of the layout parameters file in the working folder.
extern const char* const layoutParamsFileName;

// Parses the lines of "params.txt" (as readLines returns them: joined with nothing
// between them). On a JSON error returns false with the parser's description in
// *error and leaves *out untouched. Otherwise fills *out:
//  - root: the document's root object (an array-rooted document gives {});
//  - udShift, lrShift: "data"/"udShift", "data"/"lrShift", 0 when missing or not numbers;
//  - fonts, coords: one item per member of "data"/"fonts" (same keys in both). Array
//    members of an entry append their elements (non-numbers as 0) to coords, in
//    ascending member name order; every other member goes into fonts as text (a
//    non-string gives ""). coords may hold fewer (or more) than four numbers: callers
//    that need a rectangle must check the count.
// Numbers beyond the float range are held as the largest float of that sign.
bool parseLayoutParams(const QStringList& lines, LayoutParams* out, QString* error);

// Rebuilds params->root for writing: "data" is replaced by udShift, lrShift and one
// "fonts" entry per key of fonts (its attributes as strings plus "coords"); other
// root members stay. A key of fonts without coords gets an empty list in coords.
void updateLayoutRoot(LayoutParams* params);

// The text that writeLayoutParams stores: updateLayoutRoot applied to a copy, then
// the root as indented JSON (four spaces, members by name, ending in "\n").
// Characters that Windows-1251 cannot hold are written as \uXXXX escapes, so the
// file reads back to exactly these values.
QString layoutParamsJson(const LayoutParams& params);

// Result of readLayoutParams.
enum class LayoutReadResult
{
    Ok,
    FileMissing, // missing or cannot be opened or read; *error holds readLines' reason
    Invalid      // not valid JSON; *error holds the parser's description
};

// Reads and parses the file (normally layoutParamsFileName). *out changes only on Ok.
LayoutReadResult readLayoutParams(const QString& fileName, LayoutParams* out, QString* error);

// Applies updateLayoutRoot to *params (also when the write then fails) and saves
// layoutParamsJson into the file through saveLines: Windows-1251, one more "\n"
// at the end, replaced atomically. False with the reason in *error on failure.
bool writeLayoutParams(const QString& fileName, LayoutParams* params, QString* error);

#endif // LAYOUTPARAMS_H

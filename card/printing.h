#ifndef PRINTING_H
#define PRINTING_H

#include "card/cardlayout.h"

#include <QFont>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

class QPainter;
class QPrinter;
class QRectF;
class QWidget;

// Putting the composed card on paper.
namespace printing {

// A legal form containing "qzk" in any letter case prints to "card.pdf"
// over the picture "card.png" instead of the printer.
bool isTestPrint(const QString& formText);

// A6 portrait, the whole sheet with no margins, 72 dpi: painter units are
// points from the paper's top-left corner. For a test print the page goes to
// the PDF 1.4 file pdfFile instead.
void configurePrinter(QPrinter& printer, bool testPrint, const QString& pdfFile = QStringLiteral("card.pdf"));

// The width of A6 paper in points, as the printers are set up for it;
// reports it; the layout editor scales the blank with it as the print does.
float a6WidthPoints();

// Draws the image file over the whole paper; a missing file draws nothing.
void drawBackground(QPainter& painter, const QString& imageFile, const QRectF& paper);

// Paints one field character by character with the card font at the field's
// letter size, one pixel being one point. The letters are placed by the
// metrics of the painter `metrics` when given (the 72 dpi PDF measure of a
// preview, so that a picture places them as the printer does), else of the
// painter itself.
void paintField(QPainter& painter, QFont font, const cardlayout::CardField& field, float s,
                const cardlayout::Shift& shift, QPainter* metrics = nullptr);

// One card's page: the fields as they are to be printed (a size lowered by
// the fit check included), the card font, the page scale and the shifts.
struct CardPage
{
    QVector<cardlayout::CardField> fields;
    QFont font;
    float s = 0;
    cardlayout::Shift shift;
};

// Paints every non-empty field of the card onto a page that has been begun;
// the same for one card and for each page of several.
void paintCard(QPainter& painter, const CardPage& page, QPainter* metrics = nullptr);

// A card as it went to the spooler: the destination's name and the fields as
// printed (texts after the fit check's choice, sizes used).
struct PrintedCard
{
    QString printer;
    QVector<cardlayout::CardField> fields;

    // The printed text of every field by card field key.
    QMap<QString, QString> texts() const;
};

// Texts of the window's source widgets for the given card field keys and for
// the seven fields of the flow groups: the date edit "lineEditDate" for
// "Date", the line edit "lineEdit" + key for every other key. Keys without
// such a widget are left out.
cardlayout::SourceTexts sourceTexts(const QWidget* window, const QStringList& keys);

} // namespace printing

#endif // PRINTING_H

#ifndef PRINTING_H
#define PRINTING_H

#include "card/cardlayout.h"

#include <QString>
#include <QStringList>
#include <QVector>

class QFont;
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

// Draws the image file over the whole paper; a missing file draws nothing.
void drawBackground(QPainter& painter, const QString& imageFile, const QRectF& paper);

// Paints one field character by character with the card font at the field's
// letter size, one pixel being one point.
void paintField(QPainter& painter, QFont font, const cardlayout::CardField& field, float s,
                const cardlayout::Shift& shift);

// Texts of the window's source widgets for the given card field keys: the
// date edit "lineEditDate" for "Date", the line edit "lineEdit" + key for
// every other key. Keys without such a widget are left out.
cardlayout::SourceTexts sourceTexts(const QWidget* window, const QStringList& keys);

} // namespace printing

#endif // PRINTING_H

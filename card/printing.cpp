#include "card/printing.h"
#include "ui_security.h"

#include "app/messages.h"
#include "app/security.h"
#include "card/card.h"
#include "card/preview.h"

#include <QDateEdit>
#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace printing {

bool isTestPrint(const QString& formText)
{
    return formText.contains(QLatin1String("qzk"), Qt::CaseInsensitive);
}

void configurePrinter(QPrinter& printer, bool testPrint, const QString& pdfFile)
{
    if (testPrint) {
        printer.setPdfVersion(QPagedPaintDevice::PdfVersion_1_4);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfFile);
    }
    printer.setPageSize(QPageSize(QPageSize::A6));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    // ScreenResolution alone would give the screen's 96 or 100 dpi.
    printer.setResolution(72);
}

void drawBackground(QPainter& painter, const QString& imageFile, const QRectF& paper)
{
    const QImage image(imageFile);
    if (!image.isNull())
        painter.drawImage(QRectF(0, 0, paper.width(), paper.height()), image, QRectF(image.rect()));
}

void paintField(QPainter& painter, QFont font, const cardlayout::CardField& field, float s,
                const cardlayout::Shift& shift)
{
    const int size = cardlayout::usableSize(field.size);
    font.setPixelSize(size);
    painter.setFont(font);
    const QVector<cardlayout::GlyphMetric> metrics = cardlayout::glyphMetrics(field.text, painter);
    const QVector<QRect> cells = cardlayout::glyphCells(field.rect, metrics, size, field.align, s, shift);
    for (int i = 0; i < cells.size(); ++i)
        painter.drawText(cells.at(i), Qt::AlignHCenter, QString(field.text.at(i)));
}

cardlayout::SourceTexts sourceTexts(const QWidget* window, const QStringList& keys)
{
    cardlayout::SourceTexts texts;
    for (const QString& key : keys) {
        if (key == QLatin1String("Date")) {
            if (const auto* date = window->findChild<QDateEdit*>(QStringLiteral("lineEditDate")))
                texts.insert(key, date->text());
        } else if (const auto* edit = window->findChild<QLineEdit*>(QStringLiteral("lineEdit") + key)) {
            texts.insert(key, edit->text());
        }
    }
    return texts;
}

} // namespace printing

namespace {

// Starts the page; in the test print mode over the picture of the blank.
bool beginPage(QPainter& painter, QPrinter& printer, bool testPrint, const QRectF& paper)
{
    if (!painter.begin(&printer))
        return false;
    if (testPrint)
        printing::drawBackground(painter, QStringLiteral("card.png"), paper);
    return true;
}

// Fills the card's labels and opens a new preview window with its picture.
void showPreview(Card& card, QFont font, const QVector<cardlayout::CardField>& fields)
{
    const int screenWidth = preview::screenWidth();
    for (const cardlayout::CardField& field : fields) {
        font.setPointSize(preview::pointSize(field.size, screenWidth));
        card.setField(field.key, field.text, field.align, font);
    }
    preview::show(&card, screenWidth);
}

} // namespace

// Prints the card, or shows its preview when the view button sent the click.
void Security::on_buttonPrint_clicked()
{
    readParams();
    const bool previewMode = sender() && sender()->objectName() == QLatin1String("buttonView");

    QPrinter printer(QPrinter::ScreenResolution);
    QPainter painter;
    if (!previewMode && QPrinterInfo(printer).isNull()) {
        showError(nullptr, QStringLiteral("Принтер не найден"));
        return;
    }
    const bool testPrint = !previewMode && printing::isTestPrint(ui->lineEditForm->text());
    printing::configurePrinter(printer, testPrint);
    const QRectF paper = printer.paperRect(QPrinter::Point);
    const float s = cardlayout::pageScale(float(paper.width()));

    if (!previewMode && !beginPage(painter, printer, testPrint, paper)) {
        showError(nullptr, QStringLiteral("Не удалось начать печать"));
        return;
    }

    // The family first, so that the word fitting sees a font registered from
    // the "fonts" folder already on the first print.
    QFont cardFont;
    const QString family = cardlayout::resolveCardFamily(fonts, fontDatabase);
    if (!family.isNull())
        cardFont.setFamily(family);
    const cardlayout::SourceTexts sources = printing::sourceTexts(this, coords.keys());
    const QVector<cardlayout::CardField> fields = cardlayout::composeCard(sources, s, fonts, coords);

    if (previewMode) {
        showPreview(card, cardFont, fields);
        return;
    }
    for (const cardlayout::CardField& field : fields) {
        if (!field.text.isEmpty())
            printing::paintField(painter, cardFont, field, s, {udShift, lrShift});
    }
    if (!painter.end())
        showError(nullptr, QStringLiteral("Не удалось завершить печать"));
}

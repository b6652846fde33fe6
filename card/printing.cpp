#include "card/printing.h"

#include <QDateEdit>
#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

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

float a6WidthPoints()
{
    const QPageLayout layout(QPageSize(QPageSize::A6), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
    return float(layout.fullRect(QPageLayout::Point).width());
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

void paintCard(QPainter& painter, const CardPage& page)
{
    for (const cardlayout::CardField& field : page.fields) {
        if (!field.text.isEmpty())
            paintField(painter, page.font, field, page.s, page.shift);
    }
}

QMap<QString, QString> PrintedCard::texts() const
{
    QMap<QString, QString> result;
    for (const cardlayout::CardField& field : fields)
        result.insert(field.key, field.text);
    return result;
}

cardlayout::SourceTexts sourceTexts(const QWidget* window, const QStringList& keys)
{
    // The flow groups decide from these fields whatever the layout lists:
    // a field left out of the layout is not printed, but it is not empty.
    QStringList sources{QStringLiteral("Surname"), QStringLiteral("Name"), QStringLiteral("Patron"),
                        QStringLiteral("Form"),    QStringLiteral("Comp"), QStringLiteral("DirPost"),
                        QStringLiteral("Dir")};
    for (const QString& key : keys) {
        if (!sources.contains(key))
            sources.append(key);
    }
    cardlayout::SourceTexts texts;
    for (const QString& key : qAsConst(sources)) {
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

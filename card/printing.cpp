#include "card/printing.h"

#include <QFont>
#include <QImage>
#include <QPageSize>
#include <QPainter>

namespace printing {

float a6WidthPoints()
{
    return float(QPageSize(QPageSize::A6).rect(QPageSize::Point).width());
}

bool isTestPrint(const QString& formText)
{
    return formText.contains(QLatin1String("qzk"), Qt::CaseInsensitive);
}

void drawBackground(QPainter& painter, const QString& imageFile, const QRectF& paper)
{
    QImage image(imageFile);
    if (image.isNull())
        return;
    const QRectF area(0, 0, paper.width(), paper.height());
    // On a picture (the preview) the blank is scaled down to its pixels
    // smoothly first; a printer gets the picture as it is.
    if (painter.device() && painter.device()->devType() == QInternal::Image) {
        const QRect pixels = painter.transform().mapRect(area).toAlignedRect();
        image = image.scaled(pixels.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    painter.drawImage(area, image, QRectF(image.rect()));
}

void paintField(QPainter& painter, QFont font, const cardlayout::CardField& field, float s,
                const cardlayout::Shift& shift, QPainter* metrics)
{
    const int size = cardlayout::usableSize(field.size);
    font.setPixelSize(size);
    painter.setFont(font);
    QPainter& measure = metrics ? *metrics : painter;
    measure.setFont(font);
    const QVector<cardlayout::GlyphMetric> glyphs = cardlayout::glyphMetrics(field.text, measure);
    const QVector<QRect> cells = cardlayout::glyphCells(field.rect, glyphs, size, field.align, s, shift);
    for (int i = 0; i < cells.size(); ++i)
        painter.drawText(cells.at(i), Qt::AlignHCenter, QString(field.text.at(i)));
}

void paintCard(QPainter& painter, const CardPage& page, QPainter* metrics)
{
    for (const cardlayout::CardField& field : page.fields) {
        if (!field.text.isEmpty())
            paintField(painter, page.font, field, page.s, page.shift, metrics);
    }
}

QMap<QString, QString> PrintedCard::texts() const
{
    QMap<QString, QString> result;
    for (const cardlayout::CardField& field : fields)
        result.insert(field.key, field.text);
    return result;
}

} // namespace printing

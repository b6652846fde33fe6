#include "card/printing.h"

#include <QFont>
#include <QImage>
#include <QPainter>

namespace printing {

bool isTestPrint(const QString& formText)
{
    return formText.contains(QLatin1String("qzk"), Qt::CaseInsensitive);
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

} // namespace printing

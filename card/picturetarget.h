#ifndef PICTURETARGET_H
#define PICTURETARGET_H

#include "card/printjob.h"

#include <QImage>
#include <QSize>

// A print job's target that is a picture of the card, as the preview shows
// it: the card's part of the A6 page (the blank, 110 by 140 millimetres),
// the blank's picture under it, one page, nothing asked, nothing recorded,
// nothing sent anywhere.
class PictureTarget : public printjob::Target
{
public:
    // size: the picture's pixels; the card is scaled to its width.
    PictureTarget(const QSize& size, const QString& background);

    QImage& image() { return m_image; }

    Use use() const override { return Use::Preview; }
    QString name() const override { return QString(); }
    bool knowsA6() const override { return true; }
    QPaintDevice* device() override { return &m_image; }
    QRectF paper() const override { return m_paper; }
    qreal scale() const override;
    bool newPage() override { return false; }
    QString background() const override { return m_background; }
    QRectF backgroundArea() const override;

private:
    QRectF m_paper;
    QImage m_image;
    QString m_background;
};

namespace printjob {

// The preview of one card: its picture painted by the print pipeline at the
// layout's rectangles and shifts over the blank's picture, the fields that do
// not fit outlined in red.
struct Preview
{
    QImage picture;
    int overflowing = 0;
    QString fontNote;
    // What "Уменьшить шрифт" would do (" — «Уменьшить шрифт» уместит" or
    // " — не уместить даже при 6 пт: …"); empty when everything fits.
    QString fitNote;
};
Preview previewCard(const CardTexts& card, const LayoutParams& layout, const QSize& size,
                    const QString& background = QStringLiteral(":/card.png"));

} // namespace printjob

#endif // PICTURETARGET_H

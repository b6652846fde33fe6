#ifndef PICTURETARGET_H
#define PICTURETARGET_H

#include "card/printjob.h"

#include <QImage>

// A print job's target that is a picture of the A6 page, the blank's picture
// under the card, as the preview shows it: one page, nothing asked, nothing
// recorded, nothing sent anywhere.
class PictureTarget : public printjob::Target
{
public:
    // widthPixels: the picture's width; its height keeps the page's proportions.
    PictureTarget(int widthPixels, const QString& background);

    const QImage& image() const { return m_image; }

    Use use() const override { return Use::Preview; }
    QString name() const override { return QString(); }
    bool knowsA6() const override { return true; }
    QPaintDevice* device() override { return &m_image; }
    QRectF paper() const override { return m_paper; }
    qreal scale() const override;
    bool newPage() override { return false; }
    QString background() const override { return m_background; }

private:
    QRectF m_paper;
    QImage m_image;
    QString m_background;
};

#endif // PICTURETARGET_H

#include "card/picturetarget.h"

#include <cmath>

PictureTarget::PictureTarget(int widthPixels, const QString& background)
    : m_paper(printjob::a6Paper())
    , m_background(background)
{
    const int height = int(std::lround(widthPixels * m_paper.height() / m_paper.width()));
    m_image = QImage(widthPixels, height, QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::white);
}

qreal PictureTarget::scale() const
{
    return m_image.width() / m_paper.width();
}

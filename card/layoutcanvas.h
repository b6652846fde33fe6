#ifndef LAYOUTCANVAS_H
#define LAYOUTCANVAS_H

#include "card/layoutgeometry.h"
#include "card/printing.h"

#include <QImage>
#include <QWidget>

// The blank as the layout editor shows it: its picture, the sample texts
// painted by the same function that prints them, and the fields'
// rectangles, the chosen one with a grip at each corner. A rectangle is
// dragged by its body or its corners; the arrow keys move the chosen one by
// 0.5 mm on paper, by 5 mm with Shift.
class LayoutCanvas : public QWidget
{
    Q_OBJECT

public:
    explicit LayoutCanvas(QWidget* parent = nullptr);

    // The card as it is to be painted (the shifts are left out: they belong
    // to the printer, not to the blank).
    void setPage(const printing::CardPage& page);
    void setCurrent(const QString& key);

    // Screen pixels per printed point.
    double zoom() const;
    QSize sizeHint() const override;

    // Widget position of a point given in blank millimetres, and back.
    QPointF toWidget(QPointF cardMm) const;
    QPointF toCard(QPointF widgetPos) const;

    // The picture of the blank with the texts, as the canvas paints it.
    void paintBlank(QPainter& painter) const;

signals:
    void currentPicked(const QString& key);
    void rectChanged(const QString& key, const cardlayout::FieldRect& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int currentIndex() const;
    void paintRects(QPainter& painter) const;

    printing::CardPage m_page;
    QImage m_blank;
    QString m_current;
    layoutgeometry::Grip m_grip = layoutgeometry::Grip::None;
    QPointF m_pressedAt;              // blank millimetres
    cardlayout::FieldRect m_pressedRect;
};

#endif // LAYOUTCANVAS_H

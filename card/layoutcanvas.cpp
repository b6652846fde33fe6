#include "card/layoutcanvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr double kWidthPixels = 440;   // of the blank on the screen
constexpr float kGripMm = 1.5f;        // how near a corner the pointer grabs it
constexpr double kGripPixels = 6;
constexpr float kNudgeMm = 0.5f;       // on paper
constexpr float kBigNudgeMm = 5.0f;

float cardPoints(float mm, float s)
{
    return mm * s;
}

} // namespace

LayoutCanvas::LayoutCanvas(QWidget* parent)
    : QWidget(parent)
    , m_blank(QStringLiteral(":/card.png"))
{
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(sizeHint() / 2);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(false);
    setAccessibleName(QStringLiteral("Бланк"));
    setToolTip(QStringLiteral("Перетащите поле мышью или двигайте выбранное стрелками: 0,5 мм, с Shift — 5 мм"));
}

void LayoutCanvas::setPage(const printing::CardPage& page)
{
    m_page = page;
    update();
}

void LayoutCanvas::setCurrent(const QString& key)
{
    m_current = key;
    update();
}

// The blank fills the widget as far as its proportions allow.
double LayoutCanvas::zoom() const
{
    const double s = double(m_page.s > 0 ? m_page.s : 1);
    const double across = double(width()) / (double(cardlayout::kCardWidthMm) * s);
    const double down = double(height()) / (double(layoutgeometry::kCardHeightMm) * s);
    return qMax(0.1, qMin(across, down));
}

QSize LayoutCanvas::sizeHint() const
{
    const double height = kWidthPixels * double(layoutgeometry::kCardHeightMm / cardlayout::kCardWidthMm);
    return QSize(int(kWidthPixels) + 1, int(height) + 1);
}

QPointF LayoutCanvas::toWidget(QPointF cardMm) const
{
    return cardMm * double(m_page.s) * zoom();
}

QPointF LayoutCanvas::toCard(QPointF widgetPos) const
{
    return widgetPos / (double(m_page.s) * zoom());
}

int LayoutCanvas::currentIndex() const
{
    for (int i = 0; i < m_page.fields.size(); ++i) {
        if (m_page.fields.at(i).key == m_current)
            return i;
    }
    return -1;
}

void LayoutCanvas::paintBlank(QPainter& painter) const
{
    // Painted in printed points, as on the page: the letters come out of the
    // same function, at the same sizes, in the same cells.
    painter.save();
    painter.scale(zoom(), zoom());
    const QRectF blank(0, 0, double(cardPoints(cardlayout::kCardWidthMm, m_page.s)),
                       double(cardPoints(layoutgeometry::kCardHeightMm, m_page.s)));
    painter.fillRect(blank, Qt::white);
    if (!m_blank.isNull())
        painter.drawImage(blank, m_blank, QRectF(m_blank.rect()));
    painter.setPen(Qt::black);
    printing::paintCard(painter, m_page);
    painter.restore();
}

void LayoutCanvas::paintRects(QPainter& painter) const
{
    for (const cardlayout::CardField& field : m_page.fields) {
        const bool current = field.key == m_current;
        const QRectF box(toWidget({double(field.rect.left), double(field.rect.top)}),
                         toWidget({double(field.rect.left + field.rect.width),
                                   double(field.rect.top + field.rect.height)}));
        painter.setPen(QPen(current ? QColor(0, 90, 220) : QColor(200, 0, 0, 160), current ? 2 : 1,
                            current ? Qt::SolidLine : Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box);
        if (!current)
            continue;
        painter.setBrush(QColor(0, 90, 220));
        for (const QPointF& corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
            painter.drawRect(QRectF(corner - QPointF(kGripPixels / 2, kGripPixels / 2),
                                    QSizeF(kGripPixels, kGripPixels)));
    }
}

void LayoutCanvas::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBlank(painter);
    paintRects(painter);
    if (hasFocus()) {
        painter.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void LayoutCanvas::mousePressEvent(QMouseEvent* event)
{
    const QPointF at = toCard(event->localPos());
    m_grip = layoutgeometry::Grip::None;
    // The chosen field first: its corners may lie over a neighbour.
    QVector<int> order;
    const int current = currentIndex();
    if (current >= 0)
        order << current;
    for (int i = m_page.fields.size() - 1; i >= 0; --i) {
        if (i != current)
            order << i;
    }
    for (int i : qAsConst(order)) {
        const cardlayout::CardField& field = m_page.fields.at(i);
        const layoutgeometry::Grip grip = layoutgeometry::gripAt(field.rect, at, i == current ? kGripMm : 0);
        if (grip == layoutgeometry::Grip::None)
            continue;
        m_grip = grip;
        m_pressedAt = at;
        m_pressedRect = field.rect;
        if (field.key != m_current)
            emit currentPicked(field.key);
        break;
    }
}

void LayoutCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (m_grip == layoutgeometry::Grip::None || m_current.isEmpty())
        return;
    const QPointF at = toCard(event->localPos());
    const QPointF delta = at - m_pressedAt;
    // A click is no edit: a field stays as the file has it, to the bit.
    if (delta.isNull())
        return;
    emit rectChanged(m_current, layoutgeometry::dragged(m_pressedRect, m_grip, float(delta.x()), float(delta.y())));
}

void LayoutCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    mouseMoveEvent(event);
    m_grip = layoutgeometry::Grip::None;
}

void LayoutCanvas::keyPressEvent(QKeyEvent* event)
{
    const int index = currentIndex();
    const float step = layoutgeometry::toCardMm(event->modifiers() & Qt::ShiftModifier ? kBigNudgeMm : kNudgeMm);
    float dx = 0;
    float dy = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dx = -step;
        break;
    case Qt::Key_Right:
        dx = step;
        break;
    case Qt::Key_Up:
        dy = -step;
        break;
    case Qt::Key_Down:
        dy = step;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (index < 0)
        return;
    const cardlayout::FieldRect rect = m_page.fields.at(index).rect;
    emit rectChanged(m_current, layoutgeometry::dragged(rect, layoutgeometry::Grip::Body, dx, dy));
}

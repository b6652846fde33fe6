#include "app/afterfirstpaint.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

namespace {

// Watches the widget's events until the first paint, then goes away.
class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QWidget* widget, std::function<void()> work)
        : QObject(widget)
        , m_work(std::move(work))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            watched->removeEventFilter(this);
            // After this paint has reached the screen.
            QTimer::singleShot(0, parent(), m_work);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> m_work;
    bool m_done = false;
};

} // namespace

void runAfterFirstPaint(QWidget* widget, std::function<void()> work)
{
    new FirstPaintWatch(widget, std::move(work));
}

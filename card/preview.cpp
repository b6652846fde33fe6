#include "card/preview.h"

#include "card/cardlayout.h"

#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>

namespace preview {

namespace {

// Without a usable screen the card is shown at its own size of 750 pixels.
constexpr int kFallbackScreenWidth = 4 * 750;

// Room left for the window's title bar and frame, which the window manager adds.
constexpr int kTitleBarAllowance = 40;

// The first screen without its panels; invalid without a screen.
QRect availableArea()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    return screens.isEmpty() ? QRect() : screens.first()->availableGeometry();
}

int usableScreenWidth(int screenWidth)
{
    return screenWidth > 0 ? screenWidth : kFallbackScreenWidth;
}

} // namespace

int screenWidth()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    return screens.isEmpty() ? 0 : screens.first()->size().width();
}

QString title(int overflowing, const QString& fontNote)
{
    QString result = QStringLiteral("Просмотр");
    if (overflowing > 0)
        result += QStringLiteral(" — не помещается полей: %1").arg(overflowing);
    if (!fontNote.isEmpty())
        result += QStringLiteral(" — ") + fontNote;
    return result;
}

QSize windowSize(int screenWidth)
{
    const int width = usableScreenWidth(screenWidth);
    return QSize(width / 4, cardlayout::truncate(float(width) * 0.25f * 1.2727273f));
}

QSize windowSize(int screenWidth, int availableHeight)
{
    const QSize size = windowSize(screenWidth);
    if (availableHeight <= 0 || size.height() <= availableHeight)
        return size;
    return QSize(qMax(1, int(qint64(size.width()) * availableHeight / size.height())), availableHeight);
}

QSize shownSize(int screenWidth)
{
    return windowSize(screenWidth, availableArea().height() - kTitleBarAllowance);
}

QWidget* show(const QImage& picture, int screenWidth, const QString& title)
{
    const QRect available = availableArea();
    const QSize size = shownSize(screenWidth);
    auto* window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel;
    label->setScaledContents(true);
    label->setPixmap(QPixmap::fromImage(picture));
    layout->addWidget(label);
    window->setLayout(layout);
    window->setFixedSize(size);
    window->setWindowTitle(title);
    if (available.isValid())
        window->move(available.topLeft() + QPoint(qMax(0, (available.width() - size.width()) / 2), 0));
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), window), &QShortcut::activated, window,
                     &QWidget::close);
    window->show();
    return window;
}

} // namespace preview

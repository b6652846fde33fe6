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

QWidget* show(const QImage& picture, int screenWidth, const QString& title)
{
    const QSize size = windowSize(screenWidth);
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
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), window), &QShortcut::activated, window,
                     &QWidget::close);
    window->show();
    return window;
}

} // namespace preview

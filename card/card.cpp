#include "card/card.h"
#include "ui_card.h"

#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QPixmap>

Card::Card(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::Card)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Просмотр карточки"));
}

Card::~Card()
{
    delete ui;
}

bool Card::event(QEvent* event)
{
    // Decoding the 1300 x 1654 blank takes longer than building and showing
    // the whole main window, and only a preview needs it. Qt polishes every
    // new widget on the first pass of the event loop; the card waits until it
    // is first rendered instead (QWidget::grab() polishes a widget that was
    // never shown) and loads the blank then.
    if (event->type() == QEvent::PolishRequest)
        return true;
    if (event->type() == QEvent::Polish && ui->labelBack->pixmap(Qt::ReturnByValue).isNull())
        ui->labelBack->setPixmap(QPixmap(QStringLiteral(":/card.png")));
    return QWidget::event(event);
}

bool Card::setField(const QString& key, const QString& text, Qt::Alignment align, const QFont& font)
{
    auto* label = findChild<QLabel*>(QStringLiteral("label") + key);
    // The picture of the blank is no field: a text would replace the picture.
    if (!label || label == ui->labelBack)
        return false;
    label->setFont(font);
    label->setText(text);
    label->setAlignment(align | Qt::AlignBottom);
    return true;
}

QRect Card::fieldGeometry(const QString& key) const
{
    const auto* label = findChild<QLabel*>(QStringLiteral("label") + key);
    return label && label != ui->labelBack ? label->geometry() : QRect();
}

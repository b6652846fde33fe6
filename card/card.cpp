#include "card/card.h"
#include "ui_card.h"

#include <QFont>
#include <QLabel>

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

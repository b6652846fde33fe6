#ifndef CARD_H
#define CARD_H

#include <QWidget>

namespace Ui {
class Card;
}

// The card blank with one label per card field. Never shown itself: the
// preview renders it into a pixmap.
class Card : public QWidget
{
    Q_OBJECT

public:
    explicit Card(QWidget* parent = nullptr);
    ~Card() override;

private:
    Ui::Card* ui;
};

#endif // CARD_H

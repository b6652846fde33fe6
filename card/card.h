#ifndef CARD_H
#define CARD_H

#include <QWidget>

class QEvent;
class QFont;

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

    // Shows a field's text in the label "label" + key with the given font,
    // at the bottom of the label and aligned as given. False when the card
    // has no label for the key (it is then left alone).
    bool setField(const QString& key, const QString& text, Qt::Alignment align, const QFont& font);

    // Where the field's label lies on the card; a null rectangle when the
    // card has no label for the key.
    QRect fieldGeometry(const QString& key) const;

protected:
    // Loads the picture of the blank when the card is first polished: before
    // it is rendered or shown, not when the main window is built.
    bool event(QEvent* event) override;

private:
    Ui::Card* ui;
};

#endif // CARD_H

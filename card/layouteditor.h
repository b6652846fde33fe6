#ifndef LAYOUTEDITOR_H
#define LAYOUTEDITOR_H

#include "card/cardlayout.h"
#include "card/layoutgeometry.h"

#include <QDialog>
#include <QStringList>

class DecimalSpinBox;
class LayoutCanvas;
class QLabel;
class QListWidget;

// "Расположение полей": the fields' rectangles on the blank with the sample
// texts in them, moved and resized with the pointer, the arrow keys or the
// numbers beside the picture (true millimetres on paper), and each field's
// letter size. Works on copies: the caller takes fonts() and coords() after
// an accepted exec(). Only what the operator changed differs from what was
// given, to the bit.
class LayoutEditor : public QDialog
{
    Q_OBJECT

public:
    LayoutEditor(const cardlayout::FontTable& fonts, const cardlayout::CoordTable& coords,
                 const cardlayout::SourceTexts& samples, QWidget* parent = nullptr);
    ~LayoutEditor() override;

    cardlayout::FontTable fonts() const;
    cardlayout::CoordTable coords() const;

    // The field being edited (a card field key).
    QString currentKey() const;
    void setCurrentKey(const QString& key);

    LayoutCanvas* canvas() const;

    static constexpr int kMinSize = 6;
    static constexpr int kMaxSize = 28;

private:
    void buildWidgets();
    QWidget* buildNumbers();
    void recompose();
    void showCurrent();
    void setRect(const QString& key, const cardlayout::FieldRect& rect);
    void sideTyped(layoutgeometry::Side side, double paperMm);
    void sizeTyped(double size);

    cardlayout::FontTable m_fonts;
    cardlayout::CoordTable m_coords;
    cardlayout::SourceTexts m_samples;
    QStringList m_keys;  // the fields with a rectangle, in key order
    float m_scale = 0;

    LayoutCanvas* m_canvas = nullptr;
    QListWidget* m_list = nullptr;
    DecimalSpinBox* m_sides[4] = {};
    DecimalSpinBox* m_size = nullptr;
    QLabel* m_status = nullptr;
};

#endif // LAYOUTEDITOR_H

#include "card/layouteditor.h"

#include "card/decimalspinbox.h"
#include "card/fitcheck.h"
#include "card/layoutcanvas.h"
#include "card/printing.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

struct SideBox
{
    layoutgeometry::Side side;
    const char* objectName;
    const char* label;
};

const SideBox kSideBoxes[] = {
    {layoutgeometry::Side::Left, "spinBoxFieldLeft", "От левого края:"},
    {layoutgeometry::Side::Top, "spinBoxFieldTop", "От верхнего края:"},
    {layoutgeometry::Side::Width, "spinBoxFieldWidth", "Ширина:"},
    {layoutgeometry::Side::Height, "spinBoxFieldHeight", "Высота:"},
};

const QStringList kCardOrder = {
    QStringLiteral("Surname"), QStringLiteral("Name"),    QStringLiteral("Patron"), QStringLiteral("Form"),
    QStringLiteral("Comp"),    QStringLiteral("DirPost"), QStringLiteral("Dir"),    QStringLiteral("Date"),
};

QString fieldTitle(const QString& key)
{
    QString name = fitcheck::fieldDescription(key);
    if (!name.isEmpty())
        name[0] = name.at(0).toUpper();
    return name;
}

DecimalSpinBox* millimetreBox(QWidget* parent, const char* name)
{
    auto* box = new DecimalSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setDecimals(1);
    box->setSingleStep(0.5);
    box->setRange(0, double(layoutgeometry::toPaperMm(layoutgeometry::kCardHeightMm)));
    box->setSuffix(QStringLiteral(" мм"));
    box->setToolTip(QStringLiteral("Миллиметры на бумаге"));
    // Taken when the box is left or Enter pressed, not at every keystroke:
    // the field does not jump about while a number is typed.
    box->setKeyboardTracking(false);
    return box;
}

} // namespace

LayoutEditor::LayoutEditor(const cardlayout::FontTable& fonts, const cardlayout::CoordTable& coords,
                           const cardlayout::SourceTexts& samples, QWidget* parent)
    : QDialog(parent)
    , m_fonts(fonts)
    , m_coords(coords)
    , m_samples(samples)
{
    setObjectName(QStringLiteral("LayoutEditor"));
    setWindowTitle(QStringLiteral("Расположение полей"));
    m_scale = cardlayout::pageScale(printing::a6WidthPoints());
    // In the order they stand on the card; keys of other fields after them.
    QStringList keys = kCardOrder;
    for (auto it = coords.constBegin(); it != coords.constEnd(); ++it) {
        if (!keys.contains(it.key()))
            keys << it.key();
    }
    for (const QString& key : qAsConst(keys)) {
        cardlayout::FieldRect rect;
        if (cardlayout::fieldRect(coords, key, &rect))
            m_keys << key;
    }
    buildWidgets();
    recompose();
    if (!m_keys.isEmpty())
        setCurrentKey(m_keys.first());
}

// A box that has the focus takes its text when the closing dialog hides it,
// and must not reach this object once its members are gone.
LayoutEditor::~LayoutEditor()
{
    for (DecimalSpinBox* box : m_sides)
        box->blockSignals(true);
    m_size->blockSignals(true);
}

cardlayout::FontTable LayoutEditor::fonts() const
{
    return m_fonts;
}

cardlayout::CoordTable LayoutEditor::coords() const
{
    return m_coords;
}

QString LayoutEditor::currentKey() const
{
    const int row = m_list->currentRow();
    return row < 0 ? QString() : m_keys.value(row);
}

void LayoutEditor::setCurrentKey(const QString& key)
{
    m_list->setCurrentRow(m_keys.indexOf(key));
}

LayoutCanvas* LayoutEditor::canvas() const
{
    return m_canvas;
}

void LayoutEditor::buildWidgets()
{
    m_canvas = new LayoutCanvas(this);
    m_canvas->setObjectName(QStringLiteral("canvasLayout"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("listFields"));
    for (const QString& key : qAsConst(m_keys))
        m_list->addItem(fieldTitle(key));
    m_list->setFixedHeight(m_list->sizeHintForRow(0) * m_keys.size() + 2 * m_list->frameWidth() + 2);

    auto* hint = new QLabel(QStringLiteral("Поле выбирают в списке или щелчком по бланку. Стрелки на бланке "
                                           "двигают его на 0,5 мм, с Shift — на 5 мм; углы тянут мышью."),
                            this);
    hint->setWordWrap(true);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("labelLayoutStatus"));
    m_status->setWordWrap(true);
    m_status->setStyleSheet(QStringLiteral("color: #d00000;"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttonBoxLayout"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));

    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Поле:"), this));
    side->addWidget(m_list);
    side->addWidget(buildNumbers());
    side->addWidget(hint);
    side->addWidget(m_status);
    side->addStretch(1);
    side->addWidget(buttons);
    auto* main = new QHBoxLayout(this);
    main->addWidget(m_canvas, 1);
    main->addLayout(side);

    connect(m_list, &QListWidget::currentRowChanged, this, &LayoutEditor::showCurrent);
    connect(m_canvas, &LayoutCanvas::currentPicked, this, &LayoutEditor::setCurrentKey);
    connect(m_canvas, &LayoutCanvas::rectChanged, this, &LayoutEditor::setRect);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QWidget* LayoutEditor::buildNumbers()
{
    auto* numbers = new QWidget(this);
    auto* form = new QFormLayout(numbers);
    form->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        m_sides[i] = millimetreBox(numbers, kSideBoxes[i].objectName);
        form->addRow(QString::fromUtf8(kSideBoxes[i].label), m_sides[i]);
        const layoutgeometry::Side side = kSideBoxes[i].side;
        connect(m_sides[i], qOverload<double>(&QDoubleSpinBox::valueChanged), this,
                [this, side](double value) { sideTyped(side, value); });
        connect(m_sides[i], &DecimalSpinBox::refused, m_status, &QLabel::setText);
    }
    m_size = new DecimalSpinBox(numbers);
    m_size->setObjectName(QStringLiteral("spinBoxFieldSize"));
    m_size->setDecimals(0);
    m_size->setRange(kMinSize, kMaxSize);
    m_size->setSuffix(QStringLiteral(" пт"));
    m_size->setKeyboardTracking(false);
    m_size->setToolTip(QStringLiteral("Размер букв, от %1 до %2 пунктов").arg(kMinSize).arg(kMaxSize));
    form->addRow(QStringLiteral("Размер (%1–%2):").arg(kMinSize).arg(kMaxSize), m_size);
    connect(m_size, qOverload<double>(&QDoubleSpinBox::valueChanged), this, &LayoutEditor::sizeTyped);
    connect(m_size, &DecimalSpinBox::refused, m_status, &QLabel::setText);
    return numbers;
}

void LayoutEditor::recompose()
{
    printing::CardPage page;
    page.s = m_scale;
    const QString family = cardlayout::resolveCardFamily(m_fonts, QFontDatabase());
    if (!family.isNull())
        page.font.setFamily(family);
    page.fields = cardlayout::composeCard(m_samples, m_scale, m_fonts, m_coords);
    m_canvas->setPage(page);
}

// The numbers follow the chosen field; setting them is no edit.
void LayoutEditor::showCurrent()
{
    const QString key = currentKey();
    m_canvas->setCurrent(key);
    cardlayout::FieldRect rect;
    const bool known = cardlayout::fieldRect(m_coords, key, &rect);
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker blocker(m_sides[i]);
        m_sides[i]->setEnabled(known);
        m_sides[i]->setValue(known ? double(layoutgeometry::paperValue(rect, kSideBoxes[i].side)) : 0);
    }
    const QSignalBlocker blocker(m_size);
    m_size->setEnabled(known);
    m_size->setValue(cardlayout::fieldSize(m_fonts, key));
    m_status->clear();
}

void LayoutEditor::setRect(const QString& key, const cardlayout::FieldRect& rect)
{
    QVector<float>& numbers = m_coords[key];
    if (numbers.size() < 4)
        return;
    numbers[0] = rect.left;
    numbers[1] = rect.top;
    numbers[2] = rect.width;
    numbers[3] = rect.height;
    recompose();
    if (key == currentKey())
        showCurrent();
}

void LayoutEditor::sideTyped(layoutgeometry::Side side, double paperMm)
{
    cardlayout::FieldRect rect;
    const QString key = currentKey();
    if (!cardlayout::fieldRect(m_coords, key, &rect))
        return;
    const cardlayout::FieldRect changed = layoutgeometry::withPaperValue(rect, side, float(paperMm));
    const float kept = layoutgeometry::paperValue(changed, side);
    setRect(key, changed);
    if (qAbs(double(kept) - paperMm) >= 0.05)
        m_status->setText(QStringLiteral("Поле не помещается на бланке: оставлено %1 мм")
                              .arg(QString::number(double(kept), 'f', 1).replace('.', ',')));
}

void LayoutEditor::sizeTyped(double size)
{
    const QString key = currentKey();
    if (key.isEmpty())
        return;
    m_fonts[key][QStringLiteral("size")] = QString::number(qRound(size));
    recompose();
}

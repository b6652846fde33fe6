#include "card/dialog.h"
#include "ui_dialog.h"

#include "app/messages.h"
#include "card/calibration.h"
#include "card/decimalspinbox.h"
#include "card/layouteditor.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStringList>

namespace {

const QString kParamsFile = QStringLiteral("params.txt");
const QString kBackupFile = QStringLiteral("paramsBackUp.txt");

// A row of the dialog is named after its leading field; a change on the row
// applies to the fields printed together with it.
QStringList linkedFields(const QString& key)
{
    if (key == QLatin1String("Surname"))
        return {QStringLiteral("Name"), QStringLiteral("Patron")};
    if (key == QLatin1String("Comp"))
        return {QStringLiteral("Form")};
    if (key == QLatin1String("Dir"))
        return {QStringLiteral("DirPost")};
    return {};
}

// The fixed choice of families: installed fonts are not consulted, the printer
// registers missing ones from the "fonts" folder.
const QStringList kFamilies = {
    QStringLiteral("Arial"),          QStringLiteral("Consolas"),       QStringLiteral("Courier New"),
    QStringLiteral("Garamond"),       QStringLiteral("LiberationSerif"), QStringLiteral("Lucida Console"),
    QStringLiteral("PT-Astra-Serif"), QStringLiteral("Times New Roman"),
};

// Where the form leaves a field empty the editor shows a sample, so that
// every field can be seen and placed.
const QMap<QString, QString> kSamples = {
    {"Surname", "Иванов"},   {"Name", "Иван"},
    {"Patron", "Иванович"},  {"Form", "ООО"},
    {"Comp", "«Охрана»"},    {"DirPost", "Генеральный директор"},
    {"Dir", "Петров П. П."}, {"Date", "01.09.2026"},
};

// "Сброс настроек" asks first; the answer "Сбросить" goes on.
bool confirmReset(QWidget* parent)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Сброс настроек"),
                    QStringLiteral("Вернуть расположение полей к исходному? Принтеры и их сдвиги сохранятся."),
                    QMessageBox::NoButton, parent);
    QPushButton* reset = box.addButton(QStringLiteral("Сбросить"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == reset;
}

} // namespace

Dialog::Dialog(QMap<QString, QMap<QString, QString>>* fonts, float* udShift, float* lrShift, QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::Dialog)
    , fonts(fonts)
    , udShift(udShift)
    , lrShift(lrShift)
{
    ui->setupUi(this);

    // The boxes clamp to their range and round to one decimal; the shown value
    // is what the copies hold from now on, whether or not the box emitted.
    ui->UDShift->setValue(*udShift);
    ui->LRShift->setValue(*lrShift);
    *udShift = float(ui->UDShift->value());
    *lrShift = float(ui->LRShift->value());

    setAlignments();
    const QList<QRadioButton*> buttons = findChildren<QRadioButton*>();
    for (QRadioButton* button : buttons)
        connect(button, &QRadioButton::clicked, this, &Dialog::alignChanged);
    setSizes();
    setFamilies();
    buildCalibrationRows();
    buildLayoutButton();
    show();
}

Dialog::~Dialog()
{
    delete ui;
}

void Dialog::accept()
{
    QDialog::accept();
}

// Checked before the buttons are connected, so nothing is written back here;
// an alignment other than the three exact words leaves the row unchecked.
void Dialog::setAlignments()
{
    const QStringList keys = fonts->keys();
    for (const QString& key : keys) {
        const QString align = (*fonts)[key][QStringLiteral("align")];
        if (auto* button = findChild<QRadioButton*>(QStringLiteral("radioButton") + align + key))
            button->setChecked(true);
    }
}

// The value is set before the connection: a size outside the box's range is
// shown clamped but stays in the copy until the row is changed.
void Dialog::setSizes()
{
    const QStringList keys = fonts->keys();
    for (const QString& key : keys) {
        auto* box = findChild<QSpinBox*>(QStringLiteral("spinBox") + key);
        if (!box)
            continue;
        box->setValue((*fonts)[key][QStringLiteral("size")].toInt());
        connect(box, qOverload<int>(&QSpinBox::valueChanged), this, &Dialog::sizeChanged);
    }
}

// The card prints in the family of "Surname", so that is the one shown.
void Dialog::setFamilies()
{
    ui->comboBoxFontFamily->addItems(kFamilies);
    ui->comboBoxFontFamily->setCurrentText((*fonts)[QStringLiteral("Surname")][QStringLiteral("family")]);
    connect(ui->comboBoxFontFamily, &QComboBox::currentTextChanged, this, &Dialog::fontFamileChanged);
}

void Dialog::setForRow(const QString& key, const QString& attribute, const QString& value)
{
    (*fonts)[key][attribute] = value;
    const QStringList linked = linkedFields(key);
    for (const QString& field : linked)
        (*fonts)[field][attribute] = value;
}

void Dialog::alignChanged()
{
    if (!sender())
        return;
    QString rest = sender()->objectName();
    rest.remove(QStringLiteral("radioButton"), Qt::CaseInsensitive);
    QString align = QStringLiteral("Center");
    if (rest.contains(QLatin1String("left"), Qt::CaseInsensitive))
        align = QStringLiteral("Left");
    else if (rest.contains(QLatin1String("right"), Qt::CaseInsensitive))
        align = QStringLiteral("Right");
    setForRow(rest.remove(align, Qt::CaseInsensitive), QStringLiteral("align"), align);
}

void Dialog::on_buttonResetSettings_clicked()
{
    if (!confirmReset(this))
        return;
    QString error;
    if (!resetLayout(kBackupFile, kParamsFile, &error))
        showError(this, error);
    // Emitted whatever happened: the main window reloads whatever is on disk now.
    emit resetSetiings();
    QDialog::reject();
}

void Dialog::on_UDShift_valueChanged(double arg1)
{
    *udShift = float(arg1);
}

void Dialog::on_LRShift_valueChanged(double arg1)
{
    *lrShift = float(arg1);
}

void Dialog::sizeChanged(int value)
{
    if (!sender())
        return;
    const QString key = sender()->objectName().remove(QStringLiteral("spinBox"), Qt::CaseInsensitive);
    setForRow(key, QStringLiteral("size"), QString::number(value));
}

void Dialog::fontFamileChanged(QString family)
{
    for (auto it = fonts->begin(); it != fonts->end(); ++it)
        it.value()[QStringLiteral("family")] = family;
}

// Below the shifts: the printer, the calibration sheet and the error it showed.
// Made after the form's own widgets, so they come last in the tab chain.
void Dialog::buildCalibrationRows()
{
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* grid = new QGridLayout;
    m_printerList = new QComboBox(this);
    m_printerList->setObjectName(QStringLiteral("comboBoxPrinter"));
    auto* sheet = new QPushButton(QStringLiteral("Печать листа калибровки"), this);
    sheet->setObjectName(QStringLiteral("buttonCalibration"));
    auto makeError = [this](const QString& name) {
        // What the sheet shows, measured with a ruler: millimetres on paper.
        auto* box = new DecimalSpinBox(this);
        box->setObjectName(name);
        box->setDecimals(1);
        box->setRange(0, 20);
        box->setSingleStep(0.5);
        box->setSuffix(QStringLiteral(" мм"));
        return box;
    };
    m_verticalSide = new QComboBox(this);
    m_verticalSide->setObjectName(QStringLiteral("comboBoxErrorVertical"));
    m_verticalSide->addItems({QStringLiteral("текст ниже линии на"), QStringLiteral("текст выше линии на")});
    m_verticalError = makeError(QStringLiteral("spinBoxErrorVertical"));
    m_horizontalSide = new QComboBox(this);
    m_horizontalSide->setObjectName(QStringLiteral("comboBoxErrorHorizontal"));
    m_horizontalSide->addItems({QStringLiteral("текст правее линии на"), QStringLiteral("текст левее линии на")});
    m_horizontalError = makeError(QStringLiteral("spinBoxErrorHorizontal"));
    auto* correct = new QPushButton(QStringLiteral("Исправить сдвиги"), this);
    correct->setObjectName(QStringLiteral("buttonCorrectShift"));

    grid->addWidget(new QLabel(QStringLiteral("Принтер:"), this), 0, 0);
    grid->addWidget(m_printerList, 0, 1, 1, 2);
    grid->addWidget(sheet, 1, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("По листу калибровки:"), this), 2, 0, 1, 3);
    grid->addWidget(m_verticalSide, 3, 0, 1, 2);
    grid->addWidget(m_verticalError, 3, 2);
    grid->addWidget(m_horizontalSide, 4, 0, 1, 2);
    grid->addWidget(m_horizontalError, 4, 2);
    grid->addWidget(correct, 5, 0, 1, 3);
    ui->verticalLayout->insertWidget(1, line);
    ui->verticalLayout->insertLayout(2, grid);

    connect(sheet, &QPushButton::clicked, this, &Dialog::printCalibrationSheet);
    connect(correct, &QPushButton::clicked, this, &Dialog::correctShifts);
}

void Dialog::setPrinters(printerchoice::PrinterSettings* settings, const QStringList& destinations,
                         const QString& systemDefault)
{
    m_printers = settings;
    m_systemDefault = systemDefault;
    m_shownPrinter = settings->printer.isEmpty() ? systemDefault : settings->printer;
    QSignalBlocker blocker(m_printerList);
    m_printerList->clear();
    for (const QString& name : destinations) {
        const QString mark = name == systemDefault ? QStringLiteral(" (по умолчанию)") : QString();
        m_printerList->addItem(name + mark, name);
    }
    // A chosen printer that is gone stays visible, so the operator sees why
    // nothing prints.
    if (!m_shownPrinter.isEmpty() && m_printerList->findData(m_shownPrinter) < 0)
        m_printerList->addItem(m_shownPrinter + QStringLiteral(" (не найден)"), m_shownPrinter);
    m_printerList->setCurrentIndex(m_printerList->findData(m_shownPrinter));
    connect(m_printerList, qOverload<int>(&QComboBox::currentIndexChanged), this, &Dialog::printerChanged,
            Qt::UniqueConnection);
}

void Dialog::setCoords(const cardlayout::CoordTable& coords)
{
    m_coords = coords;
}

cardlayout::CoordTable Dialog::coords() const
{
    return m_coords;
}

void Dialog::setSampleTexts(const cardlayout::SourceTexts& texts)
{
    m_samples = texts;
    for (auto it = kSamples.constBegin(); it != kSamples.constEnd(); ++it) {
        if (m_samples.value(it.key()).isEmpty())
            m_samples.insert(it.key(), it.value());
    }
}

// Below everything else, so last in the tab chain.
void Dialog::buildLayoutButton()
{
    auto* button = new QPushButton(QStringLiteral("Расположение полей"), this);
    button->setObjectName(QStringLiteral("buttonLayout"));
    button->setToolTip(QStringLiteral("Передвинуть поля на бланке и изменить их размеры"));
    ui->verticalLayout->insertWidget(ui->verticalLayout->count() - 1, button);
    connect(button, &QPushButton::clicked, this, &Dialog::editLayout);
}

// The editor works on copies; only OK brings its changes here, and only the
// settings' own OK writes them to "params.txt".
void Dialog::editLayout()
{
    if (m_samples.isEmpty())
        setSampleTexts({});
    LayoutEditor editor(*fonts, m_coords, m_samples, this);
    if (editor.exec() != QDialog::Accepted)
        return;
    *fonts = editor.fonts();
    m_coords = editor.coords();
    showSizes();
}

void Dialog::showSizes()
{
    const QList<QSpinBox*> boxes = findChildren<QSpinBox*>();
    for (QSpinBox* box : boxes) {
        const QString key = box->objectName().remove(QStringLiteral("spinBox"));
        if (!fonts->contains(key))
            continue;
        const QSignalBlocker blocker(box);
        box->setValue(cardlayout::fieldSize(*fonts, key));
    }
}

QString Dialog::selectedPrinter() const
{
    return m_printerList->currentData().toString();
}

void Dialog::showShifts(const cardlayout::Shift& shift)
{
    ui->UDShift->setValue(double(shift.udShift));
    ui->LRShift->setValue(double(shift.lrShift));
    *udShift = float(ui->UDShift->value());
    *lrShift = float(ui->LRShift->value());
}

void Dialog::printerChanged(int index)
{
    if (!m_printers || index < 0)
        return;
    const QString next = m_printerList->itemData(index).toString();
    if (!m_shownPrinter.isEmpty())
        m_printers->shifts.insert(m_shownPrinter, {*udShift, *lrShift});
    // A file that follows the system default keeps following it.
    const bool followsDefault = m_printers->printer.isEmpty() && next == m_systemDefault;
    if (!followsDefault)
        m_printers->printer = next;
    showShifts(m_printers->shifts.value(next));
    m_shownPrinter = next;
}

void Dialog::printCalibrationSheet()
{
    calibration::printSheet(this, selectedPrinter(), m_coords, {*udShift, *lrShift});
}

// "текст ниже линии на 1,5 мм" moves the text up by 1.5 mm on paper, and so
// on: the operator enters what the sheet shows, the signs and the blank's
// millimetres are worked out here.
void Dialog::correctShifts()
{
    const float below = float(m_verticalError->value()) * (m_verticalSide->currentIndex() == 0 ? 1 : -1);
    const float right = float(m_horizontalError->value()) * (m_horizontalSide->currentIndex() == 0 ? 1 : -1);
    showShifts(calibration::corrected({*udShift, *lrShift}, below, right));
    m_verticalError->setValue(0);
    m_horizontalError->setValue(0);
}

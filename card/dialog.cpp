#include "card/dialog.h"
#include "ui_dialog.h"

#include "app/messages.h"
#include "card/layoutparams.h"
#include "util/textfiles.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QSaveFile>
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

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

QString quotedName(const QString& fileName)
{
    return QLatin1Char('"') + QFileInfo(fileName).fileName() + QLatin1Char('"');
}

} // namespace

bool restoreFromBackup(const QString& backupName, const QString& targetName, QString* error)
{
    if (!QFile::exists(backupName))
        return fail(error, QStringLiteral("Файл ") + backupName + QStringLiteral(" не найден"));

    QString message;
    QFile backup(backupName);
    if (!openFile(backup, QIODevice::ReadOnly, message))
        return fail(error, message);
    const QByteArray bytes = backup.readAll();
    if (backup.error() != QFileDevice::NoError || !backup.atEnd())
        return fail(error, QStringLiteral("Не удалось прочитать файл ") + quotedName(backupName));
    // A backup that would not load must not replace a file that does: without
    // readable parameters the program does not start.
    LayoutParams parsed;
    QString parseError;
    if (!parseLayoutParams(textLines(decodeText(bytes), true), &parsed, &parseError))
        return fail(error, QStringLiteral("Файл ") + QFileInfo(backupName).fileName() + QStringLiteral(" повреждён: ")
                               + parseError);

    // QSaveFile writes beside the target and renames over it on commit, so the
    // old file stays whole until the new one is complete.
    QSaveFile target(targetName);
    if (!openFile(target, QIODevice::WriteOnly, message))
        return fail(error, message);
    if (target.write(bytes) != bytes.size() || !target.commit())
        return fail(error, QStringLiteral("Не удалось записать файл ") + quotedName(targetName));
    return true;
}

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
    QString error;
    if (!restoreFromBackup(kBackupFile, kParamsFile, &error))
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

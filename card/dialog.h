#ifndef DIALOG_H
#define DIALOG_H

#include "card/cardlayout.h"
#include "card/layoutreset.h"
#include "card/printerchoice.h"

#include <QDialog>
#include <QMap>
#include <QString>

class DecimalSpinBox;
class QComboBox;

namespace Ui {
class Dialog;
}


// Settings dialog for the card layout: font family, size and alignment of each
// row of fields, and the shifts. Every change goes straight into the caller's
// working copies; the caller decides what to do with them after exec().
class Dialog : public QDialog
{
    Q_OBJECT

public:
    Dialog(QMap<QString, QMap<QString, QString>>* fonts, float* udShift, float* lrShift, QWidget* parent = nullptr);
    ~Dialog() override;

    // Fills the printer list ("comboBoxPrinter") with the destinations, the
    // system default marked, and selects the chosen one. Switching printers
    // keeps the shifts of the one left in *settings and shows those of the
    // new one (0 for a printer without any); *settings->printer follows.
    void setPrinters(printerchoice::PrinterSettings* settings, const QStringList& destinations,
                     const QString& systemDefault);

    // The rectangles the calibration sheet outlines and the layout editor
    // moves; coords() gives them back as the editor left them.
    void setCoords(const cardlayout::CoordTable& coords);
    cardlayout::CoordTable coords() const;

    // The texts the layout editor paints into the fields: the form's, with
    // a sample in each field the form leaves empty.
    void setSampleTexts(const cardlayout::SourceTexts& texts);

signals:
    void resetSetiings();

public slots:
    void accept() override;

private slots:
    void alignChanged();
    void on_buttonResetSettings_clicked();
    void on_UDShift_valueChanged(double arg1);
    void on_LRShift_valueChanged(double arg1);
    void sizeChanged(int value);
    void fontFamileChanged(QString family);

private:
    // Plain member functions, connected by pointer: the dialog's slot table
    // stays what it has always been.
    void printerChanged(int index);
    void printCalibrationSheet();
    void correctShifts();
    void editLayout();
    void buildLayoutButton();
    void showSizes();

    void setAlignments();
    void setSizes();
    void setFamilies();
    void setForRow(const QString& key, const QString& attribute, const QString& value);
    void buildCalibrationRows();
    void showShifts(const cardlayout::Shift& shift);
    QString selectedPrinter() const;

    Ui::Dialog* ui;
    QMap<QString, QMap<QString, QString>>* fonts;
    float* udShift;
    float* lrShift;

    printerchoice::PrinterSettings* m_printers = nullptr;
    QString m_systemDefault;
    QString m_shownPrinter;  // whose shifts the boxes show
    cardlayout::CoordTable m_coords;
    cardlayout::SourceTexts m_samples;
    QComboBox* m_printerList = nullptr;
    QComboBox* m_verticalSide = nullptr;
    DecimalSpinBox* m_verticalError = nullptr;
    QComboBox* m_horizontalSide = nullptr;
    DecimalSpinBox* m_horizontalError = nullptr;
};

#endif // DIALOG_H

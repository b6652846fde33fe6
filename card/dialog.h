#ifndef DIALOG_H
#define DIALOG_H

#include <QDialog>
#include <QMap>
#include <QString>

namespace Ui {
class Dialog;
}

// Replaces the layout parameters file targetName with the bytes of backupName.
// The target is touched only when the whole backup was read and parses as layout
// parameters, and is then swapped in one step (a half-written target never
// appears). False with the reason in *error.
bool restoreFromBackup(const QString& backupName, const QString& targetName, QString* error = nullptr);

// Settings dialog for the card layout: font family, size and alignment of each
// row of fields, and the shifts. Every change goes straight into the caller's
// working copies; the caller decides what to do with them after exec().
class Dialog : public QDialog
{
    Q_OBJECT

public:
    Dialog(QMap<QString, QMap<QString, QString>>* fonts, float* udShift, float* lrShift, QWidget* parent = nullptr);
    ~Dialog() override;

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
    void setAlignments();
    void setSizes();
    void setFamilies();
    void setForRow(const QString& key, const QString& attribute, const QString& value);

    Ui::Dialog* ui;
    QMap<QString, QMap<QString, QString>>* fonts;
    float* udShift;
    float* lrShift;
};

#endif // DIALOG_H

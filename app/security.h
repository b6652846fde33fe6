#ifndef SECURITY_H
#define SECURITY_H

#include "card/card.h"
#include "db/database.h"

#include <QFontDatabase>
#include <QJsonObject>
#include <QMap>
#include <QSqlQueryModel>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QPrinter;
class QTableView;

namespace printing {
struct CardPage;
}

namespace Ui {
class Security;
}

// The program's main window: the record form, the organisation and employee
// lists, and the buttons that save, print, preview and configure cards.
class Security : public QWidget
{
    Q_OBJECT

public:
    explicit Security(QWidget* parent = nullptr);
    ~Security() override;

    int initialize();
    // Opens the import window on a staff list (import/importslot.cpp).
    void importStaffList(const QString& path);

private slots:
    void on_buttonSave_clicked();
    void on_buttonDeleteCompany_clicked();
    void on_buttonDeletePerson_clicked();
    void on_buttonClear_clicked();
    void on_buttonParams_clicked();
    void on_buttonPrint_clicked();
    void checkFormFilled();
    void on_tableViewCompanies_clicked(const QModelIndex& index);
    void on_tableViewPersonal_clicked(const QModelIndex& index);
    void on_buttonUpdate_clicked();
    void filterChanged(QString text);
    void on_lineEditCompanyFilter_textChanged(const QString& arg1);
    bool readParams();
    void on_buttonImport_clicked();

private:
    // Record lists (records/recordlists.cpp).
    void refreshCompanies(const QString& filter);
    void refreshPersonnel(const QString& companyText, const QStringList& filters);
    QStringList selectedRowTexts(QTableView* view) const;
    void clearFilters();
    // Fills the organisation fields from the selected organisation; false
    // when none is selected or it cannot be read.
    bool loadSelectedOrganisation();

    // Writes "params.txt" from the layout parameters; false with the reason in
    // *error when the file could not be written (card/layoutparams.cpp).
    bool writeParams(QString* error = nullptr);

    // Printing (card/printing.cpp).
    bool choosePrinter(QPrinter& printer, QString* destination);
    bool confirmPrint(QPrinter& printer, const QString& destination, bool testPrint, bool familyFound,
                      printing::CardPage* page);

    Ui::Security* ui;
    DataBase db;
    QSqlQueryModel modelCompanies;
    QSqlQueryModel modelPersonal;
    QStringList companyColumns;
    QStringList personalColumns;
    QJsonObject paramsRoot;
    QMap<QString, QMap<QString, QString>> fonts;
    QMap<QString, QVector<float>> coords;
    float udShift = 0;
    float lrShift = 0;
    Card card;
    QFontDatabase fontDatabase;
};

#endif // SECURITY_H

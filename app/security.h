#ifndef SECURITY_H
#define SECURITY_H

#include "card/cardlayout.h"
#include "card/layoutparams.h"
#include "card/printjob.h"
#include "db/database.h"
#include "records/companylistmodel.h"

#include <QJsonObject>
#include <QMap>
#include <QPointer>
#include <QSqlQueryModel>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include <functional>

class BatchWindow;
class JournalWindow;
class QKeySequence;
class QPrinter;
class QPushButton;
class QTableView;

namespace journal {
struct CardRow;
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
    // Opens the import window on a staff list (app/securityimport.cpp).
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
    void on_buttonJournal_clicked();
    // Prints the register's card again as a new card (app/securityjournal.cpp).
    void reprintCard(qint64 number);
    // Batch printing for the selected organisation (app/securitybatch.cpp).
    void on_buttonBatch_clicked();

private:
    // A shortcut that clicks the button, named in its tooltip after tip.
    void addButtonShortcut(QPushButton* button, const QKeySequence& keys, const QString& tip);
    // A short report in the window's status line of what a step has done.
    void showStatus(const QString& text);

    // Record lists (app/securitylists.cpp).
    // The buttons that act on a selected row are usable only while one is
    // selected, also after a list was read anew (which drops its selection
    // without saying so).
    void followSelections();
    void updateSelectionButtons();
    void refreshCompanies(const QString& filter);
    void refreshPersonnel(const QString& companyText, const QStringList& filters);
    QStringList selectedRowTexts(QTableView* view) const;
    void clearFilters();
    // Fills the organisation fields from the selected organisation; false
    // when none is selected or it cannot be read.
    bool loadSelectedOrganisation();
    // "Обновить" with no employee selected: the organisation takes the form's
    // legal form and name, unless another organisation has that text.
    void renameSelectedOrganisation(const QString& companyText);

    // Writes "params.txt" from the layout parameters; false with the reason in
    // *error when the file could not be written (app/securityparams.cpp).
    bool writeParams(QString* error = nullptr);

    // Printing (app/securityprinting.cpp).
    bool choosePrinter(QPrinter& printer, QString* destination);
    // The layout parameters as last read.
    LayoutParams layout() const;
    // Prints the cards through the print pipeline on the chosen printer (for
    // a test print into "card.pdf"), the questions asked over parent, and
    // tells the operator what failed. beforeJob, when given, is asked with the
    // destination's name once the printer is known; false stops the print.
    printjob::Outcome printCards(printjob::Kind kind, const QVector<printjob::CardTexts>& cards, bool testPrint,
                                 QWidget* parent, const std::function<bool(int)>& pagePainted = {},
                                 const std::function<bool(const QString&)>& beforeJob = {});

    // The register of issued cards (app/securityjournal.cpp): the table is
    // made again when it could not be made at start-up.
    bool ensureRegister(QString* error);
    // Marks the card a reprint replaced as spoiled, unless it is already.
    void markReplaced(const journal::CardRow& replaced, qint64 number);

    // Batch printing (app/securitybatch.cpp): printBatch prints the window's checked cards in one job.
    void printBatch(BatchWindow* window, const QString& companyText, const QString& form, const QString& comp);

    Ui::Security* ui;
    DataBase db;
    CompanyListModel modelCompanies;
    QSqlQueryModel modelPersonal;
    QJsonObject paramsRoot;
    QMap<QString, QMap<QString, QString>> fonts;
    QMap<QString, QVector<float>> coords;
    float udShift = 0;
    float lrShift = 0;
    // Why the register could not be created at start-up; empty when it was.
    QString registerError;
    QPointer<JournalWindow> journalWindow;
    QPointer<BatchWindow> batchWindow;
};

#endif // SECURITY_H

#ifndef IMPORT_IMPORTDIALOG_H
#define IMPORT_IMPORTDIALOG_H

#include "import/importsession.h"

#include <QDialog>
#include <QStringList>

class DataBase;
class QComboBox;
class QDateEdit;
class QSpinBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

// The import window: the file's columns and what each feeds, the first rows
// as they will be stored with each row's verdict, the organisation for rows
// without one, and the import itself.
class ImportDialog : public QDialog
{
    Q_OBJECT

public:
    // session has been opened on the file; companies are the stored
    // organisations offered for rows without one, selected preset.
    ImportDialog(staffimport::ImportSession* session, DataBase* db, const QStringList& companies,
                 const QString& selected, QWidget* parent = nullptr);

    // Whether the rows were written.
    bool imported() const { return m_imported; }

    // Rows of the file shown in the preview at most.
    static constexpr int kPreviewRows = 50;

private slots:
    void recheck();
    void runImport();
    void sheetChosen(int index);
    void headerRowChosen(int line);

private:
    void buildColumnTable();
    void buildTableChoice(QVBoxLayout* layout);
    void fillPreview();
    void showReport(const QStringList& extra);

    staffimport::ImportSession* m_session;
    DataBase* m_db;
    bool m_imported = false;
    QLabel* m_fileLabel;
    QComboBox* m_company;
    QComboBox* m_sheet;
    QSpinBox* m_headerRow;
    QDateEdit* m_date;
    QTableWidget* m_columns;
    QTableWidget* m_preview;
    QLabel* m_summary;
    QPlainTextEdit* m_report;
    QPushButton* m_import;
    QPushButton* m_close;
};

#endif // IMPORT_IMPORTDIALOG_H

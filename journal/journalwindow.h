#ifndef JOURNALWINDOW_H
#define JOURNALWINDOW_H

#include <QSqlDatabase>
#include <QWidget>

class CardListModel;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// The register window: the printed cards, newest first, filtered by period,
// organisation and employee; marks a card spoiled, asks for a reprint and
// exports the rows shown to CSV.
class JournalWindow : public QWidget
{
    Q_OBJECT

public:
    explicit JournalWindow(const QSqlDatabase& database, QWidget* parent = nullptr);

    // Reads the register again with the filters as they stand; false after a
    // failure, which has been shown.
    bool refresh();
    // Writes the rows shown to fileName; a failure is shown. False then.
    bool exportTo(const QString& fileName);
    // The number of the selected card, 0 when none is selected.
    qint64 selectedNumber() const;
    // A short report in the window's status line.
    void showStatus(const QString& text);

signals:
    // The operator asks for the card to be printed again.
    void reprintRequested(qint64 number);

private slots:
    void applyFilter();
    void markSpoiled();
    void reprint();
    void exportRows();

private:
    void buildForm();
    void fitColumns();

    CardListModel* m_model = nullptr;
    QSqlDatabase m_database;
    QCheckBox* m_period = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QLineEdit* m_company = nullptr;
    QLineEdit* m_person = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_status = nullptr;
};

#endif // JOURNALWINDOW_H

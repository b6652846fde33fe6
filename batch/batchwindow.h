#ifndef BATCHWINDOW_H
#define BATCHWINDOW_H

#include "batch/batchprint.h"
#include "card/fitcheck.h"

#include <QDialog>
#include <QSet>
#include <QVector>

#include <functional>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// The window of batch printing for one organisation: its employees with a
// check box each, the employee list's two filters for finding names, the
// date of issue, and the fit check of every card. "Печать" asks the main
// window to print the checked cards.
class BatchWindow : public QDialog
{
    Q_OBJECT

public:
    // The fit check of one employee's card with the date given.
    using FitCheck = std::function<QVector<fitcheck::Overflow>(const records::Employee&, const QString& date)>;
    // The row ids that the two filters (full name, director) let through.
    using Filter = std::function<QSet<qint64>(const QStringList& filters)>;

    BatchWindow(const QString& companyText, const QVector<records::Employee>& employees, FitCheck fitCheck,
                Filter filter, QWidget* parent = nullptr);

    // The checked employees in list order, shown or not.
    QVector<records::Employee> checkedEmployees() const;
    // The date printed on the employee's card: the one date for all, or the
    // stored one (null when it cannot be read).
    QString dateFor(const records::Employee& employee) const;

signals:
    void printRequested();

private:
    void applyFilters();
    void setShownChecked(bool checked);
    void updateChecks();
    void updateCount();

    QVector<records::Employee> m_employees;
    FitCheck m_fitCheck;
    Filter m_filter;
    QLineEdit* m_surnameFilter = nullptr;
    QLineEdit* m_directorFilter = nullptr;
    QTableWidget* m_table = nullptr;
    QRadioButton* m_storedDate = nullptr;
    QRadioButton* m_oneDate = nullptr;
    QDateEdit* m_date = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_print = nullptr;
};

#endif // BATCHWINDOW_H

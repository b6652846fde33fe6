#ifndef BENCHWINDOW_H
#define BENCHWINDOW_H

#include "app/security.h"

#include <QObject>
#include <QScopedPointer>
#include <QString>
#include <QStringList>

class QDateEdit;
class QLineEdit;
class QPushButton;
class QSqlDatabase;
class QTableView;

// Answers every message box as soon as it is shown: the delete confirmation
// with "Да", anything else with OK. A box other than the confirmation means
// the interaction went wrong, so its text is kept for the benchmark to report.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer();
    ~BoxAnswerer() override;

    // Texts of the boxes other than the confirmation since the last call.
    QStringList takeUnexpected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList m_unexpected;
};

// The program's main window, built and driven the way the operator does it:
// mouse clicks on rows and buttons, keys typed into the filters.
class WindowDriver
{
public:
    WindowDriver();
    ~WindowDriver();

    // Builds the window in the current folder, initialises and shows it.
    bool start();
    void stop();
    bool isRunning() const { return !m_window.isNull(); }
    Security* window() const { return m_window.data(); }

    QLineEdit* edit(const QString& name) const;
    QDateEdit* dateEdit() const;
    QPushButton* button(const QString& name) const;
    QTableView* companies() const;
    QTableView* personnel() const;

    // Brings the row into view and clicks it.
    void clickRow(QTableView* view, int row) const;
    void click(const QString& buttonName) const;
    // Types one character into the line edit, as a key press and release.
    void typeKey(QLineEdit* edit, const QString& text) const;
    // Row of the company list (among the rows fetched so far) showing text, or -1.
    int companyRow(const QString& text) const;
    int rowCount(QTableView* view) const;
    // The window's own database connection.
    QSqlDatabase connection() const;
    // Closes the preview windows and lets them be deleted.
    static void closePreviews();
    // Number of preview windows that are shown and exposed.
    static int shownPreviews();

private:
    QScopedPointer<Security> m_window;
};

#endif // BENCHWINDOW_H

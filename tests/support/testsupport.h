#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

class QJsonObject;
class QMessageBox;

namespace testsupport {

// Path of a file delivered with the program (data/params.txt and the like).
QString deliveredFile(const QString& relativePath);

// A fresh temporary folder made the process's current folder for the
// lifetime of the object; the previous current folder comes back afterwards.
class WorkDir
{
public:
    WorkDir();
    ~WorkDir();

    bool isValid() const;
    QString path() const;
    QString filePath(const QString& name) const;

    // Copies data/params.txt (and paramsBackUp.txt) of the source tree here.
    bool seedParams(bool withBackup = true);
    // Copies the delivered font files into fonts/ here.
    bool seedFonts();
    bool writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// While it lives, files are opened with the rights of an ordinary user: a
// process running as root takes the effective user and group of "nobody"
// (root may write anywhere, an operator may not); any other process keeps its
// own. isActive() is false when root could not change its rights.
class Unprivileged
{
public:
    Unprivileged();
    ~Unprivileged();
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    bool isActive() const { return m_active; }

private:
    bool m_active = false;
    bool m_dropped = false;
    unsigned m_gid = 0;
    std::vector<unsigned> m_groups;
};

// Answers the next modal message box from the event loop it opens. The handler
// receives the box and must click one of its buttons (or call done()).
class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(QMessageBox*)> handler);
    ~ModalAnswer();

    // Schedules the watcher; call before the action that opens the box.
    void arm(int timeoutMs = 30000);
    bool answered() const { return m_answered; }
    QString title() const { return m_title; }
    QString text() const { return m_text; }
    QStringList buttonTexts() const { return m_buttons; }
    QString defaultButtonText() const { return m_defaultButton; }
    bool hasEscapeButton() const { return m_hasEscape; }

private:
    void poll(int remainingMs);

    std::function<void(QMessageBox*)> m_handler;
    bool m_answered = false;
    QString m_title;
    QString m_text;
    QStringList m_buttons;
    QString m_defaultButton;
    bool m_hasEscape = false;
    // Cleared on destruction, so a watcher still pending never touches a dead object.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// Rewrites "params.txt" of the current folder, letting edit change the
// object of its card fields ("data" / "fonts").
bool editParamsFonts(const std::function<void(QJsonObject& fonts)>& edit);

// Registers and opens an in-memory SQLite database under the connection name,
// with the program's tables "companies" and "personal"; false on failure.
bool openSchemaDatabase(const QString& connection);

// Runs a statement on the named connection (the test's own, beside the one
// under test); checkRows gives each result row's values joined with "|",
// NULL shown as "<NULL>", or one "<error> ..." entry when it fails.
bool checkExec(const QString& connection, const QString& statement);
QStringList checkRows(const QString& connection, const QString& statement);

// One word of `pdftotext -bbox`, in points from the top-left of the page.
struct PdfWord
{
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

// Runs a tool in the C.UTF-8 locale and returns its standard output.
QString runTool(const QString& program, const QStringList& arguments, bool* ok = nullptr);

// The words of the PDF's first page with their boxes.
QVector<PdfWord> pdfWords(const QString& pdfFile);

// The name of the test queue (the default printer of the tests) and of the
// further queues beside it ("-a", "-b", "-noa6"), and the file a queue prints
// into; empty when the queue does not print into a file.
QString testQueue(const QString& suffix = QString());
QString queueFile(const QString& queue);

// How many jobs of the queue this process has seen, done or not: compared
// before and after an action, the difference is the jobs it sent, even when
// the spooler forgets old jobs meanwhile.
int jobCount(const QString& queue);

// Waits until the queue is empty and its file holds a whole document that
// differs from `before`.
bool waitForQueueFile(const QString& queue, const QByteArray& before, int timeoutMs = 60000);

// Handlers for ModalAnswer: click the button with the given text, or OK.
std::function<void(QMessageBox*)> clickButton(const QString& text);
std::function<void(QMessageBox*)> clickOk();

} // namespace testsupport

#endif // TESTSUPPORT_H

#ifndef RECORDWINDOW_H
#define RECORDWINDOW_H

// Drives the real main window for the record tests: a fresh working folder,
// widgets found by object name, mouse clicks on list rows, message boxes
// answered and recorded, and a second connection that reads "dataBase.db"
// (or the test server's database, see support/testengine.h).

#include "app/security.h"
#include "db/statements.h"
#include "support/testengine.h"
#include "support/testsupport.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QDateEdit>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <memory>

namespace recordtest {

// What a message box showed.
struct Box
{
    QString title;
    QString text;
    QString informative;
    QStringList buttons;
    QString defaultButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool hasParent = false;
    bool survivedEscapeAndClose = false;
};

// Answers every message box that opens while it lives: with the next planned
// answer (a button text), else with OK or the first button. Polls from a timer
// it owns, so nothing outlives the test that made it.
class BoxWatcher
{
public:
    BoxWatcher()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    QList<Box> boxes;
    QStringList answers;
    // Before answering, press Esc and ask the box to close, and record whether it is still open.
    bool probeEscape = false;
    // Leaves the boxes to the test itself.
    bool passive = false;

private:
    void poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || m_busy || passive)
            return;
        m_busy = true;
        Box seen;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.informative = box->informativeText();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        seen.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        seen.icon = box->icon();
        seen.hasParent = box->parentWidget() != nullptr;
        if (probeEscape) {
            QTest::keyClick(box, Qt::Key_Escape);
            box->close();
            seen.survivedEscapeAndClose = box->isVisible();
        }
        if (box->isVisible())
            answer(box);
        boxes << seen;
        m_busy = false;
    }

    void answer(QMessageBox* box)
    {
        const QString wanted = answers.isEmpty() ? QString() : answers.takeFirst();
        for (QAbstractButton* button : box->buttons()) {
            if (!wanted.isEmpty() && button->text() == wanted) {
                button->click();
                return;
            }
        }
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else if (!box->buttons().isEmpty())
            box->buttons().first()->click();
    }

    QTimer m_timer;
    bool m_busy = false;
};

// One employee row as the save writes it.
struct Person
{
    QString id, surname, name, patron, post, director, date;
};

class Session
{
public:
    Session()
        : m_connection(QStringLiteral("check%1").arg(++counter()))
    {
    }

    ~Session()
    {
        m_window.reset();
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }

    // Creates the tables (and the given rows) before the window first opens the file.
    bool seed(const QList<QStringList>& companies, const QList<Person>& people = {})
    {
        if (!openCheck())
            return false;
        // One transaction: long lists are seeded in a moment.
        bool ok = exec("BEGIN");
        if (testsupport::onServer()) { // the tables as the program makes them there
            ok = ok && exec(sql::createTable("companies", {"Форма", "Наименование", "name"}, sql::Dialect::Postgres))
                 && exec(sql::createTable("personal", {"id", "Фамилия", "Имя", "Отчество", "Должность",
                                                       "Руководитель", "Дата_выдачи", "person", "director"},
                                          sql::Dialect::Postgres));
        } else {
            ok = ok && exec("CREATE TABLE IF NOT EXISTS companies (Форма TEXT,Наименование TEXT,name TEXT)")
                 && exec("CREATE TABLE IF NOT EXISTS personal (id TEXT,Фамилия TEXT,Имя TEXT,Отчество TEXT,"
                         "Должность TEXT,Руководитель TEXT,Дата_выдачи TEXT,person TEXT,director TEXT)");
        }
        for (const QStringList& c : companies) {
            const QString text = QStringList{c.value(0), c.value(1)}.join(' ').trimmed();
            ok = ok && insert("companies", {c.value(0), c.value(1), text.toLower()});
        }
        for (const Person& p : people) {
            const QString person = QStringList{p.surname, p.name, p.patron}.join(' ').simplified().toLower();
            ok = ok && insert("personal", {p.id, p.surname, p.name, p.patron, p.post, p.director, p.date, person,
                                           (p.post + ' ' + p.director).toLower()});
        }
        return exec(ok ? "COMMIT" : "ROLLBACK") && ok;
    }

    // Builds and initialises the window in the working folder and shows it.
    bool start()
    {
        if (!m_dir.isValid() || !m_dir.seedParams() || !openCheck())
            return false;
        m_window.reset(new Security);
        if (m_window->initialize() != 0)
            return false;
        m_window->show();
        return QTest::qWaitForWindowExposed(m_window.get());
    }

    Security& window() { return *m_window; }
    const testsupport::WorkDir& dir() const { return m_dir; }
    BoxWatcher& boxes() { return m_boxes; }

    QLineEdit* edit(const QString& name) const { return m_window->findChild<QLineEdit*>(name); }
    QPushButton* button(const QString& name) const { return m_window->findChild<QPushButton*>(name); }
    QTableView* view(const QString& name) const { return m_window->findChild<QTableView*>(name); }
    QDateEdit* dateEdit() const { return m_window->findChild<QDateEdit*>(QStringLiteral("lineEditDate")); }
    QTableView* companies() const { return view(QStringLiteral("tableViewCompanies")); }
    QTableView* personnel() const { return view(QStringLiteral("tableViewPersonal")); }

    // Types like a keyboard, one character at a time (QTest::keyClicks cannot type Cyrillic).
    void type(const QString& editName, const QString& text)
    {
        QLineEdit* target = edit(editName);
        QVERIFY2(target, qPrintable(editName));
        target->setFocus();
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }

    void retype(const QString& editName, const QString& text)
    {
        QLineEdit* target = edit(editName);
        QVERIFY2(target, qPrintable(editName));
        target->selectAll();
        QTest::keyClick(target, Qt::Key_Delete);
        type(editName, text);
    }

    void click(const QString& buttonName)
    {
        QPushButton* target = button(buttonName);
        QVERIFY2(target, qPrintable(buttonName));
        QVERIFY2(target->isEnabled(), qPrintable(buttonName));
        QTest::mouseClick(target, Qt::LeftButton);
    }

    // Clicks the row that shows text in column 0, the way the operator does.
    void clickRow(QTableView* list, const QString& text) { clickRow(list, QStringList{text}); }

    // Clicks the first row that shows texts from column 0 on.
    void clickRow(QTableView* list, const QStringList& texts)
    {
        int row = 0;
        while (row < list->model()->rowCount() && rowTexts(list, row, texts.size()) != texts)
            ++row;
        QVERIFY2(row < list->model()->rowCount(),
                 qPrintable(texts.join("|") + " not in " + column(list).join(", ")));
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(index).center());
    }

    // Selects the row that shows text in column 0 without loading it, as a
    // drag of the mouse from another row does (a click or a key would load it).
    void selectRowUnloaded(QTableView* list, const QString& text)
    {
        const int row = column(list).indexOf(text);
        QVERIFY2(row >= 0, qPrintable(text));
        list->selectionModel()->setCurrentIndex(list->model()->index(row, 0),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(selected(list), QStringList{text});
    }

    // Moves the keyboard focus into the list and presses the keys there.
    static void press(QTableView* list, const QList<Qt::Key>& keys)
    {
        list->setFocus(Qt::TabFocusReason);
        for (Qt::Key key : keys)
            QTest::keyClick(list, key);
    }

    static QStringList column(const QTableView* list, int col = 0)
    {
        QStringList texts;
        const QAbstractItemModel* model = list->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, col).data().toString();
        return texts;
    }

    static QStringList rowTexts(const QTableView* list, int row, int columns)
    {
        QStringList texts;
        for (int col = 0; col < columns; ++col)
            texts << list->model()->index(row, col).data().toString();
        return texts;
    }

    static QStringList headers(const QTableView* list)
    {
        QStringList texts;
        const QAbstractItemModel* model = list->model();
        for (int col = 0; col < model->columnCount(); ++col)
            texts << model->headerData(col, Qt::Horizontal).toString();
        return texts;
    }

    static QStringList selected(const QTableView* list)
    {
        QStringList texts;
        for (const QModelIndex& index : list->selectionModel()->selectedRows())
            texts << index.data().toString();
        return texts;
    }

    // The form's seven text fields and the date text, in card order.
    QStringList form() const
    {
        QStringList texts;
        for (const char* name : {"lineEditSurname", "lineEditName", "lineEditPatron", "lineEditForm", "lineEditComp",
                                 "lineEditDirPost", "lineEditDir"}) {
            texts << edit(QLatin1String(name))->text();
        }
        return texts << dateEdit()->text();
    }

    QStringList filters() const
    {
        return {edit(QStringLiteral("lineEditCompanyFilter"))->text(),
                edit(QStringLiteral("lineEditSunameFilter"))->text(),
                edit(QStringLiteral("lineEditDirectorFilter"))->text()};
    }

    // Every row of the statement, each as its column values.
    QList<QStringList> rows(const QString& sql) const
    {
        QList<QStringList> result;
        QSqlQuery query(QSqlDatabase::database(m_connection));
        if (!query.exec(sql))
            return {{QStringLiteral("<failed: %1>").arg(query.lastError().text())}};
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values << query.value(i).toString();
            result << values;
        }
        return result;
    }

    // Makes the database refuse event ("INSERT", "UPDATE" or "DELETE") on table
    // through a trigger called name, for the rows that when (on NEW or OLD)
    // holds for, or for all; dropRefusal takes it away again.
    bool refuse(const QString& name, const QString& table, const QString& event, const QString& when = {}) const
    {
        if (!testsupport::onServer()) {
            return exec(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 %4 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                            .arg(name, event, table, when.isEmpty() ? QString() : "WHEN " + when));
        }
        return exec(QStringLiteral("CREATE OR REPLACE FUNCTION refused() RETURNS trigger LANGUAGE plpgsql AS "
                                   "$$BEGIN RAISE EXCEPTION 'refused'; END$$"))
               && exec(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW %4 EXECUTE FUNCTION refused()")
                           .arg(name, event, table, when.isEmpty() ? QString() : "WHEN (" + when + ")"));
    }

    bool dropRefusal(const QString& name, const QString& table) const
    {
        return exec(testsupport::onServer() ? QStringLiteral("DROP TRIGGER %1 ON %2").arg(name, table)
                                            : QStringLiteral("DROP TRIGGER %1").arg(name));
    }

    bool exec(const QString& sql) const
    {
        QSqlQuery query(QSqlDatabase::database(m_connection));
        return query.exec(sql);
    }

    static QString today() { return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")); }

private:
    static int& counter()
    {
        static int count = 0;
        return count;
    }

    // On the server the database is emptied first and the working folder points the program at it.
    bool openCheck()
    {
        if (QSqlDatabase::contains(m_connection))
            return QSqlDatabase::database(m_connection).isOpen();
        if (testsupport::onServer()
            && (!testsupport::resetServerDatabase() || !testsupport::writeServerConfig(m_dir.path()))) {
            return false;
        }
        return testsupport::openCheckConnection(m_connection, m_dir.filePath(QStringLiteral("dataBase.db")));
    }

    bool insert(const QString& table, const QStringList& values) const
    {
        QSqlQuery query(QSqlDatabase::database(m_connection));
        QStringList marks;
        for (int i = 0; i < values.size(); ++i)
            marks << QStringLiteral("?");
        query.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, marks.join(QLatin1Char(','))));
        for (const QString& value : values)
            query.addBindValue(value);
        return query.exec();
    }

    testsupport::WorkDir m_dir;
    QString m_connection;
    BoxWatcher m_boxes;
    std::unique_ptr<Security> m_window;
};

} // namespace recordtest

#endif // RECORDWINDOW_H

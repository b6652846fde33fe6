#include "benchwindow.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QCoreApplication>
#include <QDateEdit>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

const QString kConfirmTitle = QStringLiteral("Предупреждение");
const QString kPreviewTitle = QStringLiteral("Просмотр");

void answer(QMessageBox* box)
{
    const QString wanted = box->windowTitle() == kConfirmTitle ? QStringLiteral("Да") : QStringLiteral("OK");
    const QList<QAbstractButton*> buttons = box->buttons();
    for (QAbstractButton* button : buttons) {
        if (button->text().remove(QLatin1Char('&')) == wanted) {
            button->click();
            return;
        }
    }
    if (!buttons.isEmpty())
        buttons.first()->click();
}

QList<QWidget*> previews()
{
    QList<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle() == kPreviewTitle)
            found.append(widget);
    }
    return found;
}

} // namespace

BoxAnswerer::BoxAnswerer()
{
    qApp->installEventFilter(this);
}

BoxAnswerer::~BoxAnswerer()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

QStringList BoxAnswerer::takeUnexpected()
{
    QStringList texts;
    texts.swap(m_unexpected);
    return texts;
}

bool BoxAnswerer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            if (box->windowTitle() != kConfirmTitle)
                m_unexpected.append(box->windowTitle() + QStringLiteral(": ") + box->text());
            // The box's own event loop runs the answer as its first event.
            QTimer::singleShot(0, box, [box] { answer(box); });
        }
    }
    return false;
}

WindowDriver::WindowDriver() = default;

WindowDriver::~WindowDriver()
{
    stop();
}

bool WindowDriver::start()
{
    m_window.reset(new Security);
    if (m_window->initialize() != 0) {
        m_window.reset();
        return false;
    }
    m_window->show();
    return QTest::qWaitForWindowExposed(m_window.data());
}

void WindowDriver::stop()
{
    closePreviews();
    m_window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QLineEdit* WindowDriver::edit(const QString& name) const
{
    return m_window->findChild<QLineEdit*>(name);
}

QDateEdit* WindowDriver::dateEdit() const
{
    return m_window->findChild<QDateEdit*>(QStringLiteral("lineEditDate"));
}

QPushButton* WindowDriver::button(const QString& name) const
{
    return m_window->findChild<QPushButton*>(name);
}

QTableView* WindowDriver::companies() const
{
    return m_window->findChild<QTableView*>(QStringLiteral("tableViewCompanies"));
}

QTableView* WindowDriver::personnel() const
{
    return m_window->findChild<QTableView*>(QStringLiteral("tableViewPersonal"));
}

void WindowDriver::clickRow(QTableView* view, int row) const
{
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(index).center());
}

void WindowDriver::click(const QString& buttonName) const
{
    QPushButton* target = button(buttonName);
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->rect().center());
}

void WindowDriver::typeKey(QLineEdit* edit, const QString& text) const
{
    // QTest::keyClick takes Latin-1 only; Cyrillic keys go as their text. A
    // longer text comes in one event, as an input method or a paste gives it.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(edit, &press);
    QApplication::sendEvent(edit, &release);
}

int WindowDriver::companyRow(const QString& text) const
{
    const QAbstractItemModel* model = companies()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 0).data().toString() == text)
            return row;
    }
    return -1;
}

int WindowDriver::rowCount(QTableView* view) const
{
    return view->model() ? view->model()->rowCount() : 0;
}

QSqlDatabase WindowDriver::connection() const
{
    return QSqlDatabase::database(QStringLiteral("Ruvo"), false);
}

void WindowDriver::closePreviews()
{
    for (QWidget* preview : previews()) {
        preview->close();
        preview->deleteLater();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int WindowDriver::shownPreviews()
{
    int shown = 0;
    for (QWidget* preview : previews()) {
        if (preview->isVisible() && preview->windowHandle() && preview->windowHandle()->isExposed())
            ++shown;
    }
    return shown;
}

#include "journal/journalwindow.h"

#include "app/messages.h"
#include "app/style.h"
#include "card/printreport.h"
#include "journal/cardlistmodel.h"
#include "journal/csvexport.h"
#include "util/dialogfolder.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const char* const kSearchTip = "Введите текст для поиска в журнале";
// The model's column of a card's status.
constexpr int kStatusColumn = 11;

QPushButton* addButton(QHBoxLayout* row, const char* name, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumWidth(130);
    row->addWidget(button);
    return button;
}

} // namespace

JournalWindow::JournalWindow(const QSqlDatabase& database, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_model(new CardListModel(database, this))
    , m_database(database)
{
    setObjectName(QStringLiteral("JournalWindow"));
    setWindowTitle(QStringLiteral("Журнал выдачи"));
    resize(1000, 600);
    buildForm();
    applySheets(this);
    refresh();
}

void JournalWindow::buildForm()
{
    auto* filters = new QHBoxLayout;
    m_period = new QCheckBox(QStringLiteral("Период с"), this);
    m_period->setObjectName(QStringLiteral("checkBoxPeriod"));
    const QDate today = QDate::currentDate();
    m_from = new QDateEdit(QDate(today.year(), today.month(), 1), this);
    m_to = new QDateEdit(today, this);
    m_from->setObjectName(QStringLiteral("dateEditFrom"));
    m_to->setObjectName(QStringLiteral("dateEditTo"));
    for (QDateEdit* edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    m_company = new QLineEdit(this);
    m_company->setObjectName(QStringLiteral("lineEditCompanyFilter"));
    m_person = new QLineEdit(this);
    m_person->setObjectName(QStringLiteral("lineEditPersonFilter"));
    for (QLineEdit* edit : {m_company, m_person}) {
        edit->setClearButtonEnabled(true);
        edit->setToolTip(QString::fromUtf8(kSearchTip));
    }
    filters->addWidget(m_period);
    filters->addWidget(m_from);
    filters->addWidget(new QLabel(QStringLiteral("по"), this));
    filters->addWidget(m_to);
    filters->addWidget(new QLabel(QStringLiteral("Организация:"), this));
    filters->addWidget(m_company, 1);
    filters->addWidget(new QLabel(QStringLiteral("Сотрудник:"), this));
    filters->addWidget(m_person, 1);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tableViewCards"));
    m_table->setModel(m_model);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setHighlightSections(false);
    // Tab leaves the table for the buttons below it instead of selecting card after card.
    m_table->setTabKeyNavigation(false);
    fitColumns();

    auto* buttons = new QHBoxLayout;
    connect(addButton(buttons, "buttonSpoiled", QStringLiteral("Испорчена"), this), &QPushButton::clicked, this,
            &JournalWindow::markSpoiled);
    connect(addButton(buttons, "buttonReprint", QStringLiteral("Печать повторно"), this), &QPushButton::clicked,
            this, &JournalWindow::reprint);
    connect(addButton(buttons, "buttonExport", QStringLiteral("Экспорт"), this), &QPushButton::clicked, this,
            &JournalWindow::exportRows);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("labelStatus"));
    layout->addWidget(m_status);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    connect(m_period, &QCheckBox::toggled, this, &JournalWindow::applyFilter);
    connect(m_from, &QDateEdit::dateChanged, this, &JournalWindow::applyFilter);
    connect(m_to, &QDateEdit::dateChanged, this, &JournalWindow::applyFilter);
    connect(m_company, &QLineEdit::textChanged, this, &JournalWindow::applyFilter);
    connect(m_person, &QLineEdit::textChanged, this, &JournalWindow::applyFilter);
}

bool JournalWindow::refresh()
{
    journal::Filter filter;
    if (m_period->isChecked()) {
        filter.from = m_from->date();
        filter.to = m_to->date();
    }
    filter.company = m_company->text().trimmed();
    filter.person = m_person->text().trimmed();
    QString error;
    if (!m_model->setFilter(filter, &error)) {
        showError(this, QStringLiteral("Не удалось прочитать журнал выдачи: ") + error);
        return false;
    }
    return true;
}

void JournalWindow::applyFilter()
{
    refresh();
}

qint64 JournalWindow::selectedNumber() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    const journal::CardRow* row = rows.isEmpty() ? nullptr : m_model->rowAt(rows.first().row());
    return row ? row->number : 0;
}

void JournalWindow::markSpoiled()
{
    const qint64 number = selectedNumber();
    if (number == 0) {
        showError(this, QStringLiteral("Выберите карточку в журнале"));
        return;
    }
    bool accepted = false;
    const QString reason =
        QInputDialog::getText(this, QStringLiteral("Испорчена"),
                              QStringLiteral("Причина порчи карточки № %1:").arg(number), QLineEdit::Normal,
                              QString(), &accepted)
            .trimmed();
    if (!accepted)
        return;
    if (reason.isEmpty()) {
        showError(this, QStringLiteral("Укажите причину порчи карточки"));
        return;
    }
    QString error;
    if (!journal::CardRegister(m_database).markSpoiled(number, reason, &error))
        showError(this, QStringLiteral("Не удалось отметить карточку: ") + error);
    refresh();
}

void JournalWindow::reprint()
{
    const qint64 number = selectedNumber();
    if (number == 0) {
        showError(this, QStringLiteral("Выберите карточку в журнале"));
        return;
    }
    emit reprintRequested(number);
    refresh();
}

void JournalWindow::exportRows()
{
    const QString fileName = QFileDialog::getSaveFileName(this, QStringLiteral("Экспорт журнала"),
                                                          dialogfolder::startFile(QStringLiteral("журнал.csv")),
                                                          QStringLiteral("Файлы CSV (*.csv)"));
    dialogfolder::remember(fileName);
    if (!fileName.isEmpty())
        exportTo(fileName);
}

bool JournalWindow::exportTo(const QString& fileName)
{
    QVector<journal::CardRow> rows;
    QString error;
    if (!m_model->allRows(&rows, &error)) {
        showError(this, QStringLiteral("Не удалось прочитать журнал выдачи: ") + error);
        return false;
    }
    if (!journal::exportCsv(fileName, rows, &error)) {
        showError(this, QStringLiteral("Не удалось записать файл \"%1\": %2").arg(fileName, error));
        return false;
    }
    showStatus(printreport::exported(rows.size(), fileName));
    return true;
}

void JournalWindow::showStatus(const QString& text)
{
    m_status->setText(text);
}

void JournalWindow::fitColumns()
{
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
    // The status is what the operator looks for first, beside the number.
    header->moveSection(header->visualIndex(kStatusColumn), 1);
}

#include "batch/batchwindow.h"

#include "app/style.h"

#include <QButtonGroup>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

enum Column { NameColumn, DirectorColumn, DateColumn, CheckColumn, ColumnCount };

QPushButton* makeButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setMinimumWidth(130);
    return button;
}

QTableWidgetItem* readOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

BatchWindow::BatchWindow(const QString& companyText, const QVector<records::Employee>& employees, FitCheck fitCheck,
                         Filter filter, QWidget* parent)
    : QDialog(parent), m_employees(employees), m_fitCheck(std::move(fitCheck)), m_filter(std::move(filter))
{
    setObjectName(QStringLiteral("BatchWindow"));
    setWindowTitle(QStringLiteral("Пакетная печать: ") + companyText);
    resize(800, 560);
    auto* layout = new QVBoxLayout(this);

    auto* filters = new QGridLayout;
    m_surnameFilter = new QLineEdit(this);
    m_surnameFilter->setObjectName(QStringLiteral("lineEditBatchSurnameFilter"));
    m_directorFilter = new QLineEdit(this);
    m_directorFilter->setObjectName(QStringLiteral("lineEditBatchDirectorFilter"));
    filters->addWidget(new QLabel(QStringLiteral("Фильтр по ФИО"), this), 0, 0);
    filters->addWidget(m_surnameFilter, 0, 1);
    filters->addWidget(new QLabel(QStringLiteral("Фильтр по руководителю"), this), 1, 0);
    filters->addWidget(m_directorFilter, 1, 1);
    layout->addLayout(filters);

    m_table = new QTableWidget(m_employees.size(), ColumnCount, this);
    m_table->setObjectName(QStringLiteral("tableBatch"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("ФИО"), QStringLiteral("Руководитель"),
                                        QStringLiteral("Дата выдачи"), QStringLiteral("Проверка")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int row = 0; row < m_employees.size(); ++row) {
        const records::Employee& employee = m_employees.at(row);
        auto* name = new QTableWidgetItem(employee.fullName());
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        name->setCheckState(Qt::Checked);
        m_table->setItem(row, NameColumn, name);
        m_table->setItem(row, DirectorColumn, readOnlyItem(employee.directorText()));
        m_table->setItem(row, DateColumn, readOnlyItem(employee.date));
        m_table->setItem(row, CheckColumn, readOnlyItem(QString()));
    }
    layout->addWidget(m_table, 1);

    auto* choice = new QHBoxLayout;
    auto* all = makeButton(QStringLiteral("Выбрать все"), QStringLiteral("buttonBatchAll"), this);
    auto* none = makeButton(QStringLiteral("Снять все"), QStringLiteral("buttonBatchNone"), this);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("labelBatchCount"));
    choice->addWidget(all);
    choice->addWidget(none);
    choice->addWidget(m_count, 1);
    layout->addLayout(choice);

    auto* dates = new QHBoxLayout;
    m_storedDate = new QRadioButton(QStringLiteral("Дата выдачи из записи сотрудника"), this);
    m_storedDate->setObjectName(QStringLiteral("radioBatchStoredDate"));
    m_oneDate = new QRadioButton(QStringLiteral("Одна дата для всех:"), this);
    m_oneDate->setObjectName(QStringLiteral("radioBatchOneDate"));
    auto* group = new QButtonGroup(this);
    group->addButton(m_storedDate);
    group->addButton(m_oneDate);
    m_storedDate->setChecked(true);
    m_date = new QDateEdit(QDate::currentDate(), this);
    m_date->setObjectName(QStringLiteral("dateEditBatch"));
    m_date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_date->setCalendarPopup(true);
    m_date->setEnabled(false);
    dates->addWidget(m_storedDate);
    dates->addWidget(m_oneDate);
    dates->addWidget(m_date);
    dates->addStretch(1);
    layout->addLayout(dates);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_print = makeButton(QStringLiteral("Печать"), QStringLiteral("buttonBatchPrint"), this);
    auto* close = makeButton(QStringLiteral("Закрыть"), QStringLiteral("buttonBatchClose"), this);
    buttons->addWidget(m_print);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    applySheets(this);

    connect(m_surnameFilter, &QLineEdit::textChanged, this, &BatchWindow::applyFilters);
    connect(m_directorFilter, &QLineEdit::textChanged, this, &BatchWindow::applyFilters);
    connect(all, &QPushButton::clicked, this, [this] { setShownChecked(true); });
    connect(none, &QPushButton::clicked, this, [this] { setShownChecked(false); });
    connect(m_table, &QTableWidget::itemChanged, this, &BatchWindow::updateCount);
    connect(m_oneDate, &QRadioButton::toggled, m_date, &QDateEdit::setEnabled);
    connect(m_oneDate, &QRadioButton::toggled, this, &BatchWindow::updateChecks);
    connect(m_date, &QDateEdit::dateChanged, this, &BatchWindow::updateChecks);
    connect(m_print, &QPushButton::clicked, this, &BatchWindow::printRequested);
    connect(close, &QPushButton::clicked, this, &BatchWindow::reject);
    updateChecks();
    updateCount();
}

QVector<records::Employee> BatchWindow::checkedEmployees() const
{
    QVector<records::Employee> checked;
    for (int row = 0; row < m_employees.size(); ++row) {
        if (m_table->item(row, NameColumn)->checkState() == Qt::Checked)
            checked.append(m_employees.at(row));
    }
    return checked;
}

QString BatchWindow::dateFor(const records::Employee& employee) const
{
    return m_oneDate->isChecked() ? m_date->date().toString(QStringLiteral("dd.MM.yyyy"))
                                  : batch::printedDate(employee.date);
}

void BatchWindow::applyFilters()
{
    const QSet<qint64> shown = m_filter({m_surnameFilter->text(), m_directorFilter->text()});
    for (int row = 0; row < m_employees.size(); ++row)
        m_table->setRowHidden(row, !shown.contains(m_employees.at(row).rowId));
}

// "Выбрать все" and "Снять все" act on the employees the filters show.
void BatchWindow::setShownChecked(bool checked)
{
    for (int row = 0; row < m_employees.size(); ++row) {
        if (!m_table->isRowHidden(row))
            m_table->item(row, NameColumn)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

void BatchWindow::updateChecks()
{
    for (int row = 0; row < m_employees.size(); ++row) {
        const QString date = dateFor(m_employees.at(row));
        QString text;
        if (date.isNull()) {
            text = QStringLiteral("Дата выдачи не читается");
        } else {
            const QVector<fitcheck::Overflow> overflows = m_fitCheck(m_employees.at(row), date);
            QStringList fields;
            for (const fitcheck::Overflow& overflow : overflows) {
                fields << QStringLiteral("%1 на %2 мм")
                              .arg(fitcheck::fieldDescription(overflow.key), fitcheck::overflowOnPaper(overflow));
            }
            text = fields.isEmpty() ? QStringLiteral("Помещается")
                                    : QStringLiteral("Текст не помещается: ") + fields.join(QStringLiteral(", "));
        }
        m_table->item(row, CheckColumn)->setText(text);
    }
}

void BatchWindow::updateCount()
{
    m_count->setText(QStringLiteral("Отмечено: %1 из %2").arg(checkedEmployees().size()).arg(m_employees.size()));
}

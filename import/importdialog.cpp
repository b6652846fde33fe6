#include "import/importdialog.h"

#include "app/messages.h"
#include "db/database.h"
#include "import/columns.h"

#include <QComboBox>
#include <QDateEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

using staffimport::Column;
using staffimport::StaffRow;

const char* const kButtonSheet = "background-color: #ffff88";

QString statusText(const StaffRow& row)
{
    switch (row.status) {
    case StaffRow::Status::Add:
        return row.note.isEmpty() ? QStringLiteral("будет добавлена") : QStringLiteral("будет добавлена; ") + row.note;
    case StaffRow::Status::Duplicate: return QStringLiteral("пропуск: ") + row.reason;
    case StaffRow::Status::Invalid: return QStringLiteral("ошибка: ") + row.reason;
    case StaffRow::Status::NotListed: return QStringLiteral("не строка списка: ") + row.reason;
    }
    return QString();
}

QPushButton* makeButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setMinimumWidth(130);
    button->setStyleSheet(QString::fromLatin1(kButtonSheet));
    return button;
}

} // namespace

ImportDialog::ImportDialog(staffimport::ImportSession* session, DataBase* db, const QStringList& companies,
                           const QString& selected, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_db(db)
{
    setObjectName(QStringLiteral("ImportDialog"));
    setWindowTitle(QStringLiteral("Импорт сотрудников"));
    resize(900, 640);
    auto* layout = new QVBoxLayout(this);

    m_fileLabel = new QLabel(this);
    m_fileLabel->setObjectName(QStringLiteral("labelImportFile"));
    m_fileLabel->setWordWrap(true);
    layout->addWidget(m_fileLabel);

    auto* companyRow = new QHBoxLayout;
    auto* companyTitle = new QLabel(QStringLiteral("Организация для строк без организации:"), this);
    m_company = new QComboBox(this);
    m_company->setObjectName(QStringLiteral("comboImportCompany"));
    m_company->setEditable(true);
    m_company->setInsertPolicy(QComboBox::NoInsert);
    m_company->addItem(QString());
    m_company->addItems(companies);
    m_company->setCurrentText(selected);
    m_company->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    companyTitle->setBuddy(m_company);
    companyRow->addWidget(companyTitle);
    companyRow->addWidget(m_company);
    layout->addLayout(companyRow);
    buildTableChoice(layout);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    m_columns = new QTableWidget(splitter);
    m_columns->setObjectName(QStringLiteral("tableImportColumns"));
    m_preview = new QTableWidget(splitter);
    m_preview->setObjectName(QStringLiteral("tableImportPreview"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_report = new QPlainTextEdit(splitter);
    m_report->setObjectName(QStringLiteral("textImportReport"));
    m_report->setReadOnly(true);
    layout->addWidget(splitter, 1);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("labelImportSummary"));
    layout->addWidget(m_summary);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_import = makeButton(QStringLiteral("Импортировать"), QStringLiteral("buttonImportRun"), this);
    m_close = makeButton(QStringLiteral("Отмена"), QStringLiteral("buttonImportClose"), this);
    buttons->addWidget(m_import);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);

    buildColumnTable();
    connect(m_company, &QComboBox::currentTextChanged, this, &ImportDialog::recheck);
    connect(m_sheet, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &ImportDialog::sheetChosen);
    connect(m_headerRow, QOverload<int>::of(&QSpinBox::valueChanged), this, &ImportDialog::headerRowChosen);
    connect(m_date, &QDateEdit::dateChanged, this, &ImportDialog::recheck);
    // The choice of the table joins the tab chain after the window's buttons.
    setTabOrder(m_close, m_sheet);
    setTabOrder(m_sheet, m_headerRow);
    setTabOrder(m_headerRow, m_date);
    connect(m_import, &QPushButton::clicked, this, &ImportDialog::runImport);
    connect(m_close, &QPushButton::clicked, this, &ImportDialog::reject);
    recheck();
}

// The sheet, the header row and the date for rows without one, chosen by the operator.
void ImportDialog::buildTableChoice(QVBoxLayout* layout)
{
    auto* row = new QHBoxLayout;
    m_sheet = new QComboBox(this);
    m_sheet->setObjectName(QStringLiteral("comboImportSheet"));
    for (const staffimport::Table& sheet : m_session->sheets())
        m_sheet->addItem(sheet.sheet.isEmpty() ? QStringLiteral("(весь файл)") : sheet.sheet);
    m_sheet->setCurrentIndex(m_session->sheetIndex());
    m_headerRow = new QSpinBox(this);
    m_headerRow->setObjectName(QStringLiteral("spinImportHeaderRow"));
    m_headerRow->setRange(1, std::max(1, m_session->table().rows.size()));
    m_headerRow->setValue(m_session->headerRow() + 1);
    m_date = new QDateEdit(m_session->defaultDate(), this);
    m_date->setObjectName(QStringLiteral("dateImportDefault"));
    m_date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_date->setCalendarPopup(true);
    const QList<QPair<QString, QWidget*>> fields{{QStringLiteral("Лист:"), m_sheet},
                                                 {QStringLiteral("Строка заголовка:"), m_headerRow},
                                                 {QStringLiteral("Дата выдачи для строк без даты:"), m_date}};
    for (const auto& field : fields) {
        auto* title = new QLabel(field.first, this);
        title->setBuddy(field.second);
        row->addWidget(title);
        row->addWidget(field.second);
    }
    row->addStretch(1);
    layout->addLayout(row);
}

void ImportDialog::sheetChosen(int index)
{
    m_session->selectSheet(index);
    const QSignalBlocker blocker(m_headerRow);
    m_headerRow->setRange(1, std::max(1, m_session->table().rows.size()));
    // A sheet without a header found shows its first row as one, to be chosen.
    if (m_session->headerRow() < 0)
        m_session->setHeaderRow(0);
    m_headerRow->setValue(m_session->headerRow() + 1);
    buildColumnTable();
    recheck();
}

void ImportDialog::headerRowChosen(int line)
{
    m_session->setHeaderRow(line - 1);
    buildColumnTable();
    recheck();
}

void ImportDialog::buildColumnTable()
{
    const staffimport::Table& table = m_session->table();
    const QStringList header = table.rows.value(m_session->headerRow());
    const QStringList sample = table.rows.value(m_session->headerRow() + 1);
    const QVector<Column> columns = m_session->columns();
    m_columns->setColumnCount(3);
    m_columns->setHorizontalHeaderLabels(
        {QStringLiteral("Столбец файла"), QStringLiteral("Первое значение"), QStringLiteral("Поле программы")});
    m_columns->clearContents();
    m_columns->setRowCount(header.size());
    m_columns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_columns->verticalHeader()->hide();
    m_columns->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int i = 0; i < header.size(); ++i) {
        m_columns->setItem(i, 0, new QTableWidgetItem(staffimport::cleanCell(header.at(i)).left(100)));
        m_columns->setItem(i, 1, new QTableWidgetItem(staffimport::cleanCell(sample.value(i)).left(100)));
        auto* choice = new QComboBox(m_columns);
        choice->setObjectName(QStringLiteral("comboImportColumn%1").arg(i));
        for (const Column column : staffimport::allColumns())
            choice->addItem(staffimport::columnTitle(column), int(column));
        choice->setCurrentIndex(choice->findData(int(columns.value(i, Column::Ignore))));
        connect(choice, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &ImportDialog::recheck);
        m_columns->setCellWidget(i, 2, choice);
    }
}

void ImportDialog::recheck()
{
    QVector<Column> columns;
    for (int i = 0; i < m_columns->rowCount(); ++i) {
        auto* choice = qobject_cast<QComboBox*>(m_columns->cellWidget(i, 2));
        columns.append(choice ? Column(choice->currentData().toInt()) : Column::Ignore);
    }
    m_session->setColumns(columns);
    const QStringList company = staffimport::splitOrganisation(m_company->currentText());
    m_session->setFallback({company.at(0), company.at(1)});
    m_session->setDefaultDate(m_date->date());
    QString error;
    if (!m_session->check(*m_db, &error)) {
        m_import->setEnabled(false);
        showReport({QStringLiteral("Проверка не выполнена: ") + error});
        return;
    }
    fillPreview();
    m_import->setEnabled(staffimport::summarise(m_session->rows()).toAdd > 0);
    showReport({});
}

void ImportDialog::fillPreview()
{
    const QStringList titles{QStringLiteral("Строка"), QStringLiteral("Фамилия"),      QStringLiteral("Имя"),
                             QStringLiteral("Отчество"), QStringLiteral("Форма"),      QStringLiteral("Наименование"),
                             QStringLiteral("Должность"), QStringLiteral("Руководитель"), QStringLiteral("Дата выдачи"),
                             QStringLiteral("Итог")};
    const QVector<StaffRow>& rows = m_session->rows();
    const int shown = std::min<int>(rows.size(), kPreviewRows);
    m_preview->clear();
    m_preview->setColumnCount(titles.size());
    m_preview->setHorizontalHeaderLabels(titles);
    m_preview->setRowCount(shown);
    m_preview->verticalHeader()->hide();
    for (int r = 0; r < shown; ++r) {
        const StaffRow& row = rows.at(r);
        const QStringList cells{QString::number(row.line), row.person.surname, row.person.name,
                                row.person.patron,          row.form,           row.comp,
                                row.person.dirPost,         row.person.director, row.person.date,
                                statusText(row)};
        for (int c = 0; c < cells.size(); ++c)
            m_preview->setItem(r, c, new QTableWidgetItem(cells.at(c).left(200)));
    }
    m_preview->resizeColumnsToContents();
}

void ImportDialog::showReport(const QStringList& extra)
{
    const staffimport::Summary summary = staffimport::summarise(m_session->rows());
    m_summary->setText(QStringLiteral("К добавлению: %1, уже есть: %2, с ошибками: %3, не строки списка: %4")
                           .arg(summary.toAdd)
                           .arg(summary.duplicates)
                           .arg(summary.invalid)
                           .arg(summary.notListed));
    QStringList lines = m_session->reportLines();
    m_fileLabel->setText(lines.value(0));
    m_report->setPlainText((lines + extra).join(QLatin1Char('\n')));
}

void ImportDialog::runImport()
{
    QString error;
    if (!m_session->write(*m_db, &error)) {
        showError(this, QStringLiteral("Импорт не выполнен: %1. Ничего не записано.").arg(error));
        recheck();
        return;
    }
    m_imported = true;
    fillPreview();
    const int written = staffimport::summarise(m_session->rows()).toAdd;
    showReport({QStringLiteral("Записано сотрудников: %1, организаций: %2.")
                    .arg(written)
                    .arg(m_session->newOrganisations())});
    // Written once: the window now only reports.
    m_import->setEnabled(false);
    m_company->setEnabled(false);
    m_columns->setEnabled(false);
    m_sheet->setEnabled(false);
    m_headerRow->setEnabled(false);
    m_date->setEnabled(false);
    m_close->setText(QStringLiteral("Закрыть"));
}

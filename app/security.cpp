#include "app/security.h"
#include "ui_security.h"

#include "app/dateclick.h"
#include "app/messages.h"
#include "app/style.h"
#include "backup/backups.h"
#include "db/failurecause.h"
#include "db/indexes.h"
#include "db/workingdatabase.h"
#include "journal/cardregister.h"
#include "records/recordtexts.h"

#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QKeySequence>
#include <QShortcut>
#include <QSqlError>

Security::Security(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::Security)
{
    ui->setupUi(this);

    // A row selected with the keyboard is loaded as a clicked one is.
    connect(ui->tableViewCompanies, &MyTableView::rowSelectedByKey, this, &Security::on_tableViewCompanies_clicked);
    connect(ui->tableViewPersonal, &MyTableView::rowSelectedByKey, this, &Security::on_tableViewPersonal_clicked);

    // Shortcuts of the buttons (which do nothing while disabled) and of the
    // organisation filter.
    connect(new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_S), this), &QShortcut::activated, ui->buttonSave,
            &QPushButton::click);
    connect(new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_P), this), &QShortcut::activated, ui->buttonPrint,
            &QPushButton::click);
    addButtonShortcut(ui->buttonView, QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_P),
                      QStringLiteral("Просмотр карточки"));
    addButtonShortcut(ui->buttonJournal, QKeySequence(Qt::CTRL + Qt::Key_J), QStringLiteral("Журнал выдачи карточек"));
    addButtonShortcut(ui->buttonBatch, QKeySequence(Qt::CTRL + Qt::Key_B),
                      QStringLiteral("Печать карточек сотрудников выбранной организации"));
    addButtonShortcut(ui->buttonImport, QKeySequence(Qt::CTRL + Qt::Key_I),
                      QStringLiteral("Импорт списка сотрудников из таблицы"));
    selectSectionOnClick(ui->lineEditDate);
    connect(new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_F), this), &QShortcut::activated, this, [this] {
        ui->lineEditCompanyFilter->setFocus(Qt::ShortcutFocusReason);
        ui->lineEditCompanyFilter->selectAll();
    });
}

Security::~Security()
{
    delete ui;
}

int Security::initialize()
{
    if (!readParams())
        return -1;

    // A "database.json" that cannot be used stops the start before anything is written.
    QString message;
    if (!db::serverConfigUsable(&message)) {
        showError(this, message);
        return -1;
    }

    // The day's first start copies the files before anything is written to them.
    QString backupError;
    QString backupWarning;
    if (!backups::makeDaily(QDir::currentPath(), QDate::currentDate(), &backupError, &backupWarning)) {
        showError(this, QStringLiteral("Не удалось сделать резервную копию: %1. Работа продолжается без неё.")
                            .arg(backupError));
    } else if (!backupWarning.isEmpty()) {
        showError(this, backupWarning);
    }

    ui->tableViewCompanies->setModel(&modelCompanies);
    ui->tableViewPersonal->setModel(&modelPersonal);
    followSelections();

    on_buttonClear_clicked();
    checkFormFilled();

    if (!db::openWorkingDatabase(db, &message)) {
        showError(this, message);
        return -1;
    }
    if (!db.createTable("companies", records::companyColumns())) {
        showError(this, db::withCause(QStringLiteral("Ошибка создания таблицы \"companies\""), db.lastFailure()));
        return -1;
    }
    if (!db.createTable("personal", records::personalColumns())) {
        showError(this, db::withCause(QStringLiteral("Ошибка создания таблицы \"personal\""), db.lastFailure()));
        return -1;
    }
    // Without the register the program still prints; each print then says
    // that its card was not recorded.
    journal::CardRegister(db.database).ensureTable(&registerError);
    // An index that cannot be made only costs speed, so start-up goes on.
    indexes::createLookupIndexes(db.database);

    refreshCompanies(QString());
    applyStyle(this);

    ui->tableViewCompanies->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->tableViewPersonal->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    if (ui->tableViewPersonal->horizontalHeader()->count() > 0)
        ui->tableViewPersonal->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    setWindowTitle(QStringLiteral("Печать личных карточек"));
    return 0;
}

void Security::addButtonShortcut(QPushButton* button, const QKeySequence& keys, const QString& tip)
{
    connect(new QShortcut(keys, this), &QShortcut::activated, button, &QPushButton::click);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(tip, keys.toString(QKeySequence::NativeText)));
}

void Security::showStatus(const QString& text)
{
    ui->labelStatus->setText(text);
}

#include "support/testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QUrl>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <QTimer>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace testsupport {

QString deliveredFile(const QString& relativePath)
{
    return QStringLiteral(CARDPRINT_SOURCE_DIR "/data/") + relativePath;
}

WorkDir::WorkDir()
    : m_previous(QDir::currentPath())
{
    if (m_dir.isValid())
        QDir::setCurrent(m_dir.path());
}

WorkDir::~WorkDir()
{
    QDir::setCurrent(m_previous);
}

bool WorkDir::isValid() const
{
    return m_dir.isValid();
}

QString WorkDir::path() const
{
    return m_dir.path();
}

QString WorkDir::filePath(const QString& name) const
{
    return m_dir.filePath(name);
}

bool WorkDir::seedParams(bool withBackup)
{
    bool ok = QFile::copy(deliveredFile("params.txt"), filePath("params.txt"));
    if (withBackup)
        ok = QFile::copy(deliveredFile("paramsBackUp.txt"), filePath("paramsBackUp.txt")) && ok;
    return ok;
}

bool WorkDir::seedFonts()
{
    const QDir delivered(deliveredFile("fonts"));
    if (!QDir(path()).mkpath("fonts"))
        return false;
    bool ok = !delivered.entryList(QDir::Files).isEmpty();
    for (const QString& name : delivered.entryList(QDir::Files))
        ok = QFile::copy(delivered.filePath(name), filePath("fonts/" + name)) && ok;
    return ok;
}

Unprivileged::Unprivileged()
{
    if (geteuid() != 0) {
        m_active = true;
        return;
    }
    const passwd* nobody = getpwnam("nobody");
    if (!nobody || nobody->pw_uid == 0)
        return;
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(qMax(count, 0)));
    if (count < 0 || getgroups(count, groups.data()) != count)
        return;
    m_gid = getegid();
    m_groups.assign(groups.begin(), groups.end());
    if (setgroups(0, nullptr) != 0)
        return;
    m_dropped = true;
    m_active = setegid(nobody->pw_gid) == 0 && seteuid(nobody->pw_uid) == 0;
}

Unprivileged::~Unprivileged()
{
    if (!m_dropped)
        return;
    const std::vector<gid_t> groups(m_groups.begin(), m_groups.end());
    // Root's rights come back from the saved user id; without them the rest
    // of the tests would run with the wrong ones, so failing here is fatal.
    if (seteuid(0) != 0 || setegid(gid_t(m_gid)) != 0 || setgroups(groups.size(), groups.data()) != 0)
        qFatal("cannot take back the rights of the test process");
}

bool WorkDir::writeFile(const QString& name, const QByteArray& bytes) const
{
    QFile file(filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray WorkDir::readFile(const QString& name) const
{
    QFile file(filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ModalAnswer::ModalAnswer(std::function<void(QMessageBox*)> handler)
    : m_handler(std::move(handler))
{
}

ModalAnswer::~ModalAnswer()
{
    *m_alive = false;
}

void ModalAnswer::arm(int timeoutMs)
{
    m_answered = false;
    std::shared_ptr<bool> alive = m_alive;
    QTimer::singleShot(0, [this, alive, timeoutMs] {
        if (*alive)
            poll(timeoutMs);
    });
}

void ModalAnswer::poll(int remainingMs)
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
        if (remainingMs > 0) {
            std::shared_ptr<bool> alive = m_alive;
            QTimer::singleShot(20, [this, alive, remainingMs] {
                if (*alive)
                    poll(remainingMs - 20);
            });
        }
        return;
    }
    m_title = box->windowTitle();
    m_text = box->text();
    m_buttons.clear();
    for (QAbstractButton* button : box->buttons())
        m_buttons << button->text();
    m_defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
    m_hasEscape = box->escapeButton() != nullptr;
    m_answered = true;
    m_handler(box);
}

bool editParamsFonts(const std::function<void(QJsonObject& fonts)>& edit)
{
    QFile file("params.txt");
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QJsonObject data = root["data"].toObject();
    QJsonObject fonts = data["fonts"].toObject();
    edit(fonts);
    data["fonts"] = fonts;
    root["data"] = data;
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(QJsonDocument(root).toJson()) > 0;
}

bool openSchemaDatabase(const QString& connection)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(QStringLiteral(":memory:"));
    if (!db.open())
        return false;
    QSqlQuery query(db);
    return query.exec("CREATE TABLE companies (Форма TEXT,Наименование TEXT,name TEXT)")
           && query.exec("CREATE TABLE personal (id TEXT,Фамилия TEXT,Имя TEXT,Отчество TEXT,Должность TEXT,"
                         "Руководитель TEXT,Дата_выдачи TEXT,person TEXT,director TEXT)");
}

bool checkExec(const QString& connection, const QString& statement)
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    return query.exec(statement);
}

QStringList checkRows(const QString& connection, const QString& statement)
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    if (!query.exec(statement))
        return {"<error> " + query.lastError().text()};
    QStringList rows;
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << (query.value(i).isNull() ? QStringLiteral("<NULL>") : query.value(i).toString());
        rows << values.join('|');
    }
    return rows;
}

QString runTool(const QString& program, const QStringList& arguments, bool* ok)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(30000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput());
}

QVector<PdfWord> pdfWords(const QString& pdfFile)
{
    const QString xml = runTool("pdftotext", {"-f", "1", "-l", "1", "-bbox", pdfFile, "-"});
    const QRegularExpression wordRe(
        R"re(<word xMin="([-\d.]+)" yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">([^<]*)</word>)re");
    QVector<PdfWord> words;
    for (auto it = wordRe.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        QString text = m.captured(5);
        text.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&");
        words.append({text, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                      m.captured(4).toDouble()});
    }
    return words;
}

QString testQueue(const QString& suffix)
{
    const QString queue = qEnvironmentVariable("CARDPRINT_CUPS_QUEUE", "cardprint-test-pdf");
    return suffix.isEmpty() ? queue : queue + "-" + suffix;
}

QString queueFile(const QString& queue)
{
    const auto uri = QRegularExpression("device-uri=(\\S+)").match(runTool("lpoptions", {"-p", queue}));
    if (!uri.hasMatch() || !uri.captured(1).startsWith("file:"))
        return QString();
    return QUrl(uri.captured(1)).toLocalFile();
}

int jobCount(const QString& queue)
{
    // The spooler keeps a limited history (500 jobs of all queues by default)
    // and forgets the oldest finished jobs as new ones come: every job id this
    // process has seen is kept, so the count only ever grows by the new jobs.
    static QHash<QString, QSet<QString>> seen;
    QSet<QString>& ids = seen[queue];
    const QStringList lines = runTool("lpstat", {"-W", "all", "-o", queue}).split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines)
        ids.insert(line.section(QLatin1Char(' '), 0, 0));
    return ids.size();
}

bool waitForQueueFile(const QString& queue, const QByteArray& before, int timeoutMs)
{
    const QString file = queueFile(queue);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        QFile out(file);
        const QByteArray bytes = out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
        if (runTool("lpstat", {"-o", queue}).trimmed().isEmpty() && bytes != before
            && (bytes.contains("%%EOF") || bytes.contains("%%Trailer")))
            return true;
        QTest::qWait(100);
    }
    return false;
}

std::function<void(QMessageBox*)> clickButton(const QString& text)
{
    return [text](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == text) {
                button->click();
                return;
            }
        }
        box->done(0);
    };
}

std::function<void(QMessageBox*)> clickOk()
{
    return [](QMessageBox* box) {
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->done(0);
    };
}

} // namespace testsupport

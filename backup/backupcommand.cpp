#include "backup/backupcommand.h"

#include "app/commandline.h"
#include "backup/backups.h"
#include "db/serverconfig.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

// "dataBase.db (12 КБ), params.txt (3 КБ)": what one copy holds.
QString contents(const QDir& copy)
{
    QStringList parts;
    for (const QString& file : {QStringLiteral("dataBase.db"), QStringLiteral("params.txt")}) {
        const QFileInfo info(copy.filePath(file));
        if (info.isFile())
            parts << QStringLiteral("%1 (%2 КБ)").arg(file).arg((info.size() + 1023) / 1024);
    }
    return parts.isEmpty() ? QStringLiteral("пусто") : parts.join(QStringLiteral(", "));
}

int listCopies(const QString& workDir, QTextStream& out, QTextStream& err)
{
    const QString warning = backups::linkWarning(workDir);
    if (!warning.isEmpty())
        err << warning << '\n';
    const QDir folder(QDir(workDir).filePath(QStringLiteral("backups")));
    const QStringList names = backups::list(workDir);
    if (names.isEmpty())
        out << QStringLiteral("Резервных копий нет в папке \"%1\"").arg(folder.path()) << '\n';
    for (const QString& name : names)
        out << name << "  " << contents(QDir(folder.filePath(name))) << '\n';
    return 0;
}

int restoreCopy(const QString& workDir, const QString& name, QTextStream& out, QTextStream& err)
{
    QString savedAs;
    QString error;
    if (!backups::restore(workDir, name, QDateTime::currentDateTime(), &savedAs, &error)) {
        err << QStringLiteral("Ошибка восстановления: %1").arg(error) << '\n';
        return 1;
    }
    out << QStringLiteral("Восстановлена резервная копия \"%1\"; прежние файлы сохранены в \"backups/%2\"")
               .arg(name, savedAs)
        << '\n';
    // With a server in database.json the restored dataBase.db is not what the
    // program uses: say so rather than let the records seem restored.
    db::ServerConfig config;
    QString ignored;
    if (db::readServerConfig(QDir(workDir).filePath(db::serverConfigFileName()), &config, &ignored)
        == db::ConfigStatus::Valid) {
        out << QStringLiteral("Организации, сотрудники и журнал выдачи хранятся на сервере %1 (database.json): "
                              "эта копия их не восстанавливает, на сервере их возвращает pg_restore")
                   .arg(db::serverAddress(config))
            << '\n';
    }
    return 0;
}

} // namespace

namespace backups {

int listCommand(const cli::Call& call)
{
    return listCopies(QDir::currentPath(), call.out, call.err);
}

int restoreCommand(const cli::Call& call)
{
    return restoreCopy(QDir::currentPath(), call.parser.value(QStringLiteral("restore-backup")), call.out, call.err);
}

} // namespace backups

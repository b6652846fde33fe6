#include "backup/backups.h"

#include "backup/sqlitecopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kFolder = QStringLiteral("backups");
const QString kDatabase = QStringLiteral("dataBase.db");
const QString kParams = QStringLiteral("params.txt");
const QString kDayFormat = QStringLiteral("yyyy-MM-dd");
const QString kMomentFormat = QStringLiteral("yyyy-MM-dd_HHmmss");
const QString kUntouched = QStringLiteral("; текущие файлы не изменены");

bool isCopyName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}(_\\d{6})?$"));
    return pattern.match(name).hasMatch();
}

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool isLink(const QString& path)
{
    return QFileInfo(path).isSymLink();
}

// Removes a folder of "backups/" with its content. A link is never followed:
// removing through it would empty a folder anywhere on the machine.
void removeFolder(const QString& path)
{
    if (!isLink(path))
        QDir(path).removeRecursively();
}

QString linkText(const QString& relative)
{
    return QStringLiteral("\"%1\" — символическая ссылка").arg(relative);
}

// Fills folder with the copies of workDir's files.
bool fill(const QString& workDir, const QDir& folder, QString* error)
{
    const QDir work(workDir);
    QString reason;
    const QString database = work.filePath(kDatabase);
    if (QFileInfo(database).isFile() && !sqlitecopy::snapshot(database, folder.filePath(kDatabase), &reason)) {
        // A damaged file is kept byte for byte: no connection can be working on it.
        QFile::remove(folder.filePath(kDatabase)); // whatever the failed copy left
        if (sqlitecopy::verify(database, nullptr) || !QFile::copy(database, folder.filePath(kDatabase)))
            return fail(error, QStringLiteral("копия \"%1\" не записана: %2").arg(kDatabase, reason));
    }
    if (QFileInfo(work.filePath(kParams)).isFile()) {
        QFile params(work.filePath(kParams));
        if (!params.copy(folder.filePath(kParams)))
            return fail(error, QStringLiteral("копия \"%1\" не записана: %2").arg(kParams, params.errorString()));
    }
    return true;
}

// Writes the bytes over file in one step: the old content stays on failure.
bool replaceFile(const QString& file, const QByteArray& bytes, QString* error)
{
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit())
        return true;
    return fail(error, out.errorString());
}

// False when the copy name, its files or "backups" itself is a link: a
// restore through one would put back whatever the link points to.
bool refuseLinks(const QString& workDir, const QString& name, QString* error)
{
    const QString entry = kFolder + QLatin1Char('/') + name;
    const QString from = QStringLiteral(", восстановление из неё не выполняется");
    for (const QString& path : {kFolder, entry, entry + QLatin1Char('/') + kDatabase, entry + QLatin1Char('/') + kParams}) {
        if (isLink(QDir(workDir).filePath(path)))
            return fail(error, linkText(path) + from + kUntouched);
    }
    return true;
}

} // namespace

namespace backups {

QStringList list(const QString& workDir)
{
    const QString path = QDir(workDir).filePath(kFolder);
    if (isLink(path))
        return QStringList();
    QStringList names = QDir(path).entryList(QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    names.erase(std::remove_if(names.begin(), names.end(), [](const QString& n) { return !isCopyName(n); }),
                names.end());
    std::sort(names.begin(), names.end());
    return names;
}

QStringList links(const QString& workDir)
{
    const QString path = QDir(workDir).filePath(kFolder);
    if (isLink(path))
        return QStringList{kFolder};
    QStringList names;
    const QFileInfoList entries = QDir(path).entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden
                                                           | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink())
            names << kFolder + QLatin1Char('/') + entry.fileName();
    }
    return names;
}

QString linkWarning(const QString& workDir)
{
    const QStringList found = links(workDir);
    if (found.isEmpty())
        return QString();
    return QStringLiteral("Символические ссылки в резервных копиях оставлены без изменений: \"%1\"")
        .arg(found.join(QStringLiteral("\", \"")));
}

bool make(const QString& workDir, const QString& name, QString* error)
{
    const QDir work(workDir);
    if (isLink(work.filePath(kFolder)))
        return fail(error, linkText(kFolder) + QStringLiteral(", копии в неё не пишутся"));
    if (!work.mkpath(kFolder) || !QFileInfo(work.filePath(kFolder)).isDir())
        return fail(error, QStringLiteral("не удалось создать папку \"%1\"").arg(work.filePath(kFolder)));
    QDir folder(work.filePath(kFolder));
    if (isLink(folder.filePath(name)))
        return fail(error, linkText(kFolder + QLatin1Char('/') + name) + QStringLiteral(", копия не сделана"));
    if (folder.exists(name))
        return true;
    // Made under a name of its own and renamed when complete, so that a copy
    // cut short never passes for a finished one.
    const QString partial = QStringLiteral(".%1.%2.partial").arg(name).arg(QCoreApplication::applicationPid());
    removeFolder(folder.filePath(partial));
    if (!folder.mkdir(partial))
        return fail(error, QStringLiteral("не удалось создать папку \"%1\"").arg(folder.filePath(partial)));
    QDir target(folder.filePath(partial));
    bool done = fill(workDir, target, error);
    if (done && !folder.rename(partial, name) && !folder.exists(name))
        done = fail(error, QStringLiteral("не удалось переименовать папку \"%1\"").arg(target.path()));
    removeFolder(target.path()); // still there when it failed, or when another copy won the rename
    return done;
}

bool makeDaily(const QString& workDir, const QDate& today, QString* error, QString* warning)
{
    if (warning)
        *warning = linkWarning(workDir);
    const QString database = QDir(workDir).filePath(kDatabase);
    if (!QFileInfo(database).isFile() || !sqlitecopy::looksLikeDatabase(database))
        return true;
    if (!make(workDir, today.toString(kDayFormat), error))
        return false;
    prune(workDir);
    return true;
}

void prune(const QString& workDir, int keep)
{
    const QStringList names = list(workDir);
    const QDir folder(QDir(workDir).filePath(kFolder));
    for (int i = 0; i < names.size() - keep; ++i)
        removeFolder(folder.filePath(names.at(i)));
}

bool restore(const QString& workDir, const QString& name, const QDateTime& now, QString* savedAs, QString* error)
{
    if (!name.contains(QLatin1Char('/')) && !refuseLinks(workDir, name, error))
        return false;
    const QDir work(workDir);
    if (!list(workDir).contains(name))
        return fail(error, QStringLiteral("резервной копии \"%1\" нет").arg(name) + kUntouched);
    const QDir copy(work.filePath(kFolder + QLatin1Char('/') + name));
    QString reason;
    if (!sqlitecopy::verify(copy.filePath(kDatabase), &reason))
        return fail(error, QStringLiteral("резервная копия \"%1\" повреждена: %2").arg(name, reason) + kUntouched);
    QByteArray params;
    QFile paramsCopy(copy.filePath(kParams));
    const bool withParams = paramsCopy.exists();
    if (withParams) {
        if (!paramsCopy.open(QIODevice::ReadOnly))
            return fail(error, QStringLiteral("не читается \"%1\": %2").arg(paramsCopy.fileName(),
                                                                        paramsCopy.errorString() + kUntouched));
        params = paramsCopy.readAll();
    }

    const QString before = now.toString(kMomentFormat);
    if (!make(workDir, before, &reason))
        return fail(error, QStringLiteral("не удалось сохранить текущие файлы: %1").arg(reason) + kUntouched);
    if (savedAs)
        *savedAs = before;
    // A damaged database cannot take the copy's pages; it is in the copy just made.
    const QString current = work.filePath(kDatabase);
    const bool damaged = QFileInfo(current).isFile() && !sqlitecopy::verify(current, nullptr);
    if (damaged && !QFile::remove(current))
        return fail(error, QStringLiteral("не удалось удалить повреждённый \"%1\"").arg(kDatabase) + kUntouched);
    if (!sqlitecopy::replaceContent(copy.filePath(kDatabase), current, &reason)) {
        return fail(error, QStringLiteral("база данных не восстановлена: %1").arg(reason)
                               + (damaged ? QStringLiteral("; повреждённая база сохранена в \"%1\"").arg(before)
                                          : kUntouched));
    }
    if (withParams && !replaceFile(work.filePath(kParams), params, &reason))
        return fail(error, QStringLiteral("база данных восстановлена, но \"%1\" не записан: %2").arg(kParams, reason));
    prune(workDir);
    return true;
}

} // namespace backups

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

} // namespace

namespace backups {

QStringList list(const QString& workDir)
{
    QStringList names = QDir(QDir(workDir).filePath(kFolder)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    names.erase(std::remove_if(names.begin(), names.end(), [](const QString& n) { return !isCopyName(n); }),
                names.end());
    std::sort(names.begin(), names.end());
    return names;
}

bool make(const QString& workDir, const QString& name, QString* error)
{
    const QDir work(workDir);
    if (!work.mkpath(kFolder) || !QFileInfo(work.filePath(kFolder)).isDir())
        return fail(error, QStringLiteral("не удалось создать папку \"%1\"").arg(work.filePath(kFolder)));
    QDir folder(work.filePath(kFolder));
    if (folder.exists(name))
        return true;
    // Made under a name of its own and renamed when complete, so that a copy
    // cut short never passes for a finished one.
    const QString partial = QStringLiteral(".%1.%2.partial").arg(name).arg(QCoreApplication::applicationPid());
    QDir(folder.filePath(partial)).removeRecursively();
    if (!folder.mkdir(partial))
        return fail(error, QStringLiteral("не удалось создать папку \"%1\"").arg(folder.filePath(partial)));
    QDir target(folder.filePath(partial));
    bool done = fill(workDir, target, error);
    if (done && !folder.rename(partial, name) && !folder.exists(name))
        done = fail(error, QStringLiteral("не удалось переименовать папку \"%1\"").arg(target.path()));
    target.removeRecursively(); // still there when it failed, or when another copy won the rename
    return done;
}

bool makeDaily(const QString& workDir, const QDate& today, QString* error)
{
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
        QDir(folder.filePath(names.at(i))).removeRecursively();
}

bool restore(const QString& workDir, const QString& name, const QDateTime& now, QString* savedAs, QString* error)
{
    if (!list(workDir).contains(name))
        return fail(error, QStringLiteral("резервной копии \"%1\" нет").arg(name) + kUntouched);
    const QDir work(workDir);
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

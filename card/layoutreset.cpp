#include "card/layoutreset.h"

#include "card/layoutparams.h"
#include "util/textfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSaveFile>

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

QString quotedName(const QString& fileName)
{
    return QLatin1Char('"') + QFileInfo(fileName).fileName() + QLatin1Char('"');
}

} // namespace

bool restoreFromBackup(const QString& backupName, const QString& targetName, QString* error)
{
    if (!QFile::exists(backupName))
        return fail(error, QStringLiteral("Файл ") + backupName + QStringLiteral(" не найден"));

    QString message;
    QFile backup(backupName);
    if (!openFile(backup, QIODevice::ReadOnly, message))
        return fail(error, message);
    const QByteArray bytes = backup.readAll();
    if (backup.error() != QFileDevice::NoError || !backup.atEnd())
        return fail(error, QStringLiteral("Не удалось прочитать файл ") + quotedName(backupName));
    // A backup that would not load must not replace a file that does: without
    // readable parameters the program does not start.
    LayoutParams parsed;
    QString parseError;
    if (!parseLayoutParams(textLines(decodeText(bytes), true), &parsed, &parseError))
        return fail(error, QStringLiteral("Файл ") + QFileInfo(backupName).fileName() + QStringLiteral(" повреждён: ")
                               + parseError);

    // QSaveFile writes beside the target and renames over it on commit, so the
    // old file stays whole until the new one is complete; in a folder that
    // refuses the temporary file it writes in place.
    QSaveFile target(targetName);
    target.setDirectWriteFallback(true);
    if (!openFile(target, QIODevice::WriteOnly, message))
        return fail(error, message);
    if (target.write(bytes) != bytes.size() || !target.commit())
        return fail(error, QStringLiteral("Не удалось записать файл ") + quotedName(targetName));
    return true;
}

bool resetLayout(const QString& backupName, const QString& targetName, QString* error)
{
    LayoutParams current;
    QString ignored;
    if (readLayoutParams(targetName, &current, &ignored) != LayoutReadResult::Ok)
        return restoreFromBackup(backupName, targetName, error);
    if (!QFile::exists(backupName))
        return fail(error, QStringLiteral("Файл ") + backupName + QStringLiteral(" не найден"));
    LayoutParams restored;
    QString message;
    switch (readLayoutParams(backupName, &restored, &message)) {
    case LayoutReadResult::FileMissing:
        return fail(error, message);
    case LayoutReadResult::Invalid:
        return fail(error, QStringLiteral("Файл ") + QFileInfo(backupName).fileName() + QStringLiteral(" повреждён: ")
                               + message);
    case LayoutReadResult::Ok:
        break;
    }
    for (const QLatin1String member : {QLatin1String("printer"), QLatin1String("printers")}) {
        if (current.root.contains(member))
            restored.root.insert(member, current.root.value(member));
        else
            restored.root.remove(member);
    }
    restored.udShift = current.udShift;
    restored.lrShift = current.lrShift;
    if (!writeLayoutParams(targetName, &restored, &message))
        return fail(error, message.isEmpty() ? QStringLiteral("Не удалось записать файл ") + quotedName(targetName)
                                             : message);
    return true;
}

#include "install/workfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace install {

const char* const WorkDirVariable = "CARDPRINT_WORKDIR";

namespace {

const char* const ParamsFile = "params.txt";
const char* const BackupFile = "paramsBackUp.txt";
const char* const FontsFolder = "fonts";

QString absoluteIn(const QString& base, const QString& path)
{
    return QDir::cleanPath(QDir(base).absoluteFilePath(path));
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Copies one file unless the target exists in any form (a broken link included).
bool copyMissing(const QString& from, const QString& to, QString* error)
{
    const QFileInfo target(to);
    if (target.exists() || target.isSymLink())
        return true;
    if (!QFile::copy(from, to)) {
        setError(error, QStringLiteral("Не удалось скопировать %1 в %2").arg(from, to));
        return false;
    }
    // Installed files are read-only; the operator's copy must stay editable.
    return QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                         | QFileDevice::ReadOther);
}

// The topmost folder of path that does not exist yet (empty when path exists).
QString firstMissing(const QString& path)
{
    QString missing;
    QFileInfo info(path);
    while (!info.exists() && !info.isSymLink()) {
        missing = info.absoluteFilePath();
        const QString parent = info.absolutePath();
        if (parent == missing)
            break;
        info = QFileInfo(parent);
    }
    return missing;
}

// Removes what was created below a folder that did not exist before.
void removeCreated(const QString& top)
{
    if (!top.isEmpty())
        QDir(top).removeRecursively();
}

} // namespace

WorkFolderInputs processInputs(bool optionGiven, const QString& option)
{
    WorkFolderInputs inputs;
    inputs.optionGiven = optionGiven;
    inputs.option = option;
    inputs.environment = qEnvironmentVariable(WorkDirVariable);
    inputs.currentDir = QDir::currentPath();
    inputs.userDataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return inputs;
}

WorkFolderChoice chooseWorkFolder(const WorkFolderInputs& inputs)
{
    WorkFolderChoice choice;
    if (inputs.optionGiven) {
        choice.source = WorkFolderSource::Option;
        if (!inputs.option.isEmpty())
            choice.path = absoluteIn(inputs.currentDir, inputs.option);
    } else if (!inputs.environment.isEmpty()) {
        choice.source = WorkFolderSource::Environment;
        choice.path = absoluteIn(inputs.currentDir, inputs.environment);
    } else if (QFileInfo::exists(QDir(inputs.currentDir).filePath(ParamsFile))) {
        choice.source = WorkFolderSource::Current;
        choice.path = QDir::cleanPath(inputs.currentDir);
    } else {
        choice.source = WorkFolderSource::UserData;
        choice.path = QDir::cleanPath(inputs.userDataDir);
    }
    return choice;
}

QString describeChoice(const WorkFolderChoice& choice)
{
    QString why;
    switch (choice.source) {
    case WorkFolderSource::Option:
        why = QStringLiteral("задана параметром --workdir");
        break;
    case WorkFolderSource::Environment:
        why = QStringLiteral("задана переменной окружения %1").arg(QLatin1String(WorkDirVariable));
        break;
    case WorkFolderSource::Current:
        why = QStringLiteral("текущая папка, в ней есть %1").arg(QLatin1String(ParamsFile));
        break;
    case WorkFolderSource::UserData:
        why = QStringLiteral("папка данных пользователя");
        break;
    }
    return QStringLiteral("Рабочая папка: %1 (%2)").arg(QDir::toNativeSeparators(choice.path), why);
}

QString installedDataDir()
{
    return absoluteIn(QCoreApplication::applicationDirPath(), QStringLiteral("../share/cardprint"));
}

bool seedWorkFolder(const QString& folder, const QString& installedDir, QString* error)
{
    const QDir from(installedDir);
    const QDir to(folder);
    if (installedDir.isEmpty() || !from.exists())
        return true;
    for (const char* name : {ParamsFile, BackupFile}) {
        if (from.exists(name) && !copyMissing(from.filePath(name), to.filePath(name), error))
            return false;
    }
    const QDir fonts(from.filePath(FontsFolder));
    const QStringList fontFiles = fonts.entryList(QDir::Files);
    if (fontFiles.isEmpty())
        return true;
    if (!to.mkpath(FontsFolder)) {
        setError(error, QStringLiteral("Не удалось создать папку %1").arg(to.filePath(FontsFolder)));
        return false;
    }
    const QDir fontsTo(to.filePath(FontsFolder));
    for (const QString& name : fontFiles) {
        if (!copyMissing(fonts.filePath(name), fontsTo.filePath(name), error))
            return false;
    }
    return true;
}

bool prepareWorkFolder(const WorkFolderChoice& choice, const QString& installedDir, QString* error)
{
    if (choice.source == WorkFolderSource::Current)
        return true;
    if (choice.path.isEmpty()) {
        setError(error, QStringLiteral("Не указана рабочая папка"));
        return false;
    }
    const QFileInfo info(choice.path);
    if ((info.exists() || info.isSymLink()) && !info.isDir()) {
        setError(error, QStringLiteral("%1 не является папкой").arg(choice.path));
        return false;
    }
    const QString created = firstMissing(choice.path);
    if (!created.isEmpty() && !QDir().mkpath(choice.path)) {
        removeCreated(created);
        setError(error, QStringLiteral("Не удалось создать папку %1").arg(choice.path));
        return false;
    }
    if (!seedWorkFolder(choice.path, installedDir, error)) {
        removeCreated(created);
        return false;
    }
    return true;
}

} // namespace install

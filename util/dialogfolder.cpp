#include "util/dialogfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace dialogfolder {

namespace {

QString& remembered()
{
    static QString folder;
    return folder;
}

} // namespace

QString start()
{
    if (!remembered().isEmpty() && QFileInfo(remembered()).isDir())
        return remembered();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

QString startFile(const QString& fileName)
{
    return QDir(start()).filePath(fileName);
}

void remember(const QString& filePath)
{
    if (!filePath.isEmpty())
        remembered() = QFileInfo(filePath).absolutePath();
}

void forget()
{
    remembered().clear();
}

} // namespace dialogfolder

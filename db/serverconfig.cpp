#include "db/serverconfig.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace db {

namespace {

const QString kServerDriver = QStringLiteral("QPSQL");
// A few server settings fit many times over; anything larger is not one.
const qint64 kMaxConfigSize = 64 * 1024;

// Reads the file, when it is a regular file of at most kMaxConfigSize bytes,
// without ever waiting on it: it is opened without blocking, so a FIFO or a
// device of that name is refused before a byte is read. False with the
// reason in *what otherwise.
bool readSmallFile(const QString& path, QByteArray* bytes, QString* what)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *what = QStringLiteral("файл не читается (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat info;
    QFile file;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *what = QStringLiteral("это не обычный файл (канал, устройство или папка)");
    } else if (info.st_size > kMaxConfigSize) {
        *what = QStringLiteral("файл больше 64 КиБ (%1 байт)").arg(qint64(info.st_size));
    } else if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *bytes = file.read(kMaxConfigSize + 1);
        if (bytes->size() <= kMaxConfigSize)
            return true;
        *what = QStringLiteral("файл больше 64 КиБ");
        return false;
    } else {
        *what = QStringLiteral("файл не читается (%1)").arg(file.errorString());
    }
    if (!file.isOpen())
        ::close(fd);
    return false;
}

QString problem(const QString& path, const QString& what)
{
    return QStringLiteral("Ошибка в файле \"%1\": %2").arg(QFileInfo(path).fileName(), what);
}

// A member that must hold a text that is not empty.
bool readText(const QJsonObject& root, const QString& key, QString* value, QString* what)
{
    const QJsonValue member = root.value(key);
    if (member.isUndefined()) {
        *what = QStringLiteral("нет параметра \"%1\"").arg(key);
        return false;
    }
    if (!member.isString() || member.toString().trimmed().isEmpty()) {
        *what = QStringLiteral("параметр \"%1\" должен быть непустой строкой").arg(key);
        return false;
    }
    *value = member.toString().trimmed();
    return true;
}

// The port as a whole number from 1 to 65535, written as a number or as a text of digits.
bool readPort(const QJsonObject& root, int* port, QString* what)
{
    const QJsonValue member = root.value(QStringLiteral("port"));
    if (member.isUndefined()) {
        *what = QStringLiteral("нет параметра \"port\"");
        return false;
    }
    bool ok = false;
    double number = 0;
    if (member.isDouble()) {
        number = member.toDouble();
        ok = true;
    } else if (member.isString()) {
        number = member.toString().trimmed().toInt(&ok);
    }
    if (!ok || number < 1 || number > 65535 || number != static_cast<int>(number)) {
        *what = QStringLiteral("параметр \"port\" должен быть целым числом от 1 до 65535");
        return false;
    }
    *port = static_cast<int>(number);
    return true;
}

bool readMembers(const QJsonObject& root, ServerConfig* config, QString* what)
{
    if (!readText(root, QStringLiteral("driver"), &config->driver, what))
        return false;
    if (config->driver != kServerDriver) {
        *what = QStringLiteral("неизвестный драйвер \"%1\" (поддерживается только \"%2\")")
                    .arg(config->driver, kServerDriver);
        return false;
    }
    if (root.contains(QStringLiteral("password"))) {
        *what = QStringLiteral("пароль в этом файле не хранится; его даёт файл ~/.pgpass (или PGPASSFILE)");
        return false;
    }
    return readText(root, QStringLiteral("host"), &config->host, what) && readPort(root, &config->port, what)
           && readText(root, QStringLiteral("name"), &config->name, what)
           && readText(root, QStringLiteral("user"), &config->user, what);
}

} // namespace

QString serverConfigFileName()
{
    return QStringLiteral("database.json");
}

ConfigStatus readServerConfig(const QString& path, ServerConfig* config, QString* message)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return ConfigStatus::Absent;
    QByteArray bytes;
    QString what;
    if (!readSmallFile(path, &bytes, &what)) {
        *message = problem(path, what);
        return ConfigStatus::Invalid;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        *message = problem(path, QStringLiteral("это не JSON (%1, позиция %2)")
                                     .arg(error.errorString())
                                     .arg(error.offset));
        return ConfigStatus::Invalid;
    }
    if (!document.isObject()) {
        *message = problem(path, QStringLiteral("ожидается объект JSON в фигурных скобках"));
        return ConfigStatus::Invalid;
    }
    ServerConfig read;
    if (!readMembers(document.object(), &read, &what)) {
        *message = problem(path, what);
        return ConfigStatus::Invalid;
    }
    *config = read;
    return ConfigStatus::Valid;
}

QString serverAddress(const ServerConfig& config)
{
    return config.host + QLatin1Char(':') + QString::number(config.port);
}

} // namespace db

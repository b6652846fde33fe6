#ifndef SERVERCONFIG_H
#define SERVERCONFIG_H

#include <QString>

// "database.json" in the working folder points the program at a database
// server instead of the local file "dataBase.db":
//
//   { "driver": "QPSQL", "host": "db.office.lan", "port": 5432,
//     "name": "cards", "user": "operator1" }
//
// "host" may also name the folder of the server's Unix socket. No password is
// ever kept here: PostgreSQL's client library takes it from ~/.pgpass, the
// file PGPASSFILE names, or a service file.
namespace db {

struct ServerConfig
{
    QString driver;
    QString host;
    int port = 0;
    QString name;
    QString user;
};

QString serverConfigFileName();

enum class ConfigStatus {
    Absent, // no such file: the local database file is used
    Valid,
    Invalid, // the message names the file and what is wrong with it
};

// Reads the server settings from the file at path. Only a regular file of at
// most 64 KiB is read; a FIFO, a device, a folder, a larger file or a link
// to any of them is Invalid at once, and so is a link that leads nowhere.
ConfigStatus readServerConfig(const QString& path, ServerConfig* config, QString* message);

// "host:port" (or the socket folder and port) for messages.
QString serverAddress(const ServerConfig& config);

} // namespace db

#endif // SERVERCONFIG_H

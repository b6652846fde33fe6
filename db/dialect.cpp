#include "db/dialect.h"

#include <QSqlQuery>
#include <QVariant>

namespace dialect {

QString serialKeyType()
{
    // AUTOINCREMENT, not the plain rowid alias: SQLite would otherwise reuse
    // the highest number after that row is deleted.
    return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
}

bool insertReturningKey(QSqlQuery& preparedInsert, QVariant* key)
{
    if (!preparedInsert.exec())
        return false;
    // The last rowid belongs to this connection, so another program inserting
    // at the same moment cannot change it.
    *key = preparedInsert.lastInsertId();
    return key->isValid();
}

} // namespace dialect

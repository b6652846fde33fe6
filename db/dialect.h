#ifndef DIALECT_H
#define DIALECT_H

#include <QString>

class QSqlQuery;
class QVariant;

// The few spots where the program's SQL depends on the database engine.
// Everything else is written in standard SQL.
namespace dialect {

// Column type of a key that the database numbers itself and never hands out
// twice, not even after the row with the highest number is deleted.
QString serialKeyType();

// Runs a prepared INSERT and gives the key the database chose for the new
// row through *key; false when the insert failed.
bool insertReturningKey(QSqlQuery& preparedInsert, QVariant* key);

} // namespace dialect

#endif // DIALECT_H

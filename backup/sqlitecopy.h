#ifndef SQLITECOPY_H
#define SQLITECOPY_H

#include <QString>

// Whole-database copies made by the SQLite engine itself, so that a copy of a
// file another connection is writing is still one consistent state of it.
namespace sqlitecopy {

// True when the file starts with the SQLite header ("SQLite format 3").
bool looksLikeDatabase(const QString& file);

// Writes a compacted copy of from into the new file to (VACUUM INTO), reading
// one committed state of from; waits for a writer that is committing.
bool snapshot(const QString& from, const QString& to, QString* error);

// Checks from page by page (integrity check); false with the reason otherwise.
bool verify(const QString& from, QString* error);

// Replaces the whole content of the database to by that of from, in one
// writing transaction on to (online backup API): on failure to keeps its content.
bool replaceContent(const QString& from, const QString& to, QString* error);

} // namespace sqlitecopy

#endif // SQLITECOPY_H

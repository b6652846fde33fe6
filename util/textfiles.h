#ifndef TEXTFILES_H
#define TEXTFILES_H

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>

// Choosing, reading and writing text files. Nothing here shows a message box:
// every failure comes back as a text in an out-argument for the caller to show.

// Folder in which the next file dialog of readLines/saveLines opens. Empty at
// start; both functions set it to the current folder when it is empty, and to
// the folder of the file after a successful read or save ("." for a bare name).
extern QString lastDir;

// Opens the file (a QFile or a QSaveFile) with the mode. On failure only,
// message becomes "Не удалось открыть файл \"<name without folder>\"".
bool openFile(QFileDevice& file, QIODevice::OpenMode mode, QString& message);

// Reads the file fileName (or, when it is empty, the files the user picks in an
// open dialog filtered by filterResult) into lines: lines of length zero are left
// out, the others are trimmed when trim is true. A line ends at "\n"; a "\r"
// right before it is dropped. On success filterResult holds the last file name;
// on failure it holds the reason ("Файл(ы) не выбран(ы)", "Файл <name> не найден",
// the openFile text, or "Не удалось прочитать файл \"<name>\"" for a read error).
// lines is cleared before the first file is read (not when the dialog is cancelled).
// The bytes are decoded by decodeText().
bool readLines(const QString& fileName, QStringList& lines, QString& filterResult, bool trim);

// Writes lines into fileName (or, when it is empty, the file chosen in a save
// dialog filtered by filterResult) in Windows-1251, each line followed by "\n",
// or by "\r\n" when filterResult is exactly "drent". ".txt" is appended to a name
// without suffix; fileName returns the name used. The file is replaced atomically:
// until the new contents are complete on disk the old file stays as it was;
// only where the folder refuses a new file is the file rewritten in place.
// On success filterResult holds the file name; on failure the reason
// ("Сохранение отменено", the openFile text, or "Не удалось записать файл \"<name>\"").
bool saveLines(QString& fileName, const QStringList& lines, QString& filterResult);

// Text of a file's bytes: a UTF-8 or UTF-16 byte order mark selects that encoding
// (the mark itself is dropped); otherwise bytes that are valid UTF-8 are read as
// UTF-8 and anything else as Windows-1251, the encoding saveLines writes.
QString decodeText(const QByteArray& bytes);

// True when the bytes are well-formed UTF-8 (no stray, overlong, surrogate or
// truncated sequences).
bool isValidUtf8(const QByteArray& bytes);

// The lines of a text as readLines keeps them (see there).
QStringList textLines(const QString& text, bool trim);

#endif // TEXTFILES_H

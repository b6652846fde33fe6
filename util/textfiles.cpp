#include "util/textfiles.h"

#include "util/questions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextCodec>
#include <QTextStream>

QString lastDir;

namespace {

const char* const fileEncoding = "Windows-1251";

QString quotedFileName(const QString& path)
{
    return QStringLiteral("\"") + QFileInfo(path).fileName() + QStringLiteral("\"");
}

QString decodeWith(const char* codecName, const QByteArray& bytes)
{
    QTextCodec* codec = QTextCodec::codecForName(codecName);
    return codec ? codec->toUnicode(bytes) : QString::fromLatin1(bytes);
}

void rememberFolder(const QString& fileName)
{
    lastDir = QFileInfo(fileName).path();
}

// Appends the lines of one file; false with the reason in message when it cannot be read.
bool readOneFile(const QString& name, QStringList& lines, QString& message, bool trim)
{
    if (!QFile::exists(name)) {
        message = QStringLiteral("Файл ") + name + QStringLiteral(" не найден");
        return false;
    }
    QFile file(name);
    if (!openFile(file, QIODevice::ReadOnly, message))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        message = QStringLiteral("Не удалось прочитать файл ") + quotedFileName(name);
        return false;
    }
    lines += textLines(decodeText(bytes), trim);
    return true;
}

} // namespace

bool openFile(QFileDevice& file, QIODevice::OpenMode mode, QString& message)
{
    const bool opened = file.open(mode);
    if (!opened)
        message = QStringLiteral("Не удалось открыть файл ") + quotedFileName(file.fileName());
    return opened;
}

bool readLines(const QString& fileName, QStringList& lines, QString& filterResult, bool trim)
{
    if (lastDir.isEmpty())
        lastDir = QDir::currentPath();

    QStringList files;
    if (!fileName.isEmpty()) {
        files << fileName;
    } else {
        files = Questions::current().chooseFiles(Questions::FileChoice::OpenMany, QStringLiteral("Выберите файл(ы)"),
                                                 lastDir, filterResult);
        if (files.isEmpty()) {
            filterResult = QStringLiteral("Файл(ы) не выбран(ы)");
            return false;
        }
    }

    lines.clear();
    for (const QString& name : qAsConst(files)) {
        if (!readOneFile(name, lines, filterResult, trim))
            return false;
    }
    filterResult = files.last();
    rememberFolder(files.last());
    return true;
}

bool saveLines(QString& fileName, const QStringList& lines, QString& filterResult)
{
    if (lastDir.isEmpty())
        lastDir = QDir::currentPath();

    if (fileName.isEmpty()) {
        fileName = Questions::current()
                       .chooseFiles(Questions::FileChoice::Save, QStringLiteral("Сохранение файла"), lastDir,
                                    filterResult)
                       .value(0);
        if (fileName.isEmpty()) {
            filterResult = QStringLiteral("Сохранение отменено");
            return false;
        }
    }
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".txt");

    const QString lineEnd = filterResult == QLatin1String("drent") ? QStringLiteral("\r\n") : QStringLiteral("\n");

    // QSaveFile writes into a temporary file beside the target and renames it
    // over the target only on commit, so a crash or a full disk mid-write
    // leaves the old file whole. In a folder that refuses the temporary file
    // (one the operator may only write the file in) it writes in place.
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (!openFile(file, QIODevice::WriteOnly, filterResult))
        return false;
    QTextStream stream(&file);
    stream.setCodec(fileEncoding);
    for (const QString& line : lines)
        stream << line << lineEnd;
    stream.flush();
    if (stream.status() != QTextStream::Ok || !file.commit()) {
        filterResult = QStringLiteral("Не удалось записать файл ") + quotedFileName(fileName);
        return false;
    }

    filterResult = fileName;
    rememberFolder(fileName);
    return true;
}

bool isValidUtf8(const QByteArray& bytes)
{
    QTextCodec* utf8 = QTextCodec::codecForMib(106);
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    utf8->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

QString decodeText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE"))
        return decodeWith("UTF-16LE", bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return decodeWith("UTF-16BE", bytes.mid(2));
    // Files written by saveLines are Windows-1251; files edited by hand on a
    // modern system are usually UTF-8. Cyrillic in Windows-1251 is practically
    // never valid UTF-8, so validity tells the two apart.
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return decodeWith(fileEncoding, bytes);
}

QStringList textLines(const QString& text, bool trim)
{
    QStringList lines;
    int start = 0;
    while (start < text.size()) {
        int end = text.indexOf(QLatin1Char('\n'), start);
        const int next = end < 0 ? text.size() : end + 1;
        if (end < 0)
            end = text.size();
        else if (end > start && text.at(end - 1) == QLatin1Char('\r'))
            --end;
        if (end > start) {
            const QString line = text.mid(start, end - start);
            lines << (trim ? line.trimmed() : line);
        }
        start = next;
    }
    return lines;
}

#include "import/csvreader.h"

#include "import/columns.h"

#include <QTextCodec>

#include <orcus/csv_parser.hpp>

#include <string>

namespace staffimport {

namespace {

const QChar kSeparators[] = {QLatin1Char(';'), QLatin1Char(','), QLatin1Char('\t')};
const char kTabStandIn = '\x1f';
// Records looked at to choose the separator.
const int kSampleRows = kHeaderSearchRows + 10;

// Thrown by the handler to stop reading once enough records are in.
struct EnoughRows
{
};

class CsvHandler : public orcus::csv_handler
{
public:
    CsvHandler(QVector<QStringList>* rows, int maxRows) : m_rows(rows), m_maxRows(maxRows) {}

    void begin_row() { m_row.clear(); }
    void cell(const char* p, size_t n, bool)
    {
        if (m_row.size() < kMaxColumns)
            m_row.append(p ? QString::fromUtf8(p, int(n)) : QString());
    }
    void end_row()
    {
        // A lone quote at the very end gives the parser's row no cell: it is one empty cell.
        if (m_row.isEmpty())
            m_row.append(QString());
        m_rows->append(m_row);
        if (m_maxRows >= 0 && m_rows->size() >= m_maxRows)
            throw EnoughRows();
    }

private:
    QVector<QStringList>* m_rows;
    int m_maxRows;
    QStringList m_row;
};

QString separatorName(QChar separator)
{
    return separator == QLatin1Char('\t') ? QStringLiteral("табуляция") : QStringLiteral("«%1»").arg(separator);
}

bool isUtf8(const QByteArray& bytes)
{
    QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
    QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

} // namespace

bool decodeText(const QByteArray& bytes, QString* text, QString* encoding)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        *encoding = QStringLiteral("UTF-8 с BOM");
        *text = QString::fromUtf8(bytes.mid(3));
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        // What spreadsheet programs write as "Unicode text".
        const bool little = bytes.startsWith("\xFF\xFE");
        *encoding = QStringLiteral("UTF-16");
        *text = QTextCodec::codecForName(little ? "UTF-16LE" : "UTF-16BE")->toUnicode(bytes.mid(2));
    } else if (bytes.contains('\0')) {
        return false;
    } else if (isUtf8(bytes)) {
        *encoding = QStringLiteral("UTF-8");
        *text = QString::fromUtf8(bytes);
    } else {
        *encoding = QStringLiteral("Windows-1251");
        *text = QTextCodec::codecForName("Windows-1251")->toUnicode(bytes);
    }
    return !text->contains(QChar(QChar::Null));
}

bool splitCsv(const QString& text, QChar separator, QVector<QStringList>* rows, QString* error, int maxRows)
{
    // Line ends of every system become "\n", inside quotes as well.
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    char delimiter = char(separator.unicode());
    if (separator == QLatin1Char('\t')) {
        // The parser skips blanks, tabs included, after a closing quote and
        // would miss a tab separator there: tabs between cells become a
        // character no cleaned cell keeps. A quote opens a quoted cell only
        // at the start of a cell, as the parser reads it.
        delimiter = kTabStandIn;
        bool cellStart = true;
        bool quoted = false;
        for (int i = 0; i < normal.size(); ++i) {
            const QChar c = normal.at(i);
            if (quoted) {
                if (c == QLatin1Char('"')) {
                    if (i + 1 < normal.size() && normal.at(i + 1) == QLatin1Char('"'))
                        ++i;
                    else
                        quoted = false;
                }
            } else if (c == QLatin1Char('"') && cellStart) {
                quoted = true;
                cellStart = false;
            } else if (c == QLatin1Char('\t')) {
                normal[i] = QLatin1Char(kTabStandIn);
                cellStart = true;
            } else {
                cellStart = c == QLatin1Char('\n');
            }
        }
    }
    const std::string utf8 = normal.toStdString();

    orcus::csv::parser_config config;
    config.delimiters = std::string(1, delimiter);
    config.text_qualifier = '"';
    config.trim_cell_value = false;
    rows->clear();
    CsvHandler handler(rows, maxRows);
    orcus::csv_parser<CsvHandler> parser(utf8.data(), utf8.size(), handler, config);
    try {
        parser.parse();
    } catch (const EnoughRows&) {
    } catch (const std::exception&) {
        // The record being read is the one after those complete.
        *error = QStringLiteral("строка %1: кавычка не закрыта или после закрывающей кавычки нет разделителя")
                     .arg(rows->size() + 1);
        return false;
    }
    return true;
}

QChar detectSeparator(const QString& text)
{
    QChar best = kSeparators[0];
    int bestRecognised = -1;
    int bestColumns = -1;
    for (const QChar separator : kSeparators) {
        QVector<QStringList> rows;
        QString error;
        splitCsv(text.left(1 << 16), separator, &rows, &error, kSampleRows);
        const HeaderMatch header = findHeader(rows);
        const int recognised = header.row >= 0 ? header.recognised : 0;
        const int columns = rows.isEmpty() ? 0 : rows.first().size();
        if (recognised > bestRecognised || (recognised == bestRecognised && columns > bestColumns)) {
            best = separator;
            bestRecognised = recognised;
            bestColumns = columns;
        }
    }
    return best;
}

namespace {

// The line of the first NUL character: in the decoded text when there is
// one, else in the bytes.
int nullLine(const QByteArray& bytes, const QString& text)
{
    const int inText = text.indexOf(QChar(QChar::Null));
    if (inText >= 0)
        return text.leftRef(inText).count(QLatin1Char('\n')) + 1;
    return bytes.left(qMax(0, bytes.indexOf('\0'))).count('\n') + 1;
}

} // namespace

bool readCsv(const QByteArray& bytes, Table* table, QString* error)
{
    QString text;
    QString encoding;
    if (!decodeText(bytes, &text, &encoding)) {
        *error = QStringLiteral("файл не текстовый и не таблица .xlsx или .ods (двоичные данные: нулевой байт "
                                "в строке %1)")
                     .arg(nullLine(bytes, text));
        return false;
    }
    const QChar separator = detectSeparator(text);
    if (!splitCsv(text, separator, &table->rows, error))
        return false;
    table->description = QStringLiteral("CSV, %1, разделитель %2").arg(encoding, separatorName(separator));
    return true;
}

} // namespace staffimport

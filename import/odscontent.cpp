#include "import/odscontent.h"

#include "import/table.h"

#include <QStringList>
#include <QVector>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace staffimport {

namespace {

const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");

// A repeat or span count; repeats of empty rows run to a million.
int count(const QXmlStreamAttributes& attributes, const char* name)
{
    const int n = attributes.value(kTable, QLatin1String(name)).toInt();
    return n > 1 ? std::min(n, 1 << 20) : 1;
}

class OdsContent
{
public:
    explicit OdsContent(const QByteArray& xml) : m_reader(xml), m_writer(&m_result) {}

    QByteArray run()
    {
        while (!m_reader.atEnd()) {
            m_reader.readNext();
            if (m_reader.hasError())
                return QByteArray();
            const bool start = m_reader.isStartElement();
            const QStringRef name = m_reader.name();
            if (start && name == QLatin1String("table")) {
                m_row = 0;
                m_spans.clear();
            } else if (start && name == QLatin1String("table-row")) {
                m_column = 0;
                m_rowRepeat = count(m_reader.attributes(), "number-rows-repeated");
            } else if (m_reader.isEndElement() && name == QLatin1String("table-row")) {
                m_row += m_rowRepeat;
            }
            if (start && name == QLatin1String("table-cell")) {
                cell();
            } else if (start && name == QLatin1String("covered-table-cell")) {
                coveredCell();
            } else {
                m_writer.writeCurrentToken(m_reader);
            }
        }
        return m_result;
    }

private:
    struct Span
    {
        int top, left, bottom, right;
        QXmlStreamAttributes attributes;
        QStringList paragraphs;
    };

    // The cell's attributes without its formula when it gives a text (the
    // text then reads as the cell's value) and, for a copy, without its span.
    QXmlStreamAttributes kept(const QXmlStreamAttributes& attributes, bool copy) const
    {
        const bool text = attributes.value(kOffice, QLatin1String("value-type")) == QLatin1String("string");
        QXmlStreamAttributes result;
        for (const QXmlStreamAttribute& a : attributes) {
            const bool span = a.name().endsWith(QLatin1String("-spanned")) || a.name() == QLatin1String("number-columns-repeated");
            if (!(text && a.name() == QLatin1String("formula")) && !(copy && span))
                result.append(a);
        }
        return result;
    }

    void cell()
    {
        const QXmlStreamAttributes attributes = m_reader.attributes();
        const int repeat = count(attributes, "number-columns-repeated");
        const int rows = count(attributes, "number-rows-spanned");
        const int columns = count(attributes, "number-columns-spanned");
        m_writer.writeStartElement(kTable, QStringLiteral("table-cell"));
        m_writer.writeAttributes(kept(attributes, false));
        QStringList paragraphs;
        for (int depth = 1; depth > 0 && !m_reader.atEnd();) {
            m_reader.readNext();
            if (m_reader.isStartElement() && m_reader.name() == QLatin1String("p"))
                paragraphs.append(QString());
            else if (m_reader.isCharacters() && !paragraphs.isEmpty())
                paragraphs.last() += m_reader.text();
            depth += m_reader.isStartElement() ? 1 : m_reader.isEndElement() ? -1 : 0;
            m_writer.writeCurrentToken(m_reader);
        }
        if (rows > 1 || columns > 1)
            m_spans.append({m_row, m_column, m_row + rows - 1, m_column + columns - 1, kept(attributes, true), paragraphs});
        m_column += repeat;
    }

    void coveredCell()
    {
        const int repeat = count(m_reader.attributes(), "number-columns-repeated");
        m_reader.skipCurrentElement();
        const int end = m_column + repeat;
        // Columns past those read stay one repeated empty cell.
        for (; m_column < end && m_column < kMaxColumns; ++m_column) {
            m_writer.writeStartElement(kTable, QStringLiteral("table-cell"));
            if (const Span* span = spanAt(m_row, m_column)) {
                m_writer.writeAttributes(span->attributes);
                for (const QString& paragraph : span->paragraphs)
                    m_writer.writeTextElement(kText, QStringLiteral("p"), paragraph);
            }
            m_writer.writeEndElement();
        }
        if (m_column < end) {
            m_writer.writeStartElement(kTable, QStringLiteral("table-cell"));
            m_writer.writeAttribute(kTable, QStringLiteral("number-columns-repeated"), QString::number(end - m_column));
            m_writer.writeEndElement();
            m_column = end;
        }
    }

    const Span* spanAt(int row, int column) const
    {
        for (const Span& span : m_spans) {
            if (row >= span.top && row <= span.bottom && column >= span.left && column <= span.right)
                return &span;
        }
        return nullptr;
    }

    QXmlStreamReader m_reader;
    QByteArray m_result;
    QXmlStreamWriter m_writer;
    int m_row = 0;
    int m_rowRepeat = 1;
    int m_column = 0;
    QVector<Span> m_spans;
};

} // namespace

QByteArray readableOdsContent(const QByteArray& contentXml)
{
    const QByteArray result = OdsContent(contentXml).run();
    return result.isEmpty() ? contentXml : result;
}

} // namespace staffimport

#include "import/sheetpackage.h"

#include "import/odscontent.h"

#include <QList>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <list>

namespace staffimport {

namespace {

const char* const kSharedStrings = "xl/sharedStrings.xml";
const char* const kWorkbookRels = "xl/_rels/workbook.xml.rels";

// The cell of an inline string, from its start tag on, written as a shared one.
void writeSharedCell(QXmlStreamReader& reader, QXmlStreamWriter& writer, QStringList* strings)
{
    // Named by namespace: the writer keeps the prefixes it gave the elements copied around.
    const QString space = reader.namespaceUri().toString();
    writer.writeStartElement(space, reader.name().toString());
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        if (attribute.qualifiedName() != QLatin1String("t"))
            writer.writeAttribute(attribute.qualifiedName().toString(), attribute.value().toString());
    }
    writer.writeAttribute(QStringLiteral("t"), QStringLiteral("s"));
    QString text;
    for (int depth = 1; depth > 0 && !reader.atEnd();) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("t"))
            text += reader.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (reader.isStartElement())
            ++depth;
        else if (reader.isEndElement())
            --depth;
    }
    writer.writeTextElement(space, QStringLiteral("v"), QString::number(strings->size()));
    writer.writeEndElement();
    strings->append(text);
}

QByteArray sharedStringsPart(const QStringList& strings)
{
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.writeStartDocument();
    writer.writeDefaultNamespace(QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main"));
    writer.writeStartElement(QStringLiteral("sst"));
    for (const QString& text : strings) {
        writer.writeStartElement(QStringLiteral("si"));
        writer.writeTextElement(QStringLiteral("t"), text);
        writer.writeEndElement();
    }
    writer.writeEndDocument();
    return xml;
}

QByteArray addSharedStringsRelationship(QByteArray rels)
{
    const QByteArray relationship = "<Relationship Id=\"rIdCardprintStrings\" Type=\"http://schemas.openxmlformats.org/"
                                    "officeDocument/2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    const int end = rels.lastIndexOf("</Relationships>");
    if (end >= 0)
        rels.insert(end, relationship);
    return rels;
}

bool readEntry(zip_t* archive, zip_uint64_t index, QByteArray* data)
{
    zip_stat_t stat;
    if (zip_stat_index(archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) || stat.size > (1u << 30))
        return false;
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (!file)
        return false;
    data->resize(int(stat.size));
    const zip_int64_t read = zip_fread(file, data->data(), stat.size);
    zip_fclose(file);
    return read == zip_int64_t(stat.size);
}

// The archive as bytes again, after zip_close wrote it into its source.
bool sourceBytes(zip_source_t* source, QByteArray* result)
{
    if (zip_source_open(source) != 0)
        return false;
    bool done = zip_source_seek(source, 0, SEEK_END) == 0;
    const zip_int64_t size = done ? zip_source_tell(source) : -1;
    done = size >= 0 && zip_source_seek(source, 0, SEEK_SET) == 0;
    if (done) {
        result->resize(int(size));
        done = zip_source_read(source, result->data(), zip_uint64_t(size)) == size;
    }
    zip_source_close(source);
    return done;
}

// The texts of a shared strings part, each run of a rich text joined.
QStringList readSharedStrings(const QByteArray& xml)
{
    QStringList strings;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("si"))
            strings.append(QString());
        else if (reader.isStartElement() && reader.name() == QLatin1String("t") && !strings.isEmpty())
            strings.last() += reader.readElementText(QXmlStreamReader::IncludeChildElements);
    }
    return strings;
}

class Rewrite
{
public:
    Rewrite(zip_t* archive, PackageKind kind) : m_archive(archive), m_kind(kind) {}

    bool run() { return m_kind == PackageKind::Xlsx ? runXlsx() : runOds(); }

private:
    bool runOds()
    {
        const zip_int64_t index = zip_name_locate(m_archive, "content.xml", 0);
        Entry entry{QStringLiteral("content.xml"), zip_uint64_t(index), QByteArray()};
        if (index < 0 || !readEntry(m_archive, entry.index, &entry.data))
            return index < 0; // no content: the reader reports it
        return replace(entry, readableOdsContent(entry.data));
    }

    bool runXlsx()
    {
        const zip_int64_t count = zip_get_num_entries(m_archive, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            const QString name = QString::fromUtf8(zip_get_name(m_archive, zip_uint64_t(i), 0));
            if (name.endsWith(QLatin1String(".rels")) || name == QLatin1String(kSharedStrings)
                || name.startsWith(QLatin1String("xl/worksheets/"))) {
                QByteArray data;
                if (!readEntry(m_archive, zip_uint64_t(i), &data))
                    return false;
                m_entries.append({name, zip_uint64_t(i), data});
            }
        }
        const bool sharedStored = zip_name_locate(m_archive, kSharedStrings, 0) >= 0;
        QStringList strings;
        for (const Entry& entry : m_entries) {
            if (entry.name == QLatin1String(kSharedStrings))
                strings = readSharedStrings(entry.data);
        }
        const int stored = strings.size();
        for (Entry& entry : m_entries) {
            if (entry.name.startsWith(QLatin1String("xl/worksheets/")) && entry.data.contains("inlineStr")
                && !replace(entry, sharedFromInline(entry.data, &strings))) {
                return false;
            }
        }
        const bool added = strings.size() > stored;
        for (Entry& entry : m_entries) {
            QByteArray data = entry.data;
            if (entry.name.endsWith(QLatin1String(".rels")))
                data = relativeTargets(data, entry.name.left(entry.name.indexOf(QLatin1String("_rels/"))));
            if (entry.name == QLatin1String(kWorkbookRels) && added && !sharedStored)
                data = addSharedStringsRelationship(data);
            if (entry.name == QLatin1String(kSharedStrings) && added)
                data = sharedStringsPart(strings);
            if (!replace(entry, data))
                return false;
        }
        return !added || sharedStored || add(kSharedStrings, sharedStringsPart(strings));
    }

    struct Entry
    {
        QString name;
        zip_uint64_t index;
        QByteArray data;
    };

    zip_source_t* source(const QByteArray& data)
    {
        m_keep.push_back(data);
        return zip_source_buffer(m_archive, m_keep.back().constData(), zip_uint64_t(m_keep.back().size()), 0);
    }
    bool replace(Entry& entry, const QByteArray& data)
    {
        if (data == entry.data)
            return true;
        entry.data = data;
        zip_source_t* s = source(data);
        if (s && zip_file_replace(m_archive, entry.index, s, 0) == 0)
            return true;
        zip_source_free(s);
        return false;
    }
    bool add(const char* name, const QByteArray& data)
    {
        zip_source_t* s = source(data);
        if (s && zip_file_add(m_archive, name, s, 0) >= 0)
            return true;
        zip_source_free(s);
        return false;
    }

    zip_t* m_archive;
    PackageKind m_kind;
    QList<Entry> m_entries;
    // The new texts live until the archive is closed, which reads them.
    std::list<QByteArray> m_keep;
};

} // namespace

QByteArray sharedFromInline(const QByteArray& sheetXml, QStringList* strings)
{
    QXmlStreamReader reader(sheetXml);
    QByteArray result;
    QXmlStreamWriter writer(&result);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("c")
            && reader.attributes().value(QStringLiteral("t")) == QLatin1String("inlineStr")) {
            writeSharedCell(reader, writer, strings);
        } else if (!reader.hasError()) {
            writer.writeCurrentToken(reader);
        }
    }
    return reader.hasError() ? sheetXml : result;
}

QByteArray relativeTargets(const QByteArray& relsXml, const QString& partFolder)
{
    static const QRegularExpression absolute(QStringLiteral("Target=\"/([^\"]*)\""));
    QString xml = QString::fromUtf8(relsXml);
    if (!xml.contains(absolute))
        return relsXml;
    const QString up = QStringLiteral("../").repeated(partFolder.count(QLatin1Char('/')));
    QString result;
    int last = 0;
    for (auto it = absolute.globalMatch(xml); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString path = match.captured(1);
        const QString relative = path.startsWith(partFolder) ? path.mid(partFolder.size()) : up + path;
        result += xml.mid(last, match.capturedStart() - last) + QStringLiteral("Target=\"%1\"").arg(relative);
        last = match.capturedEnd();
    }
    return (result + xml.mid(last)).toUtf8();
}

bool normalisePackage(const QByteArray& bytes, PackageKind kind, QByteArray* result, QString* error)
{
    *result = bytes;
    zip_error_t zipError;
    zip_error_init(&zipError);
    // The source owns a copy made with malloc: once the archive has been
    // rewritten into it, libzip frees the buffers it started with.
    void* copy = std::malloc(size_t(bytes.size()));
    if (copy)
        std::memcpy(copy, bytes.constData(), size_t(bytes.size()));
    zip_source_t* source = copy ? zip_source_buffer_create(copy, zip_uint64_t(bytes.size()), 1, &zipError) : nullptr;
    if (copy && !source)
        std::free(copy);
    zip_t* archive = source ? zip_open_from_source(source, 0, &zipError) : nullptr;
    if (!archive) {
        *error = QStringLiteral("файл таблицы повреждён или не читается (%1)")
                     .arg(QString::fromUtf8(zip_error_strerror(&zipError)));
        zip_error_fini(&zipError);
        zip_source_free(source);
        return false;
    }
    zip_error_fini(&zipError);
    zip_source_keep(source);
    Rewrite rewrite(archive, kind);
    // With nothing changed, closing writes nothing and the source keeps the bytes.
    bool done = rewrite.run() && zip_close(archive) == 0;
    if (!done)
        zip_discard(archive);
    done = done && sourceBytes(source, result);
    zip_source_free(source);
    if (!done)
        *error = QStringLiteral("файл таблицы повреждён или не читается (архив не перестраивается)");
    return done;
}

} // namespace staffimport

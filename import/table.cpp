#include "import/table.h"

#include "import/csvreader.h"
#include "import/sheetreader.h"

#include <QFile>

#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>

namespace staffimport {

namespace {

bool isZip(const QByteArray& bytes)
{
    return bytes.startsWith("PK\x03\x04");
}

bool detected(bool (*detect)(const unsigned char*, size_t), const QByteArray& bytes)
{
    try {
        return detect(reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()));
    } catch (...) {
        return false;
    }
}

} // namespace

bool readTable(const QString& path, Table* table, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("файл не открывается: %1").arg(file.errorString());
        return false;
    }
    if (file.size() > kMaxFileBytes) {
        *error = QStringLiteral("файл слишком велик (%1 МБ, допустимо до %2 МБ)")
                     .arg(file.size() / (1024 * 1024))
                     .arg(kMaxFileBytes / (1024 * 1024));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.trimmed().isEmpty()) {
        *error = QStringLiteral("файл пуст");
        return false;
    }
    if (isZip(bytes)) {
        if (detected(&orcus::orcus_xlsx::detect, bytes))
            return readSheet(bytes, SheetFormat::Xlsx, table, error);
        if (detected(&orcus::orcus_ods::detect, bytes))
            return readSheet(bytes, SheetFormat::Ods, table, error);
        *error = QStringLiteral("файл — архив, но не таблица .xlsx или .ods");
        return false;
    }
    return readCsv(bytes, table, error);
}

} // namespace staffimport

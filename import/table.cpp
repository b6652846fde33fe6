#include "import/table.h"

#include "import/csvreader.h"
#include "import/sheetreader.h"
#include "import/xlsreader.h"
#include "import/sheetpackage.h"

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
    QVector<Table> tables;
    if (!readSheets(path, &tables, error))
        return false;
    *table = tables.value(0);
    return true;
}

bool readSheets(const QString& path, QVector<Table>* tables, QString* error)
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
    if (isCompoundDocument(bytes))
        return readXls(path, tables, error);
    if (isZip(bytes)) {
        if (detected(&orcus::orcus_xlsx::detect, bytes)) {
            QByteArray package;
            return normalisePackage(bytes, PackageKind::Xlsx, &package, error)
                   && readSheets(package, SheetFormat::Xlsx, tables, error);
        }
        if (detected(&orcus::orcus_ods::detect, bytes)) {
            QByteArray package;
            return normalisePackage(bytes, PackageKind::Ods, &package, error)
                   && readSheets(package, SheetFormat::Ods, tables, error);
        }
        *error = QStringLiteral("файл — архив, но не таблица .xlsx или .ods");
        return false;
    }
    tables->resize(1);
    return readCsv(bytes, &(*tables)[0], error);
}

} // namespace staffimport

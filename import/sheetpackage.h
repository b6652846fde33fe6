#ifndef IMPORT_SHEETPACKAGE_H
#define IMPORT_SHEETPACKAGE_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// Brings .xlsx and .ods packages into the shape liborcus 0.17 reads. Python's
// openpyxl (and pandas through it) writes relationship targets as absolute
// paths ("/xl/worksheets/sheet1.xml"), which the reader does not find, and
// every text as an inline string, which it leaves out: both read as an empty
// sheet otherwise. The content of .ods is mended by readableOdsContent.
namespace staffimport {

enum class PackageKind { Xlsx, Ods };

// .xlsx: the package with absolute targets made relative and inline strings
// moved into the shared strings. .ods: see readableOdsContent. The
// bytes unchanged when nothing of the kind occurs. False with a reason when
// the archive cannot be rewritten.
bool normalisePackage(const QByteArray& bytes, PackageKind kind, QByteArray* result, QString* error);

// A worksheet's XML with each inline-string cell turned into a shared-string
// cell whose index counts on from strings->size(); the texts are appended.
QByteArray sharedFromInline(const QByteArray& sheetXml, QStringList* strings);

// A relationships part's XML with absolute targets made relative to the
// folder of the part the relationships belong to (partFolder: "xl/").
QByteArray relativeTargets(const QByteArray& relsXml, const QString& partFolder);

} // namespace staffimport

#endif // IMPORT_SHEETPACKAGE_H

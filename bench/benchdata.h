#ifndef BENCHDATA_H
#define BENCHDATA_H

#include <QString>
#include <QStringList>

// Deterministic office databases for the benchmark: organisations with legal
// forms and their employees, every column written as the program writes it.
namespace benchdata {

// One database size of the benchmark.
struct Size
{
    QString label;   // "empty", "1k", "10k", "25k", "100k"
    int companies = 0;
    int employees = 0;
};

// The sizes the benchmark knows: no rows, then 1,000 / 10,000,
// 10,000 / 100,000, 25,000 / 1,000,000 and 100,000 / 1,000,000
// organisations / employees.
QList<Size> sizes();
// The size of that label; an empty label when there is none.
Size sizeByLabel(const QString& label);

// The organisation of a given number (0 .. companies - 1): its legal form and
// name. Numbers and names are spread so that the number order is not the
// alphabetical order.
QString companyForm(int number, int companies);
QString companyName(int number, int companies);
// Form and name joined with one space, leaving out an empty one, as the
// program stores it in the employees' "id".
QString companyText(int number, int companies);

// Path of the generated database of this size inside cacheDir; made when
// missing (tables without any index, as an older database has them). Returns
// an empty text and the reason in *error on failure.
QString ensureDatabase(const Size& size, const QString& cacheDir, QString* error);

// The program's delivered files into the existing folder workDir: params.txt,
// paramsBackUp.txt and fonts/ from the source tree.
bool seedWorkDir(const QString& workDir, QString* error);

// Fresh working folder workDir: params.txt, paramsBackUp.txt and fonts/ from
// the source tree and a copy of the database of this size as "dataBase.db".
// A journal mode other than the empty text is set on the copy (it is kept in
// the file, so the program works with it): for measuring its effect on writes.
bool prepareWorkDir(const Size& size, const QString& cacheDir, const QString& workDir, QString* error,
                    const QString& journalMode = QString());

} // namespace benchdata

#endif // BENCHDATA_H

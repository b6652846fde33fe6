#ifndef RECORDTEXTS_H
#define RECORDTEXTS_H

#include "db/dialect.h"

#include <QString>
#include <QStringList>

// Texts that the organisation and employee operations of the main window
// derive from the form and the lists: company texts, the lower-case search
// values and the SQL of the two lists.
namespace records {

// One employee: the fields of the form, of a "personal" row and of an
// imported line, and the row's key once it is stored (0 before).
struct Employee
{
    QString surname;
    QString name;
    QString patron;
    QString dirPost;
    QString director;
    QString date;  // as stored, "dd.MM.yyyy"
    qint64 rowId = 0;

    // The non-empty parts joined with one space, as the lists show them.
    QString fullName() const;
    QString directorText() const;
};
// The name the form's and the import's code know the employee by.
using PersonFields = Employee;

// One organisation: legal form and name.
struct Organisation
{
    QString form;
    QString name;

    // The company text its employees are linked by (see companyText).
    QString text() const;
    // The "companies" row (see companyRow).
    QStringList row() const;
};

// The columns of the two tables, in the order rows are written: the one
// place they are listed.
QStringList companyColumns();
QStringList personalColumns();

// SQL expressions by which the lists show and the statements find a row.
QString companyTextColumn();
QString fullNameColumn();
QString directorTextColumn();

// The texts that are not empty, joined with one space.
QString nonEmptyJoin(const QStringList& texts);
// Lower case by the Unicode rules, so Cyrillic capitals fold too.
QString lowerCase(const QString& text);
// Legal form and name of an organisation joined with one space, spaces
// trimmed at both ends, as the company list shows it.
QString companyText(const QString& form, const QString& name);
// Texts joined with one space, spaces trimmed at both ends: a cell of the
// lists, as the database's TRIM(a||' '||b...) shows it.
QString shownText(const QStringList& parts);

// The tooltip of the disabled "Сохранить": which of the three groups of
// fields a record needs are still empty; empty when none is.
QString missingFieldsNote(bool personFilled, bool companyFilled, bool directorFilled);

// A text as it is written: without control and format characters (see
// util/hiddentext.h) and without blanks at either end.
QString cleanedText(const QString& text);
// Every field as cleanedText() writes it.
PersonFields trimmedFields(const PersonFields& person);

// The "companies" row of an organisation: form, name and its lower-case company text.
QStringList companyRow(const QString& form, const QString& name);
// The cells of the employee's row in the personnel list: full name, director, date.
QStringList personRowTexts(const PersonFields& person);

// The nine "personal" values of a new employee of the organisation companyText.
QStringList savedPersonRow(const QString& companyText, const PersonFields& person);
// The nine "personal" values an employee update writes; the director text is
// joined without a dangling space here, unlike on save.
QStringList updatedPersonRow(const QString& companyText, const PersonFields& person);

// True when lowered (a filter in lower case) holds no wildcard and no Latin
// letter: then the rows whose search text holds it are those whose text
// contains it as it is.
bool isPlainFilter(const QString& lowered);
// "column LIKE '%filter%'" with the filter lower-cased (the searchable columns
// hold lower case) and quoted; "%" and "_" stay wildcards. On SQLite a filter
// with no wildcard and no Latin letter is looked for with instr() instead,
// which selects the same rows faster.
QString likeCondition(const QString& column, const QString& filter, sql::Dialect dialect = sql::Dialect::Sqlite);
// Query of the company list; an empty filter lists every organisation.
QString companyListQuery(const QString& filter, sql::Dialect dialect = sql::Dialect::Sqlite);
// Query of the employees of one organisation; filters are empty or hold the
// full-name filter followed by the director filter.
QString personnelListQuery(const QString& companyText, const QStringList& filters,
                           sql::Dialect dialect = sql::Dialect::Sqlite);

// Where a row sits in the unfiltered lists, without reading the lists through.
// Company list: one row of two values, the smallest sort text of the
// organisations shown as companyText (NULL when there is none) and the number
// of rows ordered before the first of them. Both counts run on the sort
// expression of the list, so its index answers them.
QString companyPositionQuery(const QString& companyText);
// Personnel list of companyText: one row of two counts, the rows whose full
// name sorts before fullName, and those that sort before it or equal it (or
// have none). The list orders equal names as the database pleases, so the
// employee is one of the rows between the two counts.
QString personPositionQuery(const QString& companyText, const QString& fullName);

} // namespace records

#endif // RECORDTEXTS_H

#ifndef IMPORT_COLUMNS_H
#define IMPORT_COLUMNS_H

#include <QString>
#include <QStringList>
#include <QVector>

// Which field of the program a column of a staff list feeds, found from the
// column's header.
namespace staffimport {

enum class Column {
    Ignore,       // not imported
    Surname,      // "Фамилия"
    Name,         // "Имя"
    Patron,       // "Отчество"
    FullName,     // "ФИО": surname, name and patronymic in one cell
    Form,         // "Форма": the organisation's legal form
    Comp,         // "Наименование": the organisation's name
    Organisation, // "Организация": legal form and name in one cell
    DirPost,      // "Должность": the director's post
    Dir,          // "Руководитель": the director
    Date,         // "Дата выдачи"
};

// Every choice, in the order the import window offers them.
QVector<Column> allColumns();
// The name of a choice as the import window shows it.
QString columnTitle(Column column);

// The column a header names, letter case, "ё", punctuation and extra spaces
// aside ("ФИО", "Ф.И.О.", "фамилия, имя, отчество", "Дата_выдачи"...);
// Column::Ignore for a header that names nothing known.
Column columnForHeader(const QString& header);

struct HeaderMatch
{
    int row = -1;             // index of the header row, -1 when none was found
    QVector<Column> columns;  // one per cell of the header row
    int recognised = 0;       // columns matched
};

// Header rows among the first lines; rows are looked at from the top.
constexpr int kHeaderSearchRows = 10;

// The first of the top rows whose headers name a person (surname, name,
// patronymic or full name); failing that, the first naming two known columns,
// whose person column the operator can then match by hand. A header named
// twice feeds only its first column.
HeaderMatch findHeader(const QVector<QStringList>& rows);
// Whether some column feeds the surname, name, patronymic or full name.
bool namesAPerson(const QVector<Column>& columns);

// Splits "Иванов Иван Иванович" into surname, name and patronymic; words past
// the third stay with the patronymic ("Мамедов Рашид Ахмед оглы").
QStringList splitFullName(const QString& text);
// Splits "ООО Щит" into legal form and name when the first word is a known
// legal form; otherwise the whole text is the name.
QStringList splitOrganisation(const QString& text);

} // namespace staffimport

#endif // IMPORT_COLUMNS_H

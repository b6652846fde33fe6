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
    DirPost,      // "Должность руководителя": the director's post
    Dir,          // "Руководитель": the director
    Date,         // "Дата выдачи"
};

// Every choice, in the order the import window offers them.
QVector<Column> allColumns();
// The name of a choice as the import window shows it.
QString columnTitle(Column column);

// The column a header names, by the words it holds, letter case, "ё",
// punctuation and extra spaces aside ("ФИО", "Ф.И.О. работника", "фамилия,
// имя, отчество", "Дата выдачи личной карточки охранника"...); Column::Ignore
// for a header that names nothing the program stores. A plain "Должность" is
// the employee's own post, which no card shows: only a header naming the
// director ("Должность руководителя") feeds the director's post.
Column columnForHeader(const QString& header);
// Whether a cell reads as a column title of a staff list, stored or not
// ("№ п/п", "Должность", "Табельный номер" as well as every known column).
bool looksLikeHeader(const QString& cell);

struct HeaderMatch
{
    int row = -1;             // index of the header row, -1 when none was found
    QVector<Column> columns;  // one per cell of the header row
    int recognised = 0;       // columns matched
    int score = 0;            // cells that read as column titles
};

// Header rows among the first lines.
constexpr int kHeaderSearchRows = 30;

// The columns of the given row taken as the header; a header named twice
// feeds only its first column.
HeaderMatch headerAt(const QVector<QStringList>& rows, int row);

// The row among the first kHeaderSearchRows with the most cells that read as
// column titles, when it names a person (surname, name, patronymic or full
// name) or two known columns, whose person column the operator can then match
// by hand. A row that scores no better than each of the rows below it (a data
// row holding "охранник") never becomes the header.
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

#include "import/columns.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace staffimport {

namespace {

// Headers after normalisation (lower case, "ё" as "е", anything but letters
// and digits as single spaces).
const QHash<QString, Column>& knownHeaders()
{
    static const QHash<QString, Column> headers = [] {
        QHash<QString, Column> map;
        const auto add = [&map](Column column, std::initializer_list<const char*> names) {
            for (const char* name : names)
                map.insert(QString::fromUtf8(name), column);
        };
        add(Column::Surname, {"фамилия", "фамилия сотрудника", "фамилия работника"});
        add(Column::Name, {"имя", "имя сотрудника", "имя работника"});
        add(Column::Patron, {"отчество", "отчество при наличии", "отчество сотрудника", "отчество работника"});
        add(Column::FullName, {"фио", "ф и о", "фамилия имя отчество", "фамилия имя и отчество",
                               "фамилия имя отчество при наличии", "фио сотрудника", "фио работника",
                               "ф и о сотрудника", "сотрудник", "работник", "охранник"});
        add(Column::Form, {"форма", "опф", "организационно правовая форма", "правовая форма", "форма организации"});
        add(Column::Comp, {"наименование", "наименование организации", "название", "название организации",
                           "наименование чоо", "наименование чоп"});
        add(Column::Organisation, {"организация", "охранная организация", "частная охранная организация", "чоо",
                                   "чоп", "компания", "предприятие", "сокращенное наименование"});
        add(Column::DirPost, {"должность", "должность руководителя", "должность директора"});
        add(Column::Dir, {"руководитель", "директор", "фио руководителя", "ф и о руководителя",
                          "руководитель организации"});
        add(Column::Date, {"дата выдачи", "дата", "дата выдачи карточки", "дата выдачи удостоверения", "выдана",
                           "выдано"});
        return map;
    }();
    return headers;
}

QString normalised(const QString& header)
{
    QString text = header.toLower();
    text.replace(QChar(0x0451), QChar(0x0435)); // ё -> е
    for (QChar& c : text) {
        if (!c.isLetterOrNumber())
            c = QLatin1Char(' ');
    }
    return text.simplified();
}

bool namesPerson(Column column)
{
    return column == Column::Surname || column == Column::Name || column == Column::Patron
           || column == Column::FullName;
}

// Legal forms an organisation's name may begin with, in upper case.
const QStringList& legalForms()
{
    static const QStringList forms{"ООО", "ОАО", "ЗАО", "АО", "ПАО", "НАО", "ЧОО", "ЧОП", "ЧОА", "ИП", "ГУП",
                                   "МУП", "ФГУП", "ГБУ", "ГКУ", "ФГКУ", "АНО", "НКО", "ОП", "НП", "ОДО"};
    return forms;
}

} // namespace

QVector<Column> allColumns()
{
    return {Column::Ignore, Column::Surname,      Column::Name,    Column::Patron, Column::FullName, Column::Form,
            Column::Comp,   Column::Organisation, Column::DirPost, Column::Dir,    Column::Date};
}

QString columnTitle(Column column)
{
    switch (column) {
    case Column::Ignore: return QStringLiteral("— не импортировать —");
    case Column::Surname: return QStringLiteral("Фамилия");
    case Column::Name: return QStringLiteral("Имя");
    case Column::Patron: return QStringLiteral("Отчество");
    case Column::FullName: return QStringLiteral("ФИО (фамилия, имя, отчество)");
    case Column::Form: return QStringLiteral("Форма");
    case Column::Comp: return QStringLiteral("Наименование");
    case Column::Organisation: return QStringLiteral("Организация (форма и наименование)");
    case Column::DirPost: return QStringLiteral("Должность");
    case Column::Dir: return QStringLiteral("Руководитель");
    case Column::Date: return QStringLiteral("Дата выдачи");
    }
    return QString();
}

Column columnForHeader(const QString& header)
{
    return knownHeaders().value(normalised(header), Column::Ignore);
}

HeaderMatch findHeader(const QVector<QStringList>& rows)
{
    HeaderMatch fallback;
    for (int row = 0; row < rows.size() && row < kHeaderSearchRows; ++row) {
        HeaderMatch match;
        bool person = false;
        for (const QString& cell : rows.at(row)) {
            Column column = columnForHeader(cell);
            if (column != Column::Ignore && match.columns.contains(column))
                column = Column::Ignore;
            match.columns.append(column);
            if (column != Column::Ignore)
                ++match.recognised;
            person = person || namesPerson(column);
        }
        match.row = row;
        if (person)
            return match;
        if (fallback.row < 0 && match.recognised >= 2)
            fallback = match;
    }
    return fallback;
}

bool namesAPerson(const QVector<Column>& columns)
{
    return std::any_of(columns.begin(), columns.end(), namesPerson);
}

QStringList splitFullName(const QString& text)
{
    const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return {words.value(0), words.value(1), words.mid(2).join(QLatin1Char(' '))};
}

QStringList splitOrganisation(const QString& text)
{
    const QString simple = text.simplified();
    const int space = simple.indexOf(QLatin1Char(' '));
    if (space > 0 && legalForms().contains(simple.left(space).toUpper()))
        return {simple.left(space), simple.mid(space + 1)};
    return {QString(), simple};
}

} // namespace staffimport

#include "import/columns.h"

#include "import/staffrows.h"


#include <algorithm>

namespace staffimport {

namespace {

// Headers longer than this are titles or notes, not column names.
constexpr int kMaxHeaderWords = 7;

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

// The words of a header, each matched by its beginning, so that the endings
// of a case ("работника", "руководителя") make no difference.
class HeaderWords
{
public:
    explicit HeaderWords(const QString& header)
        : m_words(normalised(header).split(QLatin1Char(' '), Qt::SkipEmptyParts))
    {
    }
    int size() const { return m_words.size(); }
    bool has(const char* start) const
    {
        const QString prefix = QString::fromUtf8(start);
        return std::any_of(m_words.begin(), m_words.end(), [&](const QString& w) { return w.startsWith(prefix); });
    }
    bool hasWord(const char* word) const { return m_words.contains(QString::fromUtf8(word)); }
    bool hasAny(std::initializer_list<const char*> starts) const
    {
        return std::any_of(starts.begin(), starts.end(), [this](const char* s) { return has(s); });
    }

private:
    QStringList m_words;
};

bool namesFullName(const HeaderWords& w)
{
    return w.hasWord("фио") || (w.hasWord("ф") && w.hasWord("и") && w.hasWord("о"))
           || (w.has("фамили") && (w.hasWord("имя") || w.has("инициал")));
}

// Headers of the organisation: its legal form, its name, or both in one cell.
Column organisationColumn(const HeaderWords& w)
{
    if (w.hasWord("форма") || w.hasWord("опф"))
        return Column::Form;
    if (w.has("сокращенн"))
        return Column::Organisation;
    if (w.has("наименовани") || w.has("названи"))
        return Column::Comp;
    if (w.hasAny({"организаци", "чоо", "чоп", "компани", "предприяти"}))
        return Column::Organisation;
    return Column::Ignore;
}

Column columnOfWords(const HeaderWords& w)
{
    if (w.size() == 0 || w.size() > kMaxHeaderWords)
        return Column::Ignore;
    if (w.hasAny({"руководител", "директор"}))
        return w.has("должност") ? Column::DirPost : Column::Dir;
    if (w.has("дата") || w.hasWord("выдана") || w.hasWord("выдано"))
        return w.has("рождени") ? Column::Ignore : Column::Date;
    // The employee's own post and numbers of any kind are not stored.
    if (w.hasAny({"должност", "номер", "табельн"}))
        return Column::Ignore;
    if (namesFullName(w))
        return Column::FullName;
    if (w.has("фамили"))
        return Column::Surname;
    if (w.hasWord("имя"))
        return Column::Name;
    if (w.has("отчеств"))
        return Column::Patron;
    const Column organisation = organisationColumn(w);
    if (organisation != Column::Ignore)
        return organisation;
    // Not "охранник": that is what a post column of the data rows says.
    if (w.size() <= 3 && w.hasAny({"сотрудник", "работник"}))
        return Column::FullName;
    return Column::Ignore;
}

// Data rows hold dates; header rows do not.
bool holdsDate(const QStringList& cells)
{
    QString date;
    return std::any_of(cells.begin(), cells.end(), [&date](const QString& c) { return normaliseDate(c, &date); });
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
    return columnOfWords(HeaderWords(header));
}

bool looksLikeHeader(const QString& cell)
{
    const HeaderWords words(cell);
    if (columnOfWords(words) != Column::Ignore || cell.contains(QChar(0x2116))) // "№"
        return true;
    return words.size() <= kMaxHeaderWords
           && (words.hasAny({"должност", "номер", "табельн", "примечани", "подразделени", "рождени"})
               || normalised(cell) == QStringLiteral("п п"));
}

HeaderMatch headerAt(const QVector<QStringList>& rows, int row)
{
    HeaderMatch match;
    match.row = row;
    for (const QString& cell : rows.value(row)) {
        Column column = columnForHeader(cell);
        if (column != Column::Ignore && match.columns.contains(column))
            column = Column::Ignore;
        match.columns.append(column);
        if (column != Column::Ignore)
            ++match.recognised;
        if (looksLikeHeader(cell))
            ++match.score;
    }
    return match;
}

HeaderMatch findHeader(const QVector<QStringList>& rows)
{
    // Rows below the last candidate are scored as well, to compare with.
    const int scored = std::min<int>(rows.size(), 2 * kHeaderSearchRows);
    QVector<HeaderMatch> matches;
    for (int row = 0; row < scored; ++row)
        matches.append(headerAt(rows, row));
    HeaderMatch best;
    int above = 0; // the best score of a row above that could have been the header
    for (int row = 0; row < std::min(scored, kHeaderSearchRows); ++row) {
        const HeaderMatch& match = matches.at(row);
        const bool candidate = (namesAPerson(match.columns) || match.recognised >= 2) && !holdsDate(rows.at(row));
        if (!candidate)
            continue;
        // A header scores more than the rows above that could be one (data
        // rows of a list without a header) and than most rows below it (its
        // data rows; a footer line may score as much).
        int below = 0;
        int asHigh = 0;
        for (int next = row + 1; next < std::min(scored, row + 1 + kHeaderSearchRows); ++next) {
            if (rows.at(next).join(QString()).trimmed().isEmpty())
                continue;
            ++below;
            asHigh += matches.at(next).score >= match.score ? 1 : 0;
        }
        if (match.score > best.score && match.score > above && asHigh * 4 <= below)
            best = match;
        above = std::max(above, match.score);
    }
    return best;
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

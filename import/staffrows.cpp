#include "import/staffrows.h"

#include "util/hiddentext.h"

#include <QRegularExpression>

namespace staffimport {

namespace {

const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

struct RawFields
{
    QString surname, name, patron, form, comp, dirPost, dir, date;
};

// Writes a cell into the fields its column feeds. A field filled by a column
// of its own ("Фамилия") wins over one split from a combined cell ("ФИО").
void assign(RawFields* f, RawFields* split, Column column, const QString& text)
{
    switch (column) {
    case Column::Ignore: break;
    case Column::Surname: f->surname = text; break;
    case Column::Name: f->name = text; break;
    case Column::Patron: f->patron = text; break;
    case Column::FullName: {
        const QStringList parts = splitFullName(text);
        split->surname = parts.at(0);
        split->name = parts.at(1);
        split->patron = parts.at(2);
        break;
    }
    case Column::Form: f->form = text; break;
    case Column::Comp: f->comp = text; break;
    case Column::Organisation: {
        const QStringList parts = splitOrganisation(text);
        split->form = parts.at(0);
        split->comp = parts.at(1);
        break;
    }
    case Column::DirPost: f->dirPost = text; break;
    case Column::Dir: f->dir = text; break;
    case Column::Date: f->date = text; break;
    }
}

QString firstNonEmpty(const QString& own, const QString& split)
{
    return own.isEmpty() ? split : own;
}

void addReason(StaffRow* row, const QString& reason)
{
    row->status = StaffRow::Status::Invalid;
    row->reason += (row->reason.isEmpty() ? QString() : QStringLiteral("; ")) + reason;
}

void checkLengths(StaffRow* row)
{
    const records::PersonFields& p = row->person;
    const QList<QPair<QString, QString>> fields{
        {QStringLiteral("Фамилия"), p.surname}, {QStringLiteral("Имя"), p.name},
        {QStringLiteral("Отчество"), p.patron}, {QStringLiteral("Форма"), row->form},
        {QStringLiteral("Наименование"), row->comp}, {QStringLiteral("Должность"), p.dirPost},
        {QStringLiteral("Руководитель"), p.director}};
    for (const auto& field : fields) {
        if (field.second.size() > kMaxFieldLength) {
            addReason(row, QStringLiteral("слишком длинный текст в поле «%1» (%2 знаков, допустимо до %3)")
                               .arg(field.first)
                               .arg(field.second.size())
                               .arg(kMaxFieldLength));
        }
    }
}

StaffRow makeRow(int line, const RawFields& own, const RawFields& split, const Organisation& fallback,
                 const QDate& today)
{
    StaffRow row;
    row.line = line;
    row.person.surname = firstNonEmpty(own.surname, split.surname);
    row.person.name = firstNonEmpty(own.name, split.name);
    row.person.patron = firstNonEmpty(own.patron, split.patron);
    row.form = firstNonEmpty(own.form, split.form);
    row.comp = firstNonEmpty(own.comp, split.comp);
    row.person.dirPost = own.dirPost;
    row.person.director = own.dir;
    if (row.form.isEmpty() && row.comp.isEmpty()) {
        row.form = fallback.form.simplified();
        row.comp = fallback.comp.simplified();
    }

    if (row.person.surname.isEmpty() && row.person.name.isEmpty() && row.person.patron.isEmpty())
        addReason(&row, QStringLiteral("нет ни фамилии, ни имени, ни отчества"));
    if (row.form.isEmpty() && row.comp.isEmpty())
        addReason(&row, QStringLiteral("не указана организация"));
    if (own.date.isEmpty())
        row.person.date = today.toString(kDateFormat);
    else if (!normaliseDate(own.date, &row.person.date))
        addReason(&row, QStringLiteral("невозможная дата выдачи «%1»").arg(own.date.left(40)));
    checkLengths(&row);
    return row;
}

} // namespace

QString cleanCell(const QString& text)
{
    QString clean = text;
    for (QChar& c : clean) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return hiddentext::removed(clean).simplified();
}

bool hidesCharacters(const QString& cell)
{
    static const QRegularExpression whitespace(QStringLiteral("[\\t\\n\\r]"));
    return hiddentext::contains(QString(cell).remove(whitespace));
}

QString hiddenCharacterLine(const QVector<StaffRow>& rows)
{
    const int listed = 200;
    QStringList lines;
    int count = 0;
    for (const StaffRow& row : rows) {
        if (row.hiddenRemoved && ++count <= listed)
            lines << QString::number(row.line);
    }
    if (count > listed)
        lines << QStringLiteral("… и ещё %1").arg(count - listed);
    if (lines.isEmpty())
        return QString();
    return QStringLiteral("Удалены невидимые и управляющие символы (строки %1)").arg(lines.join(QStringLiteral(", ")));
}

bool normaliseDate(const QString& text, QString* date)
{
    static const QRegularExpression dayFirst(QStringLiteral("^(\\d{1,2})[./-](\\d{1,2})[./-](\\d{2}|\\d{4})$"));
    static const QRegularExpression yearFirst(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    // A time after the date ("01.02.2020 00:00:00", "2020-02-01T00:00") is dropped.
    const QString day = text.trimmed().section(QRegularExpression(QStringLiteral("[ T]")), 0, 0);
    int y = 0, m = 0, d = 0;
    QRegularExpressionMatch match = dayFirst.match(day);
    if (match.hasMatch()) {
        d = match.captured(1).toInt();
        m = match.captured(2).toInt();
        y = match.captured(3).toInt();
        if (match.captured(3).size() == 2)
            y += y < 70 ? 2000 : 1900;
    } else if ((match = yearFirst.match(day)).hasMatch()) {
        y = match.captured(1).toInt();
        m = match.captured(2).toInt();
        d = match.captured(3).toInt();
    } else {
        return false;
    }
    const QDate parsed(y, m, d);
    if (!parsed.isValid() || y < 1900 || y > 2099)
        return false;
    *date = parsed.toString(kDateFormat);
    return true;
}

QVector<StaffRow> staffRows(const Table& table, int headerRow, const QVector<Column>& columns,
                            const Organisation& fallback, const QDate& today)
{
    QVector<StaffRow> rows;
    for (int i = headerRow + 1; i < table.rows.size(); ++i) {
        const QStringList& cells = table.rows.at(i);
        RawFields own;
        RawFields split;
        bool anyText = false;
        bool hidden = false;
        for (int c = 0; c < cells.size(); ++c) {
            const QString text = cleanCell(cells.at(c));
            const Column column = columns.value(c, Column::Ignore);
            // Text only in columns not imported (a running number) makes no row.
            anyText = anyText || (column != Column::Ignore && !text.isEmpty());
            hidden = hidden || (column != Column::Ignore && hidesCharacters(cells.at(c)));
            assign(&own, &split, column, text);
        }
        if (anyText) {
            rows.append(makeRow(i + 1, own, split, fallback, today));
            rows.last().hiddenRemoved = hidden;
        }
    }
    return rows;
}

} // namespace staffimport

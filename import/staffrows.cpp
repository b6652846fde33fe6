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
                 const QDate& defaultDate)
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
    if (own.date.isEmpty()) {
        row.person.date = defaultDate.toString(kDateFormat);
        row.dateDefaulted = true;
    }
    else if (!normaliseDate(own.date, &row.person.date))
        addReason(&row, QStringLiteral("невозможная дата выдачи «%1»").arg(own.date.left(40)));
    checkLengths(&row);
    return row;
}

// The month a Russian month name stands for ("февраля", "Февраль", "фев."), 0 for none.
int monthOfWord(const QString& word)
{
    static const QStringList starts{"янв", "фев", "мар", "апр", "ма", "июн", "июл", "авг", "сен", "окт", "ноя", "дек"};
    const QString w = word.toLower();
    for (int i = 0; i < starts.size(); ++i) {
        // "ма" alone is May ("мая", "май"); "мар" is March, tried first.
        if (w.startsWith(starts.at(i)) && (i != 4 || w == QStringLiteral("мая") || w == QStringLiteral("май")))
            return i + 1;
    }
    return 0;
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
    static const QRegularExpression inWords(QStringLiteral("^(\\d{1,2})\\s+([а-я]+)\\.?\\s+(\\d{4})$"));
    static const QRegularExpression serial(QStringLiteral("^(\\d{5})(\\.0+)?$"));
    // "с 01.02.2026", "01.02.2026 г.", "1 февраля 2026 года"
    static const QRegularExpression decoration(
        QStringLiteral("^[сc]\\s*(?=\\d)|\\s*(г\\.?|года?)\\s*$"), QRegularExpression::CaseInsensitiveOption);
    QString clean = text.simplified().toLower();
    clean.replace(QChar(0x0451), QChar(0x0435));
    clean.remove(decoration);
    int y = 0, m = 0, d = 0;
    QRegularExpressionMatch match = inWords.match(clean);
    if (match.hasMatch()) {
        d = match.captured(1).toInt();
        m = monthOfWord(match.captured(2));
        y = match.captured(3).toInt();
    } else if ((match = serial.match(clean)).hasMatch()) {
        const int days = match.captured(1).toInt();
        if (days < 10000 || days > 73050)
            return false;
        *date = QDate(1899, 12, 30).addDays(days).toString(kDateFormat);
        return true;
    } else {
        // A time after the date ("01.02.2020 00:00:00", "2020-02-01T00:00") is dropped.
        const QString day = clean.section(QRegularExpression(QStringLiteral("[ t]")), 0, 0);
        if ((match = dayFirst.match(day)).hasMatch()) {
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
    }
    const QDate parsed(y, m, d);
    if (!parsed.isValid() || y < 1900 || y > 2099)
        return false;
    *date = parsed.toString(kDateFormat);
    return true;
}

QString notListedReason(const QStringList& cells, const QString& nameText)
{
    static const QRegularExpression total(QStringLiteral("^(всего|итого)"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression stamp(QStringLiteral("^м\\.?\\s*п\\.?$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression signature(QStringLiteral("подпис|_{3,}"), QRegularExpression::CaseInsensitiveOption);
    // Who signs, at the start of the line or where the name should be.
    static const QRegularExpression signer(
        QStringLiteral("^(руководител|директор|генеральный|исполнитель|ответственн|составил|утверждаю)"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList texts = cells;
    texts.removeAll(QString());
    if (texts.isEmpty())
        return QString();
    if (total.match(texts.first()).hasMatch())
        return QStringLiteral("итоговая строка «%1»").arg(texts.first().left(40));
    for (const QString& text : texts) {
        if (stamp.match(text).hasMatch())
            return QStringLiteral("место печати");
        if (signature.match(text).hasMatch())
            return QStringLiteral("строка подписи «%1»").arg(text.left(40));
    }
    if (signer.match(texts.first()).hasMatch() || signer.match(nameText).hasMatch())
        return QStringLiteral("строка подписи «%1»").arg(texts.first().left(40));
    if (nameText.isEmpty())
        return QStringLiteral("в столбцах имени пусто");
    if (nameText.contains(QRegularExpression(QStringLiteral("[\\d:]"))))
        return QStringLiteral("в столбце имени не имя: «%1»").arg(nameText.left(40));
    return QString();
}

QVector<StaffRow> staffRows(const Table& table, int headerRow, const QVector<Column>& columns,
                            const Organisation& fallback, const QDate& defaultDate)
{
    const bool namedColumns = namesAPerson(columns);
    QVector<StaffRow> rows;
    for (int i = headerRow + 1; i < table.rows.size(); ++i) {
        RawFields own;
        RawFields split;
        QStringList cells;
        QString nameText;
        bool hidden = false;
        for (int c = 0; c < table.rows.at(i).size(); ++c) {
            const QString text = cleanCell(table.rows.at(i).at(c));
            const Column column = columns.value(c, Column::Ignore);
            cells.append(text);
            hidden = hidden || (column != Column::Ignore && hidesCharacters(table.rows.at(i).at(c)));
            if (column == Column::Surname || column == Column::Name || column == Column::Patron
                || column == Column::FullName) {
                nameText = records::nonEmptyJoin({nameText, text});
            }
            assign(&own, &split, column, text);
        }
        if (cells.join(QString()).isEmpty())
            continue;
        const QString notListed = namedColumns ? notListedReason(cells, nameText) : QString();
        if (!notListed.isEmpty()) {
            StaffRow row;
            row.line = i + 1;
            row.status = StaffRow::Status::NotListed;
            row.reason = notListed;
            rows.append(row);
        } else {
            rows.append(makeRow(i + 1, own, split, fallback, defaultDate));
            rows.last().hiddenRemoved = hidden;
        }
    }
    return rows;
}

} // namespace staffimport

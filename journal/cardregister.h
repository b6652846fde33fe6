#ifndef CARDREGISTER_H
#define CARDREGISTER_H

#include <QDate>
#include <QDateTime>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>

// The register of issued cards: the table "cards" beside "companies" and
// "personal" in the same database. One row per card sent to a printer:
//
//   number          INTEGER PRIMARY KEY AUTOINCREMENT, the register number,
//                   never given twice (not even after a row is deleted)
//   printed_at      local date and time of the print, ISO 8601 with the UTC
//                   offset ("2024-03-15T10:20:30+03:00")
//   company         the company text the employee is stored under
//   surname, name, patron, dir_post, director, issue_date
//                   the texts printed in the fields "Surname", "Name",
//                   "Patron", "DirPost", "Dir" and "Date"
//   printer         the name of the destination printer
//   operator        the login name of whoever printed
//   status          'issued'; 'sent' while the job is being handed to the
//                   spooler; 'spoiled' for a blank that was spoiled
//   note            the reason a card was spoiled, the card a reprint
//                   replaces, or why a print did not finish
//   form, comp      the texts printed in the fields "Form" and "Comp"
//   company_search, person_search
//                   lower-case search texts: the company text, and the
//                   printed surname, name and patronymic joined with blanks
//
// Every column but "number" is TEXT and never NULL. On a PostgreSQL server
// "number" is a BIGINT identity column and the texts compare by character
// codes, as in SQLite (see db/dialect.h). The cards of a print job are first
// entered together as 'spoiled' with the note "печать не завершена", turn
// 'sent' (in one transaction) just before the job is handed to the spooler
// and 'issued' once it has been; a job that is never handed over leaves them
// "печать не завершена". An older copy shows 'sent' as issued.
namespace journal {

extern const char* const kIssued;
extern const char* const kSpoiled;
extern const char* const kSent;
// The note of a card whose job never reached the spooler.
extern const char* const kUnfinished;

// The register's columns in the order of the table.
const QStringList& columns();

// Texts of one card as printed, by card field key.
using FieldTexts = QMap<QString, QString>;

// One card of the register.
struct CardRow
{
    qint64 number = 0;
    QString printedAt;
    QString company;
    QString surname;
    QString name;
    QString patron;
    QString dirPost;
    QString director;
    QString issueDate;
    QString printer;
    QString operatorName;
    QString status;
    QString note;
    QString form;
    QString comp;

    // The column values, in the order of columns() (number as text).
    QStringList values() const;
    // The printed texts by card field key ("Surname", ..., "Date").
    FieldTexts fieldTexts() const;
};

// What one print hands to the register: the text printed per field key, the
// company the employee is stored under, the destination printer's name, and
// a note (empty for an ordinary print).
struct PrintedCard
{
    FieldTexts texts;
    QString company;
    QString printer;
    QString note;
};

// The row a print makes of a printed card, stamped with the time and the
// login name given.
CardRow rowFor(const PrintedCard& card, const QString& printedAt, const QString& operatorName);

// The current local time as the register stores it.
QString timestamp(const QDateTime& time);
// The login name of the person running the program.
QString loginName();

// What the register window shows: rows printed from `from` to `to` (either
// may be null for an open end), whose company text and whose printed name
// contain the texts given, in any letter case.
struct Filter
{
    QDate from;
    QDate to;
    QString company;
    QString person;
};

// Reads and writes the register on an open connection.
class CardRegister
{
public:
    explicit CardRegister(const QSqlDatabase& database);

    // Creates the table when it is missing.
    bool ensureTable(QString* error);
    // Enters a card about to be printed and gives it its number; 0 on failure.
    qint64 reserve(QString* error);
    // Removes a reserved row whose print failed.
    bool release(qint64 number, QString* error);
    // Records a printed card: the reserved row becomes 'issued' with the
    // card's texts, or, with no reservation (0), a new row is added. The
    // card's number, 0 on failure.
    qint64 record(const CardRow& row, qint64 reserved, QString* error);
    // Marks a card spoiled and keeps the reason in its note.
    bool markSpoiled(qint64 number, const QString& reason, QString* error);
    // Sets a card's status and note.
    bool setStatus(qint64 number, const QString& status, const QString& note, QString* error);
    bool fetch(qint64 number, CardRow* row, QString* error);

    // Up to `limit` rows matching the filter, newest first, with numbers below
    // `below` (0: from the newest). A negative limit reads every matching row.
    bool list(const Filter& filter, qint64 below, int limit, QVector<CardRow>* rows, QString* error);

private:
    QSqlDatabase m_database;
};

} // namespace journal

#endif // CARDREGISTER_H

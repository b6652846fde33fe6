#ifndef COMPANYSEARCH_H
#define COMPANYSEARCH_H

#include "db/companyrows.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include <utility>

// The organisations of the company list kept in memory, in list order, with an
// index of the one-, two- and three-letter pieces of their search texts: a
// filter is answered from the lists of the pieces it holds, so its cost
// follows the number of organisations it finds, not the number stored.
//
// Matching is that of the list statement, "name LIKE '%filter%'" on the
// lower-case filter: any part of the name, "%" and "_" as wildcards, Latin
// letters in either case, other letters as stored. The order is that of the
// sort text (legal form, a space, name): its UTF-8 bytes compared, no sort
// text before any other, equal ones by row id (the order of the list's index).
namespace records {

using CompanyEntry = companyrows::CompanyRow;

class CompanySearch
{
public:
    void clear();
    // Fills the search from rows in any order (by row id, say): add() each of
    // them, then putInOrder() once before the search is used.
    void add(const CompanyEntry& entry);
    void putInOrder();
    // Adds an organisation at its place in the order.
    void insert(const CompanyEntry& entry);
    // Drops the organisation of that row id; false when there is none.
    bool remove(qint64 rowId);

    int size() const { return m_order.size(); }
    // Organisations removed since the last reset, whose room is not given back until the next one.
    int goneSlots() const { return m_goneSlots; }
    bool contains(qint64 rowId) const { return slotOf(rowId) >= 0; }
    // Row id of the organisation at position in list order.
    qint64 rowIdAt(int position) const { return m_rowIds.at(m_order.at(position)); }
    // Position in list order of the organisation of that row id; -1 when there is none.
    int positionOf(qint64 rowId) const;
    // The shown text of the organisation: its sort text without spaces at
    // either end; a null text when the row id is unknown or its text is NULL.
    QString shownText(qint64 rowId) const;

    // Row ids of the organisations whose search text holds filter, in list
    // order; the filter is taken as the statement takes it, already in lower
    // case. An empty filter gives every organisation.
    QVector<qint64> match(const QString& filter) const;
    // Whether filter lets so many organisations through that going down the
    // list in order finds a screenful sooner than the piece lists would.
    bool prefersScan(const QString& filter) const;
    // Goes down the list from *position on, adding the row ids of the
    // organisations whose search text holds filter (taken as match() takes
    // it) to *rowIds, until *rowIds holds count or the list position end is
    // reached; *position is left at the first organisation not tested.
    void scan(const QString& filter, int* position, int count, int end, QVector<qint64>* rowIds) const;

    // SQLite's order of two sort texts (a null one first).
    static bool sortsBefore(QStringView left, QStringView right);

private:
    struct Text
    {
        int start = 0;
        int length = -1; // -1: NULL
    };

    // Row ids delta-coded in bytes: a list of a common letter holds a third of
    // all organisations, and a byte per entry keeps the index small. A piece
    // found in one organisation in eight or more when the list was read keeps
    // its count only: a filter of such pieces alone is answered by going down
    // the list, and a longer one by the lists of its rarer pieces.
    struct Posting
    {
        QByteArray bytes;
        int last = -1;
        int count = 0;
        bool listed = true;
    };

    int slotOf(qint64 rowId) const;
    QStringView text(const Text& text, const QString& arena) const;
    void addText(QString* arena, QVector<Text>* texts, const QString& value);
    void index(int slot);
    void appendSlot(const CompanyEntry& entry);
    void ensureRanks() const;
    // The list order of two slots: sort text, then row id.
    bool slotBefore(int left, int right) const;
    // Slots whose search text may hold the filter; *exact when each of them does.
    QVector<int> candidates(const QString& filter, bool* exact) const;
    bool matches(int slot, const QString& filter) const;
    // The organisations whose search text is not NULL, by slot.
    QVector<int> slotsWithText() const;

    static void append(Posting* posting, int slot);
    static QVector<int> decode(const Posting& posting);

    QVector<qint64> m_rowIds;   // by slot
    QVector<Text> m_names;      // by slot
    QVector<Text> m_sortTexts;  // by slot
    QVector<bool> m_alive;      // by slot
    QString m_nameArena;
    QString m_sortArena;
    // Slots are found by row id in two parts: the first m_inOrder slots hold
    // ascending row ids (a whole load read by row id), searched in place; the
    // slots after them (organisations saved or renamed since) are listed by
    // row id in m_laterSlots, sorted on first use after a bulk add.
    int m_inOrder = 0;
    mutable QVector<std::pair<qint64, int>> m_laterSlots;
    mutable bool m_laterSorted = true;
    QVector<int> m_order;                          // list position -> slot
    mutable QVector<int> m_rank;                   // slot -> list position, -1 when gone
    mutable bool m_ranksValid = false;
    QHash<quint64, Posting> m_postings;
    int m_goneSlots = 0;
};

// The LIKE test of the list statement on one text: pattern holds "%" and "_"
// wildcards, is matched anywhere in text, and Latin letters match in either case.
bool likeMatches(QStringView text, QStringView pattern);

} // namespace records

#endif // COMPANYSEARCH_H

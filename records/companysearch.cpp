#include "records/companysearch.h"

#include <algorithm>

namespace records {

namespace {

const QChar kAnyRun = QLatin1Char('%');
const QChar kAnyOne = QLatin1Char('_');

QChar foldLatin(QChar c)
{
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z') ? QChar(c.unicode() + 32) : c;
}

QString foldedLatin(const QString& text)
{
    QString folded = text;
    for (QChar& c : folded)
        c = foldLatin(c);
    return folded;
}

// UTF-16 code units weighed so that they compare as code points do, which is
// how SQLite's byte-wise comparison of UTF-8 orders texts.
ushort codePointWeight(ushort unit)
{
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return ushort(unit + 0x2000);
    if (unit >= 0xE000)
        return ushort(unit - 0x800);
    return unit;
}

int nextCodePoint(QStringView text, int i)
{
    if (i + 1 < text.size() && text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate())
        return i + 2;
    return i + 1;
}

quint64 pieceKey(QStringView text, int start, int length)
{
    quint64 key = quint64(length) << 48;
    for (int i = 0; i < length; ++i)
        key |= quint64(text.at(start + i).unicode()) << (16 * i);
    return key;
}

// Keys of the longest pieces (up to three letters) of every run of plain
// letters in the filter: each must be in a matching text.
QVector<quint64> filterPieces(const QString& filter)
{
    QVector<quint64> keys;
    int start = 0;
    for (int i = 0; i <= filter.size(); ++i) {
        if (i < filter.size() && filter.at(i) != kAnyRun && filter.at(i) != kAnyOne)
            continue;
        const int run = i - start;
        const int length = std::min(run, 3);
        for (int at = start; length > 0 && at + length <= i; ++at)
            keys.append(pieceKey(filter, at, length));
        start = i + 1;
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

QVector<int> intersect(const QVector<int>& left, const QVector<int>& right)
{
    QVector<int> both;
    both.reserve(std::min(left.size(), right.size()));
    std::set_intersection(left.begin(), left.end(), right.begin(), right.end(), std::back_inserter(both));
    return both;
}

} // namespace

bool likeMatches(QStringView text, QStringView pattern)
{
    // As "%" + pattern + "%": a "%" matches any run, so on a mismatch the
    // pattern after the last "%" is tried one letter further on.
    int i = 0;
    int j = 0;
    int resume = 0;
    int mark = 0;
    while (true) {
        if (j < pattern.size() && pattern.at(j) == kAnyRun) {
            resume = ++j;
            mark = i;
            continue;
        }
        if (j == pattern.size())
            return true;
        if (i < text.size() && (pattern.at(j) == kAnyOne || foldLatin(pattern.at(j)) == foldLatin(text.at(i)))) {
            i = pattern.at(j) == kAnyOne ? nextCodePoint(text, i) : i + 1;
            ++j;
            continue;
        }
        if (mark >= text.size())
            return false;
        mark = nextCodePoint(text, mark);
        i = mark;
        j = resume;
    }
}

bool CompanySearch::sortsBefore(QStringView left, QStringView right)
{
    if (left.isNull() || right.isNull())
        return left.isNull() && !right.isNull();
    const int common = std::min(left.size(), right.size());
    for (int i = 0; i < common; ++i) {
        const ushort a = left.at(i).unicode();
        const ushort b = right.at(i).unicode();
        if (a != b)
            return codePointWeight(a) < codePointWeight(b);
    }
    return left.size() < right.size();
}

void CompanySearch::clear()
{
    *this = CompanySearch();
}

void CompanySearch::add(const CompanyEntry& entry)
{
    appendSlot(entry);
    m_order.append(m_rowIds.size() - 1);
    m_ranksValid = false;
}

void CompanySearch::putInOrder()
{
    std::stable_sort(m_order.begin(), m_order.end(), [this](int a, int b) { return slotBefore(a, b); });
    m_ranksValid = false;
    // Filled once, then kept for the session: the room the growing left
    // spare (up to as much again) is given back.
    for (Posting& posting : m_postings) {
        if (qint64(posting.count) * 8 > m_order.size()) {
            posting.bytes = QByteArray();
            posting.listed = false;
        } else {
            posting.bytes.squeeze();
        }
    }
    m_nameArena.squeeze();
    m_sortArena.squeeze();
    m_rowIds.squeeze();
    m_names.squeeze();
    m_sortTexts.squeeze();
    m_alive.squeeze();
    m_laterSlots.squeeze();
    m_order.squeeze();
}

void CompanySearch::insert(const CompanyEntry& entry)
{
    remove(entry.rowId);
    appendSlot(entry);
    const int slot = m_rowIds.size() - 1;
    const auto place = std::upper_bound(m_order.begin(), m_order.end(), slot,
                                        [this](int a, int b) { return slotBefore(a, b); });
    m_order.insert(place, slot);
    m_ranksValid = false;
}

bool CompanySearch::slotBefore(int left, int right) const
{
    const Text& a = m_sortTexts.at(left);
    const Text& b = m_sortTexts.at(right);
    if (a.length < 0 || b.length < 0) {
        if ((a.length < 0) != (b.length < 0))
            return a.length < 0;
    } else {
        const QStringView leftText = text(a, m_sortArena);
        const QStringView rightText = text(b, m_sortArena);
        if (sortsBefore(leftText, rightText))
            return true;
        if (sortsBefore(rightText, leftText))
            return false;
    }
    return m_rowIds.at(left) < m_rowIds.at(right);
}

bool CompanySearch::remove(qint64 rowId)
{
    const int slot = slotOf(rowId);
    if (slot < 0)
        return false;
    // The slot stays in the piece lists, marked gone: taking it out would
    // mean rewriting lists of a third of all organisations.
    ++m_goneSlots;
    auto at = std::lower_bound(m_order.begin(), m_order.end(), slot, [this](int a, int b) { return slotBefore(a, b); });
    if (at == m_order.end() || *at != slot)
        at = std::find(m_order.begin(), m_order.end(), slot);
    if (at != m_order.end())
        m_order.erase(at);
    m_alive[slot] = false;
    if (slot >= m_inOrder)
        m_laterSlots.erase(std::lower_bound(m_laterSlots.begin(), m_laterSlots.end(), std::make_pair(rowId, 0)));
    m_ranksValid = false;
    return true;
}

int CompanySearch::positionOf(qint64 rowId) const
{
    const int slot = slotOf(rowId);
    if (slot < 0)
        return -1;
    ensureRanks();
    return m_rank.at(slot);
}

QString CompanySearch::shownText(qint64 rowId) const
{
    const int slot = slotOf(rowId);
    if (slot < 0 || m_sortTexts.at(slot).length < 0)
        return QString();
    // SQLite's TRIM drops spaces only.
    QStringView shown = text(m_sortTexts.at(slot), m_sortArena);
    while (!shown.isEmpty() && shown.front() == QLatin1Char(' '))
        shown = shown.mid(1);
    while (!shown.isEmpty() && shown.back() == QLatin1Char(' '))
        shown.chop(1);
    return shown.toString();
}

QVector<qint64> CompanySearch::match(const QString& filter) const
{
    QVector<qint64> rowIds;
    if (filter.isEmpty()) {
        rowIds.reserve(m_order.size());
        for (int slot : m_order)
            rowIds.append(m_rowIds.at(slot));
        return rowIds;
    }
    const QString folded = foldedLatin(filter);
    bool exact = false;
    const QVector<int> found = candidates(folded, &exact);
    if (found.isEmpty())
        return rowIds;
    // Marks by list position, then read in order: no sorting of the matches.
    ensureRanks();
    QVector<quint64> marks((m_order.size() + 63) / 64, 0);
    for (int slot : found) {
        if (!m_alive.at(slot) || (!exact && !matches(slot, folded)))
            continue;
        const int rank = m_rank.at(slot);
        marks[rank / 64] |= quint64(1) << (rank % 64);
    }
    for (int word = 0; word < marks.size(); ++word) {
        for (quint64 bits = marks.at(word); bits; bits &= bits - 1)
            rowIds.append(m_rowIds.at(m_order.at(word * 64 + __builtin_ctzll(bits))));
    }
    return rowIds;
}

bool CompanySearch::prefersScan(const QString& filter) const
{
    const QVector<quint64> keys = filterPieces(foldedLatin(filter));
    int fewest = m_order.size();
    for (quint64 key : keys) {
        const auto found = m_postings.constFind(key);
        fewest = std::min(fewest, found == m_postings.constEnd() ? 0 : found->count);
    }
    // Every eighth organisation or more: a screenful lies within a few screenfuls of the list.
    return !filter.isEmpty() && qint64(fewest) * 8 > m_order.size();
}

void CompanySearch::scan(const QString& filter, int* position, int count, int end, QVector<qint64>* rowIds) const
{
    const QString folded = foldedLatin(filter);
    end = std::min(end, int(m_order.size()));
    for (; *position < end && rowIds->size() < count; ++*position) {
        const int slot = m_order.at(*position);
        if (matches(slot, folded))
            rowIds->append(m_rowIds.at(slot));
    }
}

QVector<int> CompanySearch::candidates(const QString& filter, bool* exact) const
{
    const bool wild = filter.contains(kAnyRun) || filter.contains(kAnyOne);
    *exact = !wild && filter.size() <= 3;
    const QVector<quint64> keys = filterPieces(filter);
    // Nothing but wildcards: every organisation with a search text.
    if (keys.isEmpty())
        return slotsWithText();
    QVector<const Posting*> lists;
    for (quint64 key : keys) {
        const auto found = m_postings.constFind(key);
        if (found == m_postings.constEnd())
            return {};
        if (found->listed)
            lists.append(&found.value());
        else
            *exact = false; // the piece is not proven by the lists
    }
    // Only common pieces: every organisation with a search text is tested.
    if (lists.isEmpty())
        return slotsWithText();
    std::sort(lists.begin(), lists.end(), [](const Posting* a, const Posting* b) { return a->count < b->count; });
    QVector<int> slots = decode(*lists.first());
    for (int i = 1; i < lists.size() && !slots.isEmpty(); ++i) {
        // Testing a few candidates costs less than reading a long list.
        if (qint64(slots.size()) * 16 < lists.at(i)->count) {
            *exact = false;
            break;
        }
        slots = intersect(slots, decode(*lists.at(i)));
    }
    return slots;
}

QVector<int> CompanySearch::slotsWithText() const
{
    QVector<int> slots;
    for (int slot = 0; slot < m_names.size(); ++slot) {
        if (m_alive.at(slot) && m_names.at(slot).length >= 0)
            slots.append(slot);
    }
    return slots;
}

bool CompanySearch::matches(int slot, const QString& filter) const
{
    const QStringView name = text(m_names.at(slot), m_nameArena);
    if (m_names.at(slot).length < 0)
        return false;
    if (!filter.contains(kAnyRun) && !filter.contains(kAnyOne))
        return name.contains(filter);
    return likeMatches(name, filter);
}

int CompanySearch::slotOf(qint64 rowId) const
{
    if (!m_laterSorted) {
        std::sort(m_laterSlots.begin(), m_laterSlots.end());
        m_laterSorted = true;
    }
    // A later slot is the organisation's newer self: the one it had in the
    // ordered part, if any, is gone.
    const auto later = std::lower_bound(m_laterSlots.begin(), m_laterSlots.end(), std::make_pair(rowId, 0));
    if (later != m_laterSlots.end() && later->first == rowId)
        return later->second;
    const auto begin = m_rowIds.begin();
    const auto found = std::lower_bound(begin, begin + m_inOrder, rowId);
    if (found == begin + m_inOrder || *found != rowId)
        return -1;
    const int slot = int(found - begin);
    return m_alive.at(slot) ? slot : -1;
}

QStringView CompanySearch::text(const Text& text, const QString& arena) const
{
    if (text.length < 0)
        return QStringView();
    return QStringView(arena).mid(text.start, text.length);
}

void CompanySearch::addText(QString* arena, QVector<Text>* texts, const QString& value)
{
    Text added;
    if (!value.isNull()) {
        added.start = arena->size();
        added.length = value.size();
        arena->append(value);
    }
    texts->append(added);
}

void CompanySearch::appendSlot(const CompanyEntry& entry)
{
    const int slot = m_rowIds.size();
    m_rowIds.append(entry.rowId);
    addText(&m_nameArena, &m_names, entry.name.isNull() ? QString() : foldedLatin(entry.name));
    addText(&m_sortArena, &m_sortTexts, entry.sortText);
    m_alive.append(true);
    if (slot == m_inOrder && (slot == 0 || m_rowIds.at(slot - 1) < entry.rowId)) {
        ++m_inOrder;
    } else {
        m_laterSlots.append({entry.rowId, slot});
        m_laterSorted = false;
    }
    index(slot);
}

void CompanySearch::index(int slot)
{
    if (m_names.at(slot).length < 0)
        return;
    // A piece met again in the same text is in the list already: the list's
    // last entry is this slot.
    const QStringView name = text(m_names.at(slot), m_nameArena);
    for (int i = 0; i < name.size(); ++i) {
        for (int length = 1; length <= 3 && i + length <= name.size(); ++length) {
            Posting& posting = m_postings[pieceKey(name, i, length)];
            if (posting.last != slot)
                append(&posting, slot);
        }
    }
}

void CompanySearch::ensureRanks() const
{
    if (m_ranksValid)
        return;
    m_rank.fill(-1, m_rowIds.size());
    for (int rank = 0; rank < m_order.size(); ++rank)
        m_rank[m_order.at(rank)] = rank;
    m_ranksValid = true;
}

namespace {

void appendGap(QByteArray* bytes, quint32 gap)
{
    while (gap >= 0x80) {
        bytes->append(char((gap & 0x7F) | 0x80));
        gap >>= 7;
    }
    bytes->append(char(gap));
}

} // namespace

void CompanySearch::append(Posting* posting, int slot)
{
    if (!posting->listed) {
        posting->last = slot;
        ++posting->count;
        return;
    }
    appendGap(&posting->bytes, quint32(slot - posting->last));
    posting->last = slot;
    ++posting->count;
}

QVector<int> CompanySearch::decode(const Posting& posting)
{
    QVector<int> slots;
    slots.reserve(posting.count);
    int value = -1;
    quint32 gap = 0;
    int shift = 0;
    for (const char byte : posting.bytes) {
        gap |= quint32(uchar(byte) & 0x7F) << shift;
        if (uchar(byte) & 0x80) {
            shift += 7;
            continue;
        }
        value += int(gap);
        slots.append(value);
        gap = 0;
        shift = 0;
    }
    return slots;
}

} // namespace records

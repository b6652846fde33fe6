#include "records/companylistmodel.h"

#include "records/recordtexts.h"

#include <algorithm>

namespace {

// Rows read at a time: a few screens.
const int kBatch = 256;
// How often another program's commits are looked for.
const int kWatchMs = 500;

} // namespace

CompanyListModel::CompanyListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    // One pragma a look; the rows are read again only after a commit.
    m_watch.setInterval(kWatchMs);
    connect(&m_watch, &QTimer::timeout, this, &CompanyListModel::followCommits);
}

bool CompanyListModel::refresh(const QString& filter, const QSqlDatabase& database)
{
    if (narrowTo(filter, database))
        return true;
    beginResetModel();
    m_database = database;
    m_filter = filter;
    m_counted = false;
    m_blocks = Blocks();
    m_watch.stop();
    m_commits = records::foreignCommitCount(database);
    m_changes = records::ownChangeCount(database);
    m_listed = countRows(&m_blocks, 0, &m_count, &m_complete, &m_error);
    if (!m_listed)
        m_count = 0;
    else if (m_commits >= 0)
        m_watch.start();
    endResetModel();
    return m_listed;
}

bool CompanyListModel::narrowTo(const QString& filter, const QSqlDatabase& database)
{
    const QString before = records::lowerCase(m_filter);
    const QString now = records::lowerCase(filter);
    // A plain filter that holds the one shown selects some of its rows; one
    // with wildcards or Latin letters is left to the statement.
    if (!m_listed || m_counted || !m_complete || m_count > kBatch || before.isEmpty() || now == before
        || !now.contains(before) || !records::isPlainFilter(now) || !m_blocks.names.contains(0)
        || database.connectionName() != m_database.connectionName()
        || database.databaseName() != m_database.databaseName() || m_commits < 0 || m_changes < 0) {
        return false;
    }
    if (records::foreignCommitCount(database) != m_commits || records::ownChangeCount(database) != m_changes)
        return false;
    const QStringList texts = m_blocks.texts.value(0);
    const QStringList names = m_blocks.names.value(0);
    QStringList keptTexts;
    QStringList keptNames;
    for (int row = 0; row < texts.size() && row < names.size(); ++row) {
        if (names.at(row).contains(now)) {
            keptTexts.append(texts.at(row));
            keptNames.append(names.at(row));
        }
    }
    beginResetModel();
    m_filter = filter;
    m_blocks.texts.insert(0, keptTexts);
    m_blocks.names.insert(0, keptNames);
    m_count = keptTexts.size();
    endResetModel();
    return true;
}

void CompanyListModel::reachRow(int row)
{
    if (!m_listed || m_counted || m_complete || row < m_count || !m_filter.isEmpty() || m_inserting)
        return;
    // The whole list counted, once, instead of reading every row before this one.
    int count = 0;
    QSqlError error;
    if (!records::countCompanies(m_database, &count, &error) || count <= m_count)
        return;
    m_counted = true;
    m_blocks.total = count;
    m_complete = true;
    m_inserting = true;
    beginInsertRows(QModelIndex(), m_count, count - 1);
    m_count = count;
    endInsertRows();
    m_inserting = false;
}

void CompanyListModel::clear()
{
    beginResetModel();
    m_listed = false;
    m_watch.stop();
    m_blocks = Blocks();
    m_count = 0;
    m_complete = true;
    m_error = QSqlError();
    endResetModel();
}

bool CompanyListModel::readBlock(Blocks* blocks, int block) const
{
    // A block after one read before follows on from its end; another is found by its place.
    const bool chained = block == 0 || blocks->ends.contains(block - 1);
    records::CompanyPage page;
    QSqlError error;
    if (!chained && blocks->total >= 0 && block * kBatch >= blocks->total / 2
        && sql::dialectOf(m_database) == sql::Dialect::Sqlite) {
        // In the second half of the whole list, counted from its end.
        const int end = std::min(blocks->total, (block + 1) * kBatch);
        if (!records::readCompanyPageFromEnd(m_database, blocks->total - end, end - block * kBatch, &page, &error))
            return false;
        blocks->texts.insert(block, page.texts);
        return true;
    }
    records::CompanyPageKey key;
    if (block > 0)
        key = chained ? blocks->ends.value(block - 1) : records::CompanyPageKey{QVariant(), block * kBatch};
    if (!records::readCompanyPage(m_database, m_filter, key, kBatch, &page, &error))
        return false;
    blocks->texts.insert(block, page.texts);
    blocks->names.insert(block, page.names);
    // Found by its place, a block of one text cannot tell how many rows of that text came before it.
    if (chained || page.texts.isEmpty() || page.texts.constFirst() != page.texts.constLast())
        blocks->ends.insert(block, page.next);
    return true;
}

QString CompanyListModel::textIn(Blocks* blocks, int row) const
{
    const int block = row / kBatch;
    if (!blocks->texts.contains(block) && !readBlock(blocks, block))
        return QString();
    return blocks->texts.value(block).value(row % kBatch);
}

bool CompanyListModel::countRows(Blocks* blocks, int lastBlock, int* count, bool* complete, QSqlError* error) const
{
    // The first block read in any case: a table that is gone or changed is
    // reported as the list statement would report it.
    records::CompanyPage page;
    if (m_counted) {
        *complete = true;
        if (!records::readCompanyPage(m_database, m_filter, records::CompanyPageKey(), 0, &page, error)
            || !records::countCompanies(m_database, count, error)) {
            return false;
        }
        blocks->total = *count;
        return true;
    }
    *count = 0;
    for (int block = 0; block <= lastBlock; ++block) {
        if (!readBlock(blocks, block))
            return records::readCompanyPage(m_database, m_filter, records::CompanyPageKey(), 0, &page, error);
        const int size = blocks->texts.value(block).size();
        *count += size;
        *complete = size < kBatch;
        if (*complete)
            break;
    }
    return true;
}

int CompanyListModel::nearestRow(Blocks* blocks, int count, const QString& text, int row) const
{
    for (int distance = 0; distance <= kBatch; ++distance) {
        if (row + distance < count && textIn(blocks, row + distance) == text)
            return row + distance;
        if (row - distance >= 0 && row - distance < count && textIn(blocks, row - distance) == text)
            return row - distance;
    }
    return -1;
}

void CompanyListModel::followCommits()
{
    if (!m_listed || m_inserting)
        return;
    const qint64 commits = records::foreignCommitCount(m_database);
    if (commits == m_commits)
        return;
    const qint64 changes = records::ownChangeCount(m_database);
    Blocks fresh;
    int count = 0;
    bool complete = true;
    QSqlError error;
    if (!countRows(&fresh, m_counted ? 0 : std::max(0, m_count - 1) / kBatch, &count, &complete, &error))
        return; // tried again on the next look
    m_commits = commits;
    m_changes = changes;
    m_complete = complete;
    // The selected and current rows, looked for in the list as it is now.
    bool same = count == m_count;
    const QModelIndexList before = persistentIndexList();
    for (const QModelIndex& index : before)
        same = same && textIn(&fresh, index.row()) == textIn(&m_blocks, index.row());
    if (!same) {
        replaceRows(&fresh, count);
        return;
    }
    // The rows shown are read anew as they are painted.
    m_blocks = fresh;
    if (m_count > 0)
        emit dataChanged(index(0, 0), index(m_count - 1, 0), {Qt::DisplayRole});
}

void CompanyListModel::replaceRows(Blocks* fresh, int count)
{
    const int oldCount = m_count;
    if (count > oldCount) {
        beginInsertRows(QModelIndex(), oldCount, count - 1);
        m_count = count;
        endInsertRows();
    }
    // The rows change in place, their number kept: each selected or current
    // row follows its text to where it now is nearby, or is dropped.
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& index : before) {
        const int row = nearestRow(fresh, count, textIn(&m_blocks, index.row()), index.row());
        after.append(row >= 0 ? createIndex(row, index.column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    m_blocks = *fresh;
    emit layoutChanged();
    if (count < oldCount) {
        beginRemoveRows(QModelIndex(), count, oldCount - 1);
        m_count = count;
        endRemoveRows();
    }
}

int CompanyListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int CompanyListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_listed ? 0 : 1;
}

QVariant CompanyListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() != 0 || index.row() >= m_count
        || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return QVariant();
    }
    return textIn(&m_blocks, index.row());
}

QVariant CompanyListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (m_listed && orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return QStringLiteral("Наименование");
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool CompanyListModel::canFetchMore(const QModelIndex& parent) const
{
    // Asked again while rows are being added (by a view answering the
    // notice of them), it would add the same rows twice.
    return !parent.isValid() && m_listed && !m_counted && !m_complete && !m_inserting;
}

void CompanyListModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    // A filtered list holds whole blocks until its end.
    const int block = m_count / kBatch;
    if (!readBlock(&m_blocks, block)) {
        m_complete = true;
        return;
    }
    const int size = m_blocks.texts.value(block).size();
    m_complete = size < kBatch;
    if (size == 0)
        return;
    m_inserting = true;
    beginInsertRows(QModelIndex(), m_count, m_count + size - 1);
    m_count += size;
    endInsertRows();
    m_inserting = false;
}

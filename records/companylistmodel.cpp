#include "records/companylistmodel.h"

#include "records/companysearchload.h"
#include "records/recordtexts.h"

#include <QSqlQuery>

#include <algorithm>
#include <climits>

namespace {

// Rows handed to the view at a time, as the list statement's model does.
const int kBatch = 256;
// More changed rows than this are read as a whole table again.
const int kMostChanges = 500;
const QString kTable = QStringLiteral("companies");
const int kWatchMs = 500;

} // namespace

CompanyListModel::CompanyListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    // A commit of another program is looked for twice a second: one pragma,
    // and the rows shown read again only when there was one.
    m_watch.setInterval(kWatchMs);
    connect(&m_watch, &QTimer::timeout, this, &CompanyListModel::followCommits);
}

CompanyListModel::~CompanyListModel()
{
    // The reading thread is stopped before the log goes.
    dropSearch();
}

bool CompanyListModel::refresh(const QString& filter, const QSqlDatabase& database)
{
    beginResetModel();
    m_resetting = true;
    if (database.connectionName() != m_database.connectionName())
        dropSearch();
    m_database = database;
    m_filter = filter;
    m_error = QSqlError();
    m_rowIds.clear();
    m_all = false;
    m_scanned = -1;
    m_shown = 0;
    m_texts.clear();
    m_next = records::CompanyPageKey();
    m_complete = true;
    m_watch.stop();
    // The list statement run with no row wanted: a table that is gone or
    // changed is reported as the list itself would report it.
    const QString statement = records::companyListQuery(filter, sql::dialectOf(database));
    QSqlQuery probe(database);
    const bool searching = syncSearch(!filter.isEmpty()) && probe.exec(statement + QStringLiteral(" LIMIT 0"));
    probe.finish();
    if (searching) {
        m_mode = Mode::Search;
        findSearchRows(kBatch);
        m_shown = std::min(listSize(), kBatch);
    } else {
        m_mode = Mode::Pages;
        m_commits = records::foreignCommitCount(database);
        if (!readMore(kBatch))
            m_mode = Mode::Cleared;
        else if (m_commits >= 0)
            m_watch.start();
    }
    m_resetting = false;
    endResetModel();
    return !m_error.isValid();
}

bool CompanyListModel::readMore(int count)
{
    records::CompanyPage page;
    if (!records::readCompanyPage(m_database, m_filter, m_next, count, &page, &m_error))
        return false;
    m_texts += page.texts;
    m_next = page.next;
    m_complete = page.complete;
    return true;
}

void CompanyListModel::readThrough(int row)
{
    // Whole batches, as scrolling would have brought them, in one statement.
    if (m_mode == Mode::Pages && row >= m_texts.size() && !m_complete && !m_inserting)
        appendRows((row + 1 - m_texts.size() + kBatch - 1) / kBatch * kBatch);
}

void CompanyListModel::appendRows(int count)
{
    records::CompanyPage page;
    QSqlError error;
    if (!records::readCompanyPage(m_database, m_filter, m_next, count, &page, &error)) {
        m_complete = true;
        return;
    }
    const int first = m_texts.size();
    m_inserting = true;
    if (!page.texts.isEmpty())
        beginInsertRows(QModelIndex(), first, first + page.texts.size() - 1);
    m_texts += page.texts;
    m_next = page.next;
    m_complete = page.complete;
    if (!page.texts.isEmpty())
        endInsertRows();
    m_inserting = false;
}

void CompanyListModel::followCommits()
{
    if (m_mode != Mode::Pages || m_inserting)
        return;
    const qint64 commits = records::foreignCommitCount(m_database);
    if (commits == m_commits)
        return;
    // The rows read so far, read again in one statement.
    records::CompanyPage page;
    QSqlError error;
    if (!records::readCompanyPage(m_database, m_filter, records::CompanyPageKey(),
                                  std::max(int(m_texts.size()), kBatch), &page, &error)) {
        return; // tried again on the next look
    }
    m_commits = commits;
    m_next = page.next;
    m_complete = page.complete;
    if (page.texts != m_texts)
        replaceRows(page.texts);
}

namespace {

// Row of texts showing text nearest to row; -1 when none does.
int nearestRow(const QStringList& texts, const QString& text, int row)
{
    for (int distance = 0; distance < texts.size(); ++distance) {
        if (row + distance < texts.size() && texts.at(row + distance) == text)
            return row + distance;
        if (row - distance >= 0 && row - distance < texts.size() && texts.at(row - distance) == text)
            return row - distance;
        if (row - distance < 0 && row + distance >= texts.size())
            break;
    }
    return -1;
}

} // namespace

void CompanyListModel::replaceRows(const QStringList& texts)
{
    const int oldCount = m_texts.size();
    const int newCount = texts.size();
    if (newCount > oldCount) {
        beginInsertRows(QModelIndex(), oldCount, newCount - 1);
        m_texts += texts.mid(oldCount);
        endInsertRows();
    }
    // The rows change in place, the row count stays: the selection follows
    // each row to where its text now is, or drops it.
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& index : before) {
        const int row = nearestRow(texts, m_texts.value(index.row()), index.row());
        after.append(row >= 0 ? createIndex(row, index.column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    m_texts = texts + m_texts.mid(newCount);
    emit layoutChanged();
    if (newCount < oldCount) {
        beginRemoveRows(QModelIndex(), newCount, oldCount - 1);
        m_texts = texts;
        endRemoveRows();
    }
}

void CompanyListModel::clear()
{
    beginResetModel();
    m_mode = Mode::Cleared;
    m_watch.stop();
    m_texts.clear();
    m_complete = true;
    m_rowIds.clear();
    m_all = false;
    m_scanned = -1;
    m_shown = 0;
    m_error = QSqlError();
    endResetModel();
}

void CompanyListModel::prepareSearch()
{
    // A list shown from memory is brought up to date by its next refresh,
    // which starts anew: the rows it shows must not change under it.
    if (m_mode != Mode::Search)
        syncSearch(true);
}

void CompanyListModel::setSearchEnabled(bool enabled)
{
    m_searchEnabled = enabled;
    if (enabled)
        return;
    // The same rows again from the list statement, before the memory goes.
    dropSearch();
    if (m_mode == Mode::Search)
        refresh(m_filter, m_database);
}

void CompanyListModel::dropSearch()
{
    delete m_load;
    m_load = nullptr;
    m_changes.stop();
    m_searchLoaded = false;
    m_search.clear();
}

int CompanyListModel::rowOf(const QString& companyText)
{
    QVector<qint64> rowIds;
    if (m_mode != Mode::Search || !companyrows::rowIdsShownAs(m_database, companyText, &rowIds))
        return -1;
    // The first in list order of the organisations shown as that text.
    int first = -1;
    for (qint64 rowId : qAsConst(rowIds)) {
        const int position = m_search.positionOf(rowId);
        if (position >= 0 && (first < 0 || position < first))
            first = position;
    }
    if (first < 0)
        return -1;
    int row = first;
    scanThrough(INT_MAX, first + 1);
    if (!m_all) {
        // The filtered rows are in list order too.
        const auto at = std::lower_bound(m_rowIds.begin(), m_rowIds.end(), first, [this](qint64 rowId, int position) {
            return m_search.positionOf(rowId) < position;
        });
        row = at != m_rowIds.end() && m_search.positionOf(*at) == first ? int(at - m_rowIds.begin()) : -1;
        if (row < 0) {
            // Not the first of its text among those the filter let through.
            scanThrough(INT_MAX, INT_MAX);
            for (row = 0; row < m_rowIds.size(); ++row) {
                if (rowIds.contains(m_rowIds.at(row)))
                    break;
            }
            if (row == m_rowIds.size())
                return -1;
        }
    }
    showThrough(row + 1);
    return row;
}

void CompanyListModel::findSearchRows(int count)
{
    m_rowIds.clear();
    // Every organisation: straight from the search's order, without a copy of it.
    m_all = m_filter.isEmpty();
    m_lowerFilter = records::lowerCase(m_filter);
    m_scanned = -1;
    if (!m_all && m_search.prefersScan(m_lowerFilter))
        m_scanned = 0; // found by going down the list as far as rows are wanted
    else if (!m_all)
        m_rowIds = m_search.match(m_lowerFilter);
    scanThrough(count, INT_MAX);
}

void CompanyListModel::scanThrough(int count, int end)
{
    if (m_scanned >= 0)
        m_search.scan(m_lowerFilter, &m_scanned, count, end, &m_rowIds);
}

int CompanyListModel::listSize() const
{
    return m_all ? m_search.size() : int(m_rowIds.size());
}

qint64 CompanyListModel::rowIdAt(int row) const
{
    return m_all ? m_search.rowIdAt(row) : m_rowIds.at(row);
}

int CompanyListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    switch (m_mode) {
    case Mode::Search:
        return m_shown;
    case Mode::Pages:
        return m_texts.size();
    case Mode::Cleared:
        break;
    }
    return 0;
}

int CompanyListModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    switch (m_mode) {
    case Mode::Search:
        return 1;
    case Mode::Pages:
        return 1;
    case Mode::Cleared:
        break;
    }
    return 0;
}

QVariant CompanyListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    if (m_mode == Mode::Pages)
        return index.column() == 0 ? m_texts.value(index.row()) : QVariant();
    if (m_mode != Mode::Search || index.row() >= m_shown || index.column() != 0)
        return QVariant();
    return m_search.shownText(rowIdAt(index.row()));
}

QVariant CompanyListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (m_mode != Mode::Cleared && orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return QStringLiteral("Наименование");
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool CompanyListModel::canFetchMore(const QModelIndex& parent) const
{
    // Asked again while rows are being added (by a view answering the
    // notice of them), it would add the same rows twice.
    if (parent.isValid() || m_inserting)
        return false;
    if (m_mode == Mode::Pages)
        return !m_complete;
    return m_mode == Mode::Search
           && (m_shown < listSize() || (m_scanned >= 0 && m_scanned < m_search.size()));
}

void CompanyListModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || m_inserting)
        return;
    if (m_mode == Mode::Pages)
        appendRows(kBatch);
    else if (m_mode == Mode::Search)
        showThrough(m_shown + kBatch);
}

bool CompanyListModel::syncSearch(bool load)
{
    if (!m_searchEnabled || !m_database.isOpen())
        return false;
    if (!m_searchLoaded) {
        if (load && !m_load)
            loadSearch();
        return m_searchLoaded;
    }
    QVector<qint64> changed;
    if (m_changes.take(&changed) == ChangeLog::Outcome::Everything || changed.size() > kMostChanges
        || m_search.goneSlots() > std::max(kMostChanges, m_search.size() / 8)) {
        loadSearch();
        return m_searchLoaded;
    }
    return applyChanges(changed);
}

void CompanyListModel::loadSearch()
{
    m_searchLoaded = false;
    m_search.clear();
    // The log starts before the rows are read: a write of this connection
    // made meanwhile is in the log and is applied once they are in (again,
    // if the read saw it already); a commit of another connection makes the
    // log say Everything, and the rows are read anew.
    if (!m_changes.isRecording() && !m_changes.start(m_database, kTable)) {
        // Where writes cannot be followed, the list statement answers every filter.
        m_searchEnabled = ChangeLog::canRecord(m_database);
        return;
    }
    const QString file = m_database.databaseName();
    if (CompanySearchLoad::canRead(file)) {
        m_load = new CompanySearchLoad(file, m_database.connectOptions(), this);
        connect(m_load, &CompanySearchLoad::finished, this, &CompanyListModel::loadFinished);
        return;
    }
    // A database no second connection can open is read here.
    if (companyrows::readAll(m_database, [this](const companyrows::CompanyRow& row) {
            m_search.add(row);
            return true;
        })) {
        m_search.putInOrder();
        m_searchLoaded = true;
    } else {
        m_search.clear();
    }
}

void CompanyListModel::loadFinished()
{
    CompanySearchLoad* load = m_load;
    m_load = nullptr;
    m_searchLoaded = load->take(&m_search);
    load->deleteLater();
    if (m_searchLoaded)
        emit searchReady();
}

bool CompanyListModel::applyChanges(QVector<qint64> rowIds)
{
    if (rowIds.isEmpty())
        return true;
    std::sort(rowIds.begin(), rowIds.end());
    rowIds.erase(std::unique(rowIds.begin(), rowIds.end()), rowIds.end());
    QVector<companyrows::CompanyRow> rows;
    if (!companyrows::readSome(m_database, rowIds, &rows)) {
        loadSearch();
        return m_searchLoaded;
    }
    for (qint64 rowId : rowIds)
        m_search.remove(rowId);
    for (const companyrows::CompanyRow& row : rows)
        m_search.insert(row);
    return true;
}

void CompanyListModel::showThrough(int count)
{
    if (m_inserting)
        return;
    // Whole batches, as scrolling would have brought them.
    count = (std::min(count, INT_MAX - kBatch) + kBatch - 1) / kBatch * kBatch;
    scanThrough(count, INT_MAX);
    count = std::min(listSize(), count);
    if (count <= m_shown)
        return;
    m_inserting = true;
    beginInsertRows(QModelIndex(), m_shown, count - 1);
    m_shown = count;
    endInsertRows();
    m_inserting = false;
}

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

} // namespace

CompanyListModel::CompanyListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    // Rows the list statement's model reads later reach the view through this one.
    connect(&m_statement, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex&, int first, int last) {
                if (m_mode == Mode::Statement && !m_resetting) {
                    m_inserting = true;
                    beginInsertRows(QModelIndex(), first, last);
                }
            });
    connect(&m_statement, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_mode == Mode::Statement && !m_resetting) {
            endInsertRows();
            m_inserting = false;
        }
    });
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
    // The list statement run with no row wanted: a table that is gone or
    // changed is reported as the list itself would report it.
    const QString statement = records::companyListQuery(filter, sql::dialectOf(database));
    QSqlQuery probe(database);
    const bool searching = syncSearch(!filter.isEmpty()) && probe.exec(statement + QStringLiteral(" LIMIT 0"));
    probe.finish();
    if (searching) {
        m_mode = Mode::Search;
        m_statement.clear();
        findSearchRows(kBatch);
        m_shown = std::min(listSize(), kBatch);
    } else {
        m_mode = Mode::Statement;
        m_statement.setQuery(statement, database);
        m_error = m_statement.lastError();
    }
    m_resetting = false;
    endResetModel();
    return !m_error.isValid();
}

void CompanyListModel::clear()
{
    beginResetModel();
    m_mode = Mode::Cleared;
    m_statement.clear();
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
    if (m_mode == Mode::Search)
        refresh(m_filter, m_database);
    dropSearch();
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
    case Mode::Statement:
        return m_statement.rowCount();
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
    case Mode::Statement:
        return m_statement.columnCount();
    case Mode::Cleared:
        break;
    }
    return 0;
}

QVariant CompanyListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    if (m_mode == Mode::Statement)
        return m_statement.data(m_statement.index(index.row(), index.column()), role);
    if (m_mode != Mode::Search || index.row() >= m_shown || index.column() != 0)
        return QVariant();
    return m_search.shownText(rowIdAt(index.row()));
}

QVariant CompanyListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (m_mode == Mode::Statement)
        return m_statement.headerData(section, orientation, role);
    if (m_mode == Mode::Search && orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return QStringLiteral("Наименование");
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool CompanyListModel::canFetchMore(const QModelIndex& parent) const
{
    // Asked again while rows are being added (by a view answering the
    // notice of them), it would add the same rows twice.
    if (parent.isValid() || m_inserting)
        return false;
    if (m_mode == Mode::Statement)
        return m_statement.canFetchMore();
    return m_mode == Mode::Search
           && (m_shown < listSize() || (m_scanned >= 0 && m_scanned < m_search.size()));
}

void CompanyListModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || m_inserting)
        return;
    if (m_mode == Mode::Statement)
        m_statement.fetchMore();
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
    if (!m_searchLoaded)
        return;
    takeOverFromStatement();
    emit searchReady();
}

void CompanyListModel::takeOverFromStatement()
{
    // A list statement whose rows are not all read keeps its read of the
    // file open, and another program cannot commit to it meanwhile: the rows
    // shown are taken over by memory, in place, the view's selection and
    // scrolling kept. They are the same rows unless the organisations
    // changed in between, which then shows as changed rows, or as a list
    // shown anew where fewer are left than were shown.
    if (m_mode != Mode::Statement || !m_statement.canFetchMore() || !syncSearch(false))
        return;
    const int shown = m_statement.rowCount();
    m_resetting = true;
    m_statement.clear();
    m_resetting = false;
    m_mode = Mode::Search;
    m_shown = 0;
    findSearchRows(shown);
    if (listSize() < shown) {
        refresh(m_filter, m_database);
        return;
    }
    m_shown = shown;
    if (shown > 0)
        emit dataChanged(index(0, 0), index(shown - 1, 0), {Qt::DisplayRole});
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

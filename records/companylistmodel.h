#ifndef COMPANYLISTMODEL_H
#define COMPANYLISTMODEL_H

#include "db/changelog.h"
#include "records/companypages.h"
#include "records/companysearch.h"

class CompanySearchLoad;

#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>
#include <QTimer>
#include <QVector>

// The company list of the main window: one column "Наименование", the
// organisations whose search text holds the filter, in list order.
//
// The rows are read a page at a time by their sort key (companypages.h) as
// the view asks for more, each page a statement read to its end. A commit of
// another program to the file is noticed within half a second and the rows
// read so far are read again; a row that is still there keeps its selection,
// one deleted or renamed loses it.
//
// The in-memory search (CompanySearch) can still answer instead, switched on
// by setSearchEnabled() (off by default).
class CompanyListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit CompanyListModel(QObject* parent = nullptr);
    ~CompanyListModel() override;

    // Lists the organisations whose search text holds filter (all of them for
    // an empty one) from database. False when the database refused the list:
    // the list then has neither rows nor columns and lastError() tells why.
    bool refresh(const QString& filter, const QSqlDatabase& database);
    // No rows and no columns.
    void clear();
    QSqlError lastError() const { return m_error; }

    // Brings the organisations in memory up to date with the writes, or
    // starts reading them anew, for the refreshes after searchReady().
    void prepareSearch();
    // Whether the organisations in memory can answer the next refresh.
    bool isSearchReady() const { return m_searchLoaded; }
    // On: the organisations are read into memory and the filters answered there.
    void setSearchEnabled(bool enabled);
    // Whether the rows shown come from memory.
    bool isSearching() const { return m_mode == Mode::Search; }

    // Row of the first organisation shown as companyText, with every row up to
    // it available; -1 when it is not in the list, or when the rows shown do
    // not come from memory (the caller then reads the list up to it).
    int rowOf(const QString& companyText);
    // Reads the rows up to row at once, where the list is read by pages.
    void readThrough(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // The organisations have been read into memory.
    void searchReady();

private:
    enum class Mode { Cleared, Pages, Search };

    // Reads count more rows, before the view is told of a new list; false when the database refused.
    bool readMore(int count);
    // Reads count more rows and hands them to the view.
    void appendRows(int count);
    // Reads the rows shown again when another program has committed.
    void followCommits();
    // Shows texts instead of the rows: those still there keep their place in the selection.
    void replaceRows(const QStringList& texts);

    // Brings the organisations in memory up to date; false when they cannot be used.
    bool syncSearch(bool load);
    // Starts reading the organisations anew; the log of changes starts first.
    void loadSearch();
    void loadFinished();
    void dropSearch();
    bool applyChanges(QVector<qint64> rowIds);
    void showThrough(int count);
    // The rows of the list shown from memory, fetched or not.
    int listSize() const;
    // The rows of the filter from memory, at least count of them found where there are so many.
    void findSearchRows(int count);
    // Where the filter is answered by going down the list: finds more rows,
    // until count are found or the list position end is passed.
    void scanThrough(int count, int end);
    qint64 rowIdAt(int row) const;

    QSqlDatabase m_database;
    QStringList m_texts;           // the rows read, in Pages mode
    records::CompanyPageKey m_next; // where the next page starts
    bool m_complete = true;
    qint64 m_commits = -1;          // foreignCommitCount() when the rows were read
    QTimer m_watch;
    records::CompanySearch m_search;
    ChangeLog m_changes;
    CompanySearchLoad* m_load = nullptr;
    Mode m_mode = Mode::Cleared;
    bool m_searchEnabled = false;
    bool m_searchLoaded = false;
    bool m_resetting = false;
    bool m_inserting = false; // between beginInsertRows() and endInsertRows()
    QString m_filter;
    QVector<qint64> m_rowIds; // the filtered list, by row id
    bool m_all = false;       // no filter: the search's whole order instead of m_rowIds
    QString m_lowerFilter;
    int m_scanned = -1;       // list position the rows were looked for up to; -1: all found at once
    int m_shown = 0;          // rows of m_rowIds given to the view so far
    QSqlError m_error;
};

#endif // COMPANYLISTMODEL_H

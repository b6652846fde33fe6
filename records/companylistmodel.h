#ifndef COMPANYLISTMODEL_H
#define COMPANYLISTMODEL_H

#include "records/companypages.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>
#include <QTimer>

// The company list of the main window: one column "Наименование", the
// organisations whose search text holds the filter, in list order.
//
// The rows are read in blocks of 256 by their sort key (companypages.h),
// each block a statement read to its end, so the list never keeps another
// program from committing. The list grows a block at a time as the view asks
// for more. Where a row far down the whole list is wanted (an organisation
// selected again), the list is counted and its blocks are read as the view
// shows them: the last of 100,000 as well is reached at the cost of a block.
// A filtered list is not counted: that would read every name.
//
// A filter typed on from one whose whole list is shown (a block or less),
// with nothing committed since it was read, is answered from the rows shown:
// their search texts are read with them.
//
// A commit of another program to the file is noticed within half a second
// and the blocks shown are read again: a row still there keeps its place in
// the selection, one deleted or renamed leaves it.
class CompanyListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit CompanyListModel(QObject* parent = nullptr);

    // Lists the organisations whose search text holds filter (all of them for
    // an empty one) from database. False when the database refused the list:
    // the list then has neither rows nor columns and lastError() tells why.
    bool refresh(const QString& filter, const QSqlDatabase& database);
    // No rows and no columns.
    void clear();
    QSqlError lastError() const { return m_error; }

    // Makes row reachable at once where the whole list is shown: the list is
    // counted, and only the blocks shown are read. Other lists are left as
    // they are (their rows are fetched up to it).
    void reachRow(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    // Blocks of rows read, by block number, and where the block after each starts.
    struct Blocks
    {
        QHash<int, QStringList> texts;
        QHash<int, QStringList> names; // the rows' search texts, where read with them
        QHash<int, records::CompanyPageKey> ends;
        int total = -1; // rows of the whole list, where it was counted
    };

    // Shows the rows of a filter that lengthens the one shown from the rows
    // shown, where they are the whole list and nothing was committed since
    // they were read; false when they cannot tell.
    bool narrowTo(const QString& filter, const QSqlDatabase& database);
    // Reads block into blocks; false when the database refused.
    bool readBlock(Blocks* blocks, int block) const;
    // The text of row, its block read into blocks first where it is not; empty when it cannot be read.
    QString textIn(Blocks* blocks, int row) const;
    // The number of rows: the whole list counted, or the blocks 0..lastBlock
    // of a filtered one read into blocks; false with *error set when the database refused.
    bool countRows(Blocks* blocks, int lastBlock, int* count, bool* complete, QSqlError* error) const;
    // Row nearest to row that shows text among the first count of blocks; -1 when none near it does.
    int nearestRow(Blocks* blocks, int count, const QString& text, int row) const;
    // Reads the rows shown again when another program has committed.
    void followCommits();
    // Shows fresh and count instead: the rows still there keep their place in the selection.
    void replaceRows(Blocks* fresh, int count);

    QSqlDatabase m_database;
    QString m_filter;
    bool m_listed = false;   // refreshed without an error since the last clear()
    bool m_counted = false;  // the whole list counted by reachRow()
    int m_count = 0;         // rows the view knows
    bool m_complete = true;  // a filtered list read to its end
    bool m_inserting = false; // between beginInsertRows() and endInsertRows()
    mutable Blocks m_blocks; // read as the view asks for rows
    qint64 m_commits = -1;   // foreignCommitCount() when the rows were counted
    qint64 m_changes = -1;   // ownChangeCount() then
    QTimer m_watch;
    QSqlError m_error;
};

#endif // COMPANYLISTMODEL_H

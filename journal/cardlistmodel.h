#ifndef CARDLISTMODEL_H
#define CARDLISTMODEL_H

#include "journal/cardregister.h"

#include <QAbstractTableModel>
#include <QVector>

// The register rows that match a filter, newest first, read a page at a time
// as the view scrolls. Every page is read to its end, so an open window never
// holds a lock that would keep another program from recording a print.
class CardListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit CardListModel(const QSqlDatabase& database, QObject* parent = nullptr);

    // Shows the first page of the rows matching the filter; false with the
    // reason in *error when the register cannot be read.
    bool setFilter(const journal::Filter& filter, QString* error);
    const journal::Filter& filter() const { return m_filter; }
    // Every row that matches the filter, not only those read so far.
    bool allRows(QVector<journal::CardRow>* rows, QString* error);
    const journal::CardRow* rowAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    journal::CardRegister m_register;
    journal::Filter m_filter;
    QVector<journal::CardRow> m_rows;
    bool m_complete = true;
};

#endif // CARDLISTMODEL_H

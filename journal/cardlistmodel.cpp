#include "journal/cardlistmodel.h"

#include "journal/csvexport.h"

namespace {

// Rows read at a time: a few screens' worth. A filter that few rows match
// reads on until it has found this many, so the page is kept small.
const int kPage = 100;
const int kColumns = 13;

} // namespace

CardListModel::CardListModel(const QSqlDatabase& database, QObject* parent)
    : QAbstractTableModel(parent)
    , m_register(database)
{
}

bool CardListModel::setFilter(const journal::Filter& filter, QString* error)
{
    QVector<journal::CardRow> rows;
    const bool ok = m_register.list(filter, 0, kPage, &rows, error);
    beginResetModel();
    m_filter = filter;
    m_rows = rows;
    m_complete = !ok || rows.size() < kPage;
    endResetModel();
    return ok;
}

bool CardListModel::allRows(QVector<journal::CardRow>* rows, QString* error)
{
    return m_register.list(m_filter, 0, -1, rows, error);
}

const journal::CardRow* CardListModel::rowAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? &m_rows.at(row) : nullptr;
}

int CardListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int CardListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant CardListModel::data(const QModelIndex& index, int role) const
{
    const journal::CardRow* row = rowAt(index.row());
    if (!row || index.column() < 0 || index.column() >= kColumns)
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        if (index.column() == 11) {
            if (row->status == QLatin1String(journal::kSent))
                return QStringLiteral("отправлена");
            return row->status == QLatin1String(journal::kSpoiled) ? QStringLiteral("испорчена")
                                                                   : QStringLiteral("выдана");
        }
        return row->values().at(index.column());
    }
    return QVariant();
}

QVariant CardListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return journal::csvHeader().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool CardListModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_complete;
}

void CardListModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || m_complete || m_rows.isEmpty())
        return;
    QVector<journal::CardRow> rows;
    QString error;
    if (!m_register.list(m_filter, m_rows.constLast().number, kPage, &rows, &error) || rows.isEmpty()) {
        m_complete = true;
        return;
    }
    beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size() + rows.size() - 1);
    m_rows += rows;
    endInsertRows();
    m_complete = rows.size() < kPage;
}

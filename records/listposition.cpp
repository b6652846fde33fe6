#include "records/listposition.h"

#include "records/companylistmodel.h"
#include "records/recordtexts.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QEvent>
#include <QItemSelectionModel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QVariant>

#include <limits>

namespace records {

namespace {

bool rowShows(const QAbstractItemModel* model, int row, const QStringList& texts)
{
    for (int column = 0; column < texts.size(); ++column) {
        if (model->index(row, column).data().toString() != texts.at(column))
            return false;
    }
    return true;
}

// First row in [first, end) showing texts, fetching rows as needed; -1 when none.
int findRow(QAbstractItemModel* model, const QStringList& texts, int first, int end)
{
    for (int row = first; row < end && fetchThrough(model, row); ++row) {
        if (rowShows(model, row, texts))
            return row;
    }
    return -1;
}

// The two numbers of a position query; false when it failed.
bool positionCounts(const QSqlDatabase& database, const QString& statement, QVariant* first, QVariant* second)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(statement) || !query.next())
        return false;
    *first = query.value(0);
    *second = query.value(1);
    return true;
}

} // namespace

bool fetchThrough(QAbstractItemModel* model, int row)
{
    if (auto* list = qobject_cast<CompanyListModel*>(model))
        list->reachRow(row);
    while (model->rowCount() <= row) {
        const int before = model->rowCount();
        if (!model->canFetchMore(QModelIndex()))
            return false;
        model->fetchMore(QModelIndex());
        if (model->rowCount() == before)
            return false;
    }
    return true;
}

bool selectShownRow(QTableView* view, const QStringList& texts, const RowSpan& span)
{
    QAbstractItemModel* model = view ? view->model() : nullptr;
    if (!model || !view->selectionModel() || texts.isEmpty())
        return false;
    // Lay the view out for the rows it has now, scroll bars included (a
    // re-queried list is pending): were the scroll bar to appear only after
    // thousands of rows were fetched, the viewport would narrow then, and a
    // view that fits all its rows on a resize would fit every one of them.
    view->doItemsLayout();
    QEvent layout(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(view, &layout);

    int row = findRow(model, texts, span.first, span.end);
    if (row < 0)
        row = findRow(model, texts, 0, std::numeric_limits<int>::max());
    if (row < 0)
        return false;
    const QModelIndex index = model->index(row, 0);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
    return true;
}

bool selectCompanyRow(QTableView* view, const QSqlDatabase& database, const QString& companyText)
{
    QVariant sortText;
    QVariant before;
    if (!positionCounts(database, companyPositionQuery(companyText), &sortText, &before) || sortText.isNull())
        return false;
    const int first = before.toInt();
    return selectShownRow(view, {companyText}, {first, first + 1});
}

bool selectPersonRow(QTableView* view, const QSqlDatabase& database, const QString& companyText,
                     const QStringList& personTexts)
{
    QVariant before;
    QVariant through;
    if (personTexts.isEmpty()
        || !positionCounts(database, personPositionQuery(companyText, personTexts.first()), &before, &through)
        || before.toInt() >= through.toInt()) {
        return false;
    }
    return selectShownRow(view, personTexts, {before.toInt(), through.toInt()});
}

} // namespace records

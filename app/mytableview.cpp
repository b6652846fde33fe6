#include "mytableview.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScrollBar>

namespace {

// Rows fitted below the bottom of the view as well: a key press or a turn of
// the wheel then brings rows into view that already have their height.
constexpr int kSpareRows = 3;

} // namespace

MyTableView::MyTableView(QWidget* parent)
    : QTableView(parent)
{
    // Tab and Shift+Tab leave the list: walking its rows would load each
    // record in turn and never let the focus out.
    setTabKeyNavigation(false);
}

void MyTableView::setModel(QAbstractItemModel* model)
{
    disconnect(m_aboutToInsert);
    if (model) {
        m_aboutToInsert = connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this,
                                  [this](const QModelIndex& parent) {
                                      const bool root = parent == rootIndex();
                                      m_countBeforeInsert = root ? verticalHeader()->count() : -1;
                                      m_lengthBeforeInsert = root ? verticalHeader()->length() : -1;
                                  });
    }
    QTableView::setModel(model);
    fitVisibleRows();
}

void MyTableView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (index.isValid() && index.model() == model()) {
        const int row = index.row();
        const int top = rowViewportPosition(row);
        const int height = viewport()->height();
        const bool inView = top >= 0 && top + rowHeight(row) <= height;
        const int visual = verticalHeader()->visualIndex(row);
        // A row in full view is left where it is; any other position is
        // counted from the heights of the rows that will share the screen.
        if (visual >= 0 && (hint != EnsureVisible || !inView)) {
            const int length = verticalHeader()->length();
            fitRowsFrom(visual, -1, height, 0);
            fitRowsFrom(visual + 1, 1, height, kSpareRows);
            // The scroll range would follow the new heights only later, and
            // the last rows could not be scrolled into view until then.
            if (verticalHeader()->length() != length)
                updateGeometries();
        }
    }
    QTableView::scrollTo(index, hint);
}

void MyTableView::fitVisibleRows()
{
    const QHeaderView* rows = verticalHeader();
    const int top = rows->visualIndexAt(0);
    if (top < 0)
        return;
    // The top row may be partly scrolled out of view.
    const int above = -rows->sectionViewportPosition(rows->logicalIndex(top));
    fitRowsFrom(top, 1, viewport()->height() + qMax(0, above), kSpareRows);
}

void MyTableView::reset()
{
    QTableView::reset();
    // A hidden view is fitted by the resize event of its first show, for the
    // size it is shown at.
    if (isVisible())
        fitVisibleRows();
}

void MyTableView::keyPressEvent(QKeyEvent* event)
{
    const QItemSelectionModel* selection = selectionModel();
    const QModelIndexList before = selection ? selection->selectedRows() : QModelIndexList();
    QTableView::keyPressEvent(event);
    selection = selectionModel();
    if (!selection)
        return;
    const QModelIndexList after = selection->selectedRows();
    if (!after.isEmpty() && after != before)
        emit rowSelectedByKey(after.first());
}

void MyTableView::resizeEvent(QResizeEvent* event)
{
    // The base class lays out the headers first, so that stretched columns have
    // their new widths; rows fitted before that would suit the previous width.
    QTableView::resizeEvent(event);
    fitVisibleRows();
}

void MyTableView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    if (dy == 0)
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() > 0 && bar->value() == bar->maximum();
    const int length = verticalHeader()->length();
    fitVisibleRows();
    // Scrolled to the end, the list shows its last row: the scroll range
    // would follow the grown rows only later, leaving the last ones below.
    if (atEnd && verticalHeader()->length() != length) {
        updateGeometries();
        bar->setValue(bar->maximum());
    }
}

void MyTableView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QTableView::rowsInserted(parent, start, end);
    if (parent == rootIndex() && !addedBelowView(start, end))
        fitVisibleRows();
}

bool MyTableView::addedBelowView(int start, int end) const
{
    // Worked out from lengths: a row's position is counted anew over all rows
    // before it after every change, and a list fetches its rows in hundreds of
    // batches.
    const QHeaderView* rows = verticalHeader();
    if (end != rows->count() - 1 || rows->sectionsMoved())
        return false;
    // The length before the rows came, noted then: a hundred thousand rows
    // brought at once to reach the last one are not summed.
    if (start == m_countBeforeInsert && m_lengthBeforeInsert >= 0)
        return m_lengthBeforeInsert - rows->offset() >= viewport()->height();
    int added = 0;
    for (int row = start; row <= end; ++row)
        added += rows->sectionSize(row);
    return rows->length() - added - rows->offset() >= viewport()->height();
}

void MyTableView::fitRowsFrom(int first, int step, int height, int spare)
{
    const QHeaderView* rows = verticalHeader();
    int covered = 0;
    for (int visual = first; visual >= 0 && visual < rows->count(); visual += step) {
        if (covered >= height && spare-- <= 0)
            break;
        const int row = rows->logicalIndex(visual);
        if (rows->isSectionHidden(row))
            continue;
        resizeRowToContents(row);
        covered += rowHeight(row);
    }
}

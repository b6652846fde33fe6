#include "mytableview.h"

#include <QResizeEvent>

MyTableView::MyTableView(QWidget* parent)
    : QTableView(parent)
{
}

void MyTableView::resizeEvent(QResizeEvent* event)
{
    // The base class lays out the headers first, so that stretched columns have
    // their new widths; rows fitted before that would suit the previous width.
    QTableView::resizeEvent(event);
    resizeRowsToContents();
}

#include "mytableview.h"

#include <QResizeEvent>

MyTableView::MyTableView(QWidget* parent)
    : QTableView(parent)
{
}

void MyTableView::resizeEvent(QResizeEvent* event)
{
    resizeRowsToContents();
    QTableView::resizeEvent(event);
}

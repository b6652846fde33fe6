#ifndef MYTABLEVIEW_H
#define MYTABLEVIEW_H

#include <QTableView>

class QResizeEvent;

// Table view of the record lists: re-fits the row heights whenever its width
// changes, so that long wrapped texts keep showing in full.
class MyTableView : public QTableView
{
    Q_OBJECT

public:
    explicit MyTableView(QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;
};

#endif // MYTABLEVIEW_H

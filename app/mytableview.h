#ifndef MYTABLEVIEW_H
#define MYTABLEVIEW_H

#include <QTableView>

class QKeyEvent;
class QResizeEvent;

// Table view of the record lists: keeps the rows on screen as tall as their
// wrapped texts need for the current column widths. Only the rows in view (and
// a few beyond) are fitted, when the view is resized or scrolled and when rows
// arrive, so that a list of a hundred thousand fetched rows costs no more to
// resize than a short one; rows out of view are fitted when they come into it.
class MyTableView : public QTableView
{
    Q_OBJECT

public:
    explicit MyTableView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    // Fits the rows around the target first, so that the scroll position is
    // worked out from the heights the rows will have on screen.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    // Fits the height of every row that is in view, and of a few below it.
    void fitVisibleRows();

public slots:
    void reset() override;

signals:
    // The selected row changed through the keyboard (arrow keys, Space,
    // typing the start of a text): the counterpart of a click on it.
    void rowSelectedByKey(const QModelIndex& index);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

protected slots:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;

private:
    // Whether rows start to end, just added, are the last ones and lie below the view.
    bool addedBelowView(int start, int end) const;
    // Fits rows from the visual position first on, upwards (step -1) or
    // downwards (step 1), until they cover height pixels and then spare more.
    void fitRowsFrom(int first, int step, int height, int spare);

    QMetaObject::Connection m_aboutToInsert;
    // Rows and their length in pixels just before rows are added.
    int m_countBeforeInsert = -1;
    int m_lengthBeforeInsert = -1;
};

#endif // MYTABLEVIEW_H

#include "app/mytableview.h"

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <QtTest>

namespace {

constexpr int kLongList = 20000;

// Counts how many cells the view measures: the work of fitting row heights.
class CountingDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    mutable int calls = 0;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        ++calls;
        return QStyledItemDelegate::sizeHint(option, index);
    }
};

// Every third organisation has a name that wraps onto several lines in a
// narrow list, so that fitted rows differ from the default height.
QStringList companyTexts(int count)
{
    QStringList texts;
    texts.reserve(count);
    for (int i = 0; i < count; ++i) {
        texts << (i % 3 == 0 ? QStringLiteral("ООО Частная охранная организация «Щит и меч» № %1").arg(i)
                             : QStringLiteral("АО Щит %1").arg(i));
    }
    return texts;
}

// A list that hands out its rows in batches, as a query model does.
class BatchModel : public QAbstractListModel
{
public:
    explicit BatchModel(const QStringList& texts)
        : m_texts(texts)
    {
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_fetched;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(m_texts.at(index.row())) : QVariant();
    }

    bool canFetchMore(const QModelIndex& parent) const override
    {
        return !parent.isValid() && m_fetched < m_texts.size();
    }

    void fetchMore(const QModelIndex& parent) override
    {
        if (!canFetchMore(parent))
            return;
        const int more = qMin(256, m_texts.size() - m_fetched);
        beginInsertRows(QModelIndex(), m_fetched, m_fetched + more - 1);
        m_fetched += more;
        endInsertRows();
    }

private:
    QStringList m_texts;
    int m_fetched = 0;
};

// The list with its measure of a row's contents in reach.
class ProbeView : public MyTableView
{
public:
    using MyTableView::sizeHintForRow;
};

// The height that fitting a row to its contents gives it.
int fittedHeight(ProbeView& view, int row)
{
    return qMax(view.sizeHintForRow(row), view.verticalHeader()->sectionSizeHint(row));
}

// Rows in view whose height is not the fitted one, as "row: height, fitted".
QStringList unfittedRowsInView(ProbeView& view)
{
    QStringList wrong;
    const int first = view.rowAt(0);
    int last = view.rowAt(view.viewport()->height() - 1);
    if (last < 0)
        last = view.model()->rowCount() - 1;
    for (int row = qMax(0, first); row <= last; ++row) {
        if (view.rowHeight(row) != fittedHeight(view, row))
            wrong << QStringLiteral("%1: %2, %3").arg(row).arg(view.rowHeight(row)).arg(fittedHeight(view, row));
    }
    return wrong;
}

// The number of rows in view that wrap: taller than a one-line row.
int tallRowsInView(ProbeView& view, int oneLine)
{
    int tall = 0;
    const int last = view.rowAt(view.viewport()->height() - 1);
    for (int row = qMax(0, view.rowAt(0)); row <= last; ++row) {
        if (view.rowHeight(row) > oneLine)
            ++tall;
    }
    return tall;
}

void setUp(ProbeView& view, QAbstractItemModel* model)
{
    view.setModel(model);
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    view.horizontalHeader()->hide();
    view.verticalHeader()->hide();
    view.resize(260, 400);
    view.show();
}

} // namespace

class TestMyTableView : public QObject
{
    Q_OBJECT

private slots:
    void resizingLongListMeasuresOnlyRowsInView();
    void rowsComingIntoViewAreFitted_data();
    void rowsComingIntoViewAreFitted();
    void fetchedBatchesAreFittedWhenScrolledTo();
    void rowsInsertedInViewAreFitted();
    void fetchingCostsWhatItCostsAPlainList();
    void newListIsFitted();
    void rowScrolledToStaysInFullView_data();
    void rowScrolledToStaysInFullView();
};

// Fitting every row of a long list made each resize of the window take
// seconds; the rows out of view are measured when they come into view.
void TestMyTableView::resizingLongListMeasuresOnlyRowsInView()
{
    QStringListModel model(companyTexts(kLongList));
    ProbeView view;
    auto* delegate = new CountingDelegate(&view);
    view.setItemDelegate(delegate);
    setUp(view, &model);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const int oneLine = fittedHeight(view, 1);

    const int widths[] = {600, 200, 900, 260, 180, 400};
    for (const int width : widths) {
        delegate->calls = 0;
        view.resize(width, 400);
        QCoreApplication::processEvents();
        QVERIFY2(delegate->calls < 200, qPrintable(QString::number(delegate->calls)));
        QVERIFY2(unfittedRowsInView(view).isEmpty(), qPrintable(unfittedRowsInView(view).join("; ")));
    }
    // At 400 pixels the long names take two lines; at 180 more.
    QVERIFY(tallRowsInView(view, oneLine) > 0);
}

void TestMyTableView::rowsComingIntoViewAreFitted_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("scroll bar dragged") << "bar";
    QTest::newRow("scrolled to the end") << "end";
    QTest::newRow("scrolled to a row") << "row";
    QTest::newRow("pixel scrolling") << "pixel";
    QTest::newRow("Ctrl+End") << "key";
}

void TestMyTableView::rowsComingIntoViewAreFitted()
{
    QFETCH(QString, how);
    QStringListModel model(companyTexts(kLongList));
    ProbeView view;
    setUp(view, &model);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // Narrowed at the top: the rows further down kept the wide list's height.
    view.resize(800, 400);
    QCoreApplication::processEvents();
    view.resize(180, 400);
    QCoreApplication::processEvents();
    const int oneLine = fittedHeight(view, 1);

    if (how == "bar") {
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    } else if (how == "end") {
        view.scrollToBottom();
    } else if (how == "row") {
        view.scrollTo(model.index(12345, 0), QAbstractItemView::PositionAtTop);
    } else if (how == "pixel") {
        view.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 3 + 7);
    } else {
        view.setFocus();
        view.setCurrentIndex(model.index(0, 0));
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    }
    QCoreApplication::processEvents();
    QVERIFY(view.rowAt(0) > 1000);
    QVERIFY2(unfittedRowsInView(view).isEmpty(), qPrintable(unfittedRowsInView(view).join("; ")));
    QVERIFY(tallRowsInView(view, oneLine) > 0);
    if (how == "end" || how == "key") {
        const QRect last = view.visualRect(model.index(kLongList - 1, 0));
        QVERIFY2(view.viewport()->rect().contains(last), qPrintable(QString::number(last.bottom())));
    }
}

void TestMyTableView::fetchedBatchesAreFittedWhenScrolledTo()
{
    BatchModel model(companyTexts(3000));
    ProbeView view;
    auto* delegate = new CountingDelegate(&view);
    view.setItemDelegate(delegate);
    setUp(view, &model);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // Fetching thousands of rows below the screen measures none of them.
    if (model.rowCount() == 0)
        model.fetchMore(QModelIndex());
    delegate->calls = 0;
    while (model.canFetchMore(QModelIndex()))
        model.fetchMore(QModelIndex());
    QCOMPARE(delegate->calls, 0);

    view.scrollToBottom();
    QCoreApplication::processEvents();
    QCOMPARE(model.rowCount(), 3000);
    QVERIFY(view.rowAt(0) > 2900);
    QVERIFY2(unfittedRowsInView(view).isEmpty(), qPrintable(unfittedRowsInView(view).join("; ")));
}

// Milliseconds that fetching every batch of a long list takes while view shows it.
qint64 fetchAllMs(QTableView& view)
{
    BatchModel model(companyTexts(300000));
    view.setModel(&model);
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    view.resize(260, 400);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return -1;
    QElapsedTimer timer;
    timer.start();
    while (model.canFetchMore(QModelIndex()))
        model.fetchMore(QModelIndex());
    const qint64 ms = timer.elapsed();
    view.setModel(nullptr);
    return ms;
}

// Reaching an organisation at the end of the list fetches hundreds of
// batches; the list must not spend time over all rows for each of them.
void TestMyTableView::fetchingCostsWhatItCostsAPlainList()
{
    // The best of three runs each, so that a busy machine does not decide.
    qint64 plainMs = -1;
    qint64 viewMs = -1;
    for (int run = 0; run < 3; ++run) {
        QTableView plain;
        MyTableView view;
        const qint64 plainRun = fetchAllMs(plain);
        const qint64 viewRun = fetchAllMs(view);
        QVERIFY(plainRun >= 0 && viewRun >= 0);
        plainMs = plainMs < 0 ? plainRun : qMin(plainMs, plainRun);
        viewMs = viewMs < 0 ? viewRun : qMin(viewMs, viewRun);
    }
    QVERIFY2(viewMs <= 4 * plainMs + 100, qPrintable(QStringLiteral("%1 ms, plain %2 ms").arg(viewMs).arg(plainMs)));
}

void TestMyTableView::rowsInsertedInViewAreFitted()
{
    QStandardItemModel model;
    model.appendRow(new QStandardItem("АО Щит"));
    ProbeView view;
    setUp(view, &model);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // Rows added below the last one while the list is short, then above the
    // first once the list is full.
    const QStringList texts = companyTexts(40);
    for (const QString& text : texts)
        model.appendRow(new QStandardItem(text));
    QVERIFY2(unfittedRowsInView(view).isEmpty(), qPrintable(unfittedRowsInView(view).join("; ")));
    model.insertRow(0, new QStandardItem(texts.first()));
    QVERIFY2(unfittedRowsInView(view).isEmpty(), qPrintable(unfittedRowsInView(view).join("; ")));
    QVERIFY(view.rowHeight(0) > view.rowHeight(1));
}

void TestMyTableView::newListIsFitted()
{
    QStringListModel model(QStringList{"АО Щит"});
    ProbeView view;
    setUp(view, &model);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const int oneLine = fittedHeight(view, 0);
    model.setStringList(companyTexts(kLongList));
    QVERIFY2(unfittedRowsInView(view).isEmpty(), qPrintable(unfittedRowsInView(view).join("; ")));
    QVERIFY(tallRowsInView(view, oneLine) > 0);

    QStringListModel other(companyTexts(50));
    view.setModel(&other);
    QVERIFY2(unfittedRowsInView(view).isEmpty(), qPrintable(unfittedRowsInView(view).join("; ")));
}

void TestMyTableView::rowScrolledToStaysInFullView_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("hint");
    QTest::newRow("last row") << kLongList - 1 << int(QAbstractItemView::EnsureVisible);
    QTest::newRow("row far below") << 15001 << int(QAbstractItemView::EnsureVisible);
    QTest::newRow("centred") << 9000 << int(QAbstractItemView::PositionAtCenter);
    QTest::newRow("at the bottom") << 6000 << int(QAbstractItemView::PositionAtBottom);
}

// The scroll position is worked out from row heights, so the rows that come
// into view have to be fitted before it, or the wrapped ones push the row
// looked for out of the list.
void TestMyTableView::rowScrolledToStaysInFullView()
{
    QFETCH(int, row);
    QFETCH(int, hint);
    QStringList texts = companyTexts(kLongList);
    for (int i = 0; i < texts.size(); i += 3)
        texts[i] += QStringLiteral(" и партнёры по охране имущества");
    QStringListModel model(texts);
    ProbeView view;
    setUp(view, &model);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QModelIndex index = model.index(row, 0);
    view.scrollTo(index, QAbstractItemView::ScrollHint(hint));
    QCoreApplication::processEvents();
    QVERIFY2(view.viewport()->rect().contains(view.visualRect(index)),
             qPrintable(QStringLiteral("row at %1..%2, view %3 high")
                            .arg(view.visualRect(index).top())
                            .arg(view.visualRect(index).bottom())
                            .arg(view.viewport()->height())));
    QVERIFY2(unfittedRowsInView(view).isEmpty(), qPrintable(unfittedRowsInView(view).join("; ")));
}

QTEST_MAIN(TestMyTableView)
#include "tst_mytableview.moc"

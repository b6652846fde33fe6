#include "app/mytableview.h"
#include "app/security.h"
#include "card/cardlayout.h"
#include "card/layoutparams.h"
#include "support/testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateEdit>
#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStandardItemModel>
#include <QtTest>

namespace {

// The widget that holds the focus, or the named widget that it is a part of
// (a date edit keeps the focus in its inner line edit).
QString focusOwner()
{
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
        if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
            return w->objectName();
    }
    return QString();
}

QString itemName(QLayoutItem* item)
{
    if (item->widget())
        return item->widget()->objectName();
    if (item->layout())
        return item->layout()->objectName();
    return item->spacerItem() ? QStringLiteral("(spacer)") : QString();
}

QStringList itemNames(const QLayout* layout)
{
    QStringList names;
    for (int i = 0; i < layout->count(); ++i)
        names << itemName(layout->itemAt(i));
    return names;
}

} // namespace

// The main window's form as built by setupUi, and the list view class.
class TestMainForm : public QObject
{
    Q_OBJECT

private slots:
    void freshWindowSizeAndTitle();
    void widgetClasses_data();
    void widgetClasses();
    void windowLayoutOrder_data();
    void windowLayoutOrder();
    void recordGridPlaces_data();
    void recordGridPlaces();
    void splitterPanes();
    void textsAndToolTips_data();
    void textsAndToolTips();
    void labelFonts_data();
    void labelFonts();
    void sizeLimits_data();
    void sizeLimits();
    void titleLabelsWrapAndMargins();
    void dateEditShowsDayMonthYear();
    void logoIsCompiledIn();
    void listSettings_data();
    void listSettings();
    void tabWalksTheChain();
    void connectionsAreMadeOnce_data();
    void connectionsAreMadeOnce();
    void dateEditHasNoConnection();
    void narrowingListRefitsRowsAtOnce();
    void deliveredLayoutFitsBlankAndPreview();
    void deliveredLayoutRoundTrips();
    void deliveredFontProvidesFamily();
};

void TestMainForm::freshWindowSizeAndTitle()
{
    Security w;
    QCOMPARE(w.objectName(), QString("Security"));
    QCOMPARE(w.size(), QSize(709, 682));
    QCOMPARE(w.windowTitle(), QString("Security"));
}

void TestMainForm::widgetClasses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    const QStringList buttons{"buttonSave", "buttonUpdate", "buttonClear",         "buttonParams",
                              "buttonView", "buttonPrint",  "buttonDeleteCompany", "buttonDeletePerson"};
    for (const QString& name : buttons)
        QTest::newRow(qPrintable(name)) << name << "QPushButton";
    const QStringList edits{"lineEditSurname",      "lineEditName",          "lineEditPatron", "lineEditForm",
                            "lineEditComp",         "lineEditDirPost",       "lineEditDir",    "lineEditCompanyFilter",
                            "lineEditSunameFilter", "lineEditDirectorFilter"};
    for (const QString& name : edits)
        QTest::newRow(qPrintable(name)) << name << "QLineEdit";
    const QStringList labels{"labelSurnameTitle",
                             "labelCompanyFormTitle",
                             "labelDirectorTitle",
                             "labelDateTitle",
                             "labelCompsTitle",
                             "labelCompFilterTitle",
                             "labelPersTitle",
                             "labelSurnameFilterTitle",
                             "labelDIrectorFilterTitle",
                             "labelLogo",
                             "labelPromo"};
    for (const QString& name : labels)
        QTest::newRow(qPrintable(name)) << name << "QLabel";
    for (const char* name : {"line", "line_2", "line_3", "line_4", "line_5"})
        QTest::newRow(name) << name << "QFrame";
    QTest::newRow("lineEditDate") << "lineEditDate"
                                  << "QDateEdit";
    QTest::newRow("tableViewCompanies") << "tableViewCompanies"
                                        << "MyTableView";
    QTest::newRow("tableViewPersonal") << "tableViewPersonal"
                                       << "MyTableView";
    QTest::newRow("splitter") << "splitter"
                              << "QSplitter";
    QTest::newRow("layoutWidget") << "layoutWidget"
                                  << "QWidget";
    QTest::newRow("layoutWidget1") << "layoutWidget1"
                                   << "QWidget";
}

void TestMainForm::widgetClasses()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    Security w;
    const QList<QWidget*> found = w.findChildren<QWidget*>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString(found.first()->metaObject()->className()), className);
    if (className == "QFrame") {
        auto* line = static_cast<QFrame*>(found.first());
        QCOMPARE(line->frameShape(), QFrame::HLine);
        QCOMPARE(line->frameShadow(), QFrame::Sunken);
    }
}

void TestMainForm::windowLayoutOrder_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("window") << "verticalLayout_3" << QStringList{"horizontalLayout",   "gridLayout", "line",
                                                                 "horizontalLayout_2", "line_2",     "splitter",
                                                                 "horizontalLayout_3", "labelStatus"};
    QTest::newRow("record buttons") << "horizontalLayout"
                                    << QStringList{"buttonSave", "buttonUpdate", "buttonClear", "buttonImport",
                                                   "(spacer)"};
    QTest::newRow("card buttons") << "horizontalLayout_2"
                                  << QStringList{"buttonParams", "buttonView", "buttonPrint", "buttonJournal", "buttonBatch",
                                                 "(spacer)"};
    QTest::newRow("logo row") << "horizontalLayout_3" << QStringList{"labelLogo", "labelPromo"};
    QTest::newRow("company pane") << "verticalLayout"
                                  << QStringList{"labelCompsTitle", "horizontalLayout_4", "tableViewCompanies"};
    QTest::newRow("company filter") << "horizontalLayout_4"
                                    << QStringList{"labelCompFilterTitle", "lineEditCompanyFilter",
                                                   "buttonDeleteCompany"};
    QTest::newRow("personnel pane") << "verticalLayout_2"
                                    << QStringList{"labelPersTitle", "horizontalLayout_5", "tableViewPersonal"};
    QTest::newRow("personnel filters") << "horizontalLayout_5"
                                       << QStringList{"labelSurnameFilterTitle", "lineEditSunameFilter",
                                                      "labelDIrectorFilterTitle", "lineEditDirectorFilter",
                                                      "buttonDeletePerson"};
}

void TestMainForm::windowLayoutOrder()
{
    QFETCH(QString, layout);
    QFETCH(QStringList, items);
    Security w;
    auto* found = w.findChild<QLayout*>(layout);
    QVERIFY2(found, qPrintable(layout));
    QCOMPARE(itemNames(found), items);
    for (int i = 0; i < found->count(); ++i) {
        QCOMPARE(found->itemAt(i)->alignment(), Qt::Alignment());
        if (auto* box = qobject_cast<QBoxLayout*>(found))
            QCOMPARE(box->stretch(i), 0);
    }
    if (layout == "horizontalLayout" || layout == "horizontalLayout_2") {
        QSpacerItem* spacer = found->itemAt(found->count() - 1)->spacerItem();
        QVERIFY(spacer);
        QCOMPARE(spacer->sizeHint(), QSize(40, 20));
        QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    }
    if (layout.startsWith("verticalLayout") && layout != "verticalLayout_3")
        QCOMPARE(found->contentsMargins(), QMargins(0, 0, 0, 0));
}

void TestMainForm::recordGridPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("rowSpan");
    QTest::addColumn<int>("columnSpan");
    QTest::newRow("person title") << "labelSurnameTitle" << 0 << 0 << 3 << 1;
    QTest::newRow("surname") << "lineEditSurname" << 0 << 1 << 1 << 1;
    QTest::newRow("name") << "lineEditName" << 1 << 1 << 1 << 1;
    QTest::newRow("patronymic") << "lineEditPatron" << 2 << 1 << 1 << 1;
    QTest::newRow("first rule") << "line_3" << 3 << 0 << 1 << 2;
    QTest::newRow("organisation title") << "labelCompanyFormTitle" << 4 << 0 << 2 << 1;
    QTest::newRow("legal form") << "lineEditForm" << 4 << 1 << 1 << 1;
    QTest::newRow("organisation") << "lineEditComp" << 5 << 1 << 1 << 1;
    QTest::newRow("second rule") << "line_4" << 6 << 0 << 1 << 2;
    QTest::newRow("director title") << "labelDirectorTitle" << 7 << 0 << 2 << 1;
    QTest::newRow("director post") << "lineEditDirPost" << 7 << 1 << 1 << 1;
    QTest::newRow("director") << "lineEditDir" << 8 << 1 << 1 << 1;
    QTest::newRow("third rule") << "line_5" << 9 << 0 << 1 << 2;
    QTest::newRow("date title") << "labelDateTitle" << 10 << 0 << 1 << 1;
    QTest::newRow("date") << "lineEditDate" << 10 << 1 << 1 << 1;
}

void TestMainForm::recordGridPlaces()
{
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, rowSpan);
    QFETCH(int, columnSpan);
    Security w;
    auto* grid = w.findChild<QGridLayout*>("gridLayout");
    QVERIFY(grid);
    QCOMPARE(grid->contentsMargins(), QMargins(3, 0, 0, 0));
    const int index = grid->indexOf(w.findChild<QWidget*>(name));
    QVERIFY2(index >= 0, qPrintable(name));
    int r = -1, c = -1, rs = -1, cs = -1;
    grid->getItemPosition(index, &r, &c, &rs, &cs);
    QCOMPARE(QList<int>({r, c, rs, cs}), QList<int>({row, column, rowSpan, columnSpan}));
}

void TestMainForm::splitterPanes()
{
    Security w;
    auto* splitter = w.findChild<QSplitter*>("splitter");
    QVERIFY(splitter);
    QCOMPARE(splitter->parentWidget(), &w);
    QCOMPARE(splitter->orientation(), Qt::Horizontal);
    QCOMPARE(splitter->count(), 2);
    QCOMPARE(splitter->widget(0)->objectName(), QString("layoutWidget"));
    QCOMPARE(splitter->widget(1)->objectName(), QString("layoutWidget1"));
    QCOMPARE(w.findChild<QWidget*>("tableViewCompanies")->parentWidget(), splitter->widget(0));
    QCOMPARE(w.findChild<QWidget*>("buttonDeletePerson")->parentWidget(), splitter->widget(1));
    QCOMPARE(w.findChild<QWidget*>("labelPromo")->parentWidget(), &w);
}

void TestMainForm::textsAndToolTips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    const QString search = "Введите текст для поиска в базе данных";
    QTest::newRow("save") << "buttonSave"
                          << "Сохранить" << QString();
    QTest::newRow("update") << "buttonUpdate"
                            << "Обновить" << QString();
    QTest::newRow("clear") << "buttonClear"
                           << "Очистить" << QString();
    QTest::newRow("params") << "buttonParams"
                            << "Параметры" << QString();
    QTest::newRow("view") << "buttonView"
                          << "Просмотр" << "Просмотр карточки (Ctrl+Shift+P)";
    QTest::newRow("print") << "buttonPrint"
                           << "Печать" << QString();
    QTest::newRow("delete company") << "buttonDeleteCompany"
                                    << "Удалить"
                                    << "Удалить выбранную организацию";
    QTest::newRow("delete person") << "buttonDeletePerson"
                                   << "Удалить"
                                   << "Удалить выбранного сотрудника";
    QTest::newRow("person title") << "labelSurnameTitle"
                                  << "Фамилия,\nимя,\nотчество (при наличии)" << QString();
    QTest::newRow("organisation title") << "labelCompanyFormTitle"
                                        << "Сокращенное наименование\nчастной охранной\nорганизации" << QString();
    QTest::newRow("director title") << "labelDirectorTitle"
                                    << "Должность, инициалы, фамилия\nруководителя частной\nохранной организации"
                                    << QString();
    QTest::newRow("date title") << "labelDateTitle"
                                << "Дата выдачи" << QString();
    QTest::newRow("companies") << "labelCompsTitle"
                               << "Организации" << QString();
    QTest::newRow("company filter title") << "labelCompFilterTitle"
                                          << "Наименование:" << QString();
    QTest::newRow("personnel") << "labelPersTitle"
                               << "Сотрудники" << QString();
    QTest::newRow("person filter title") << "labelSurnameFilterTitle"
                                         << "Сотрудник:" << QString();
    QTest::newRow("director filter title") << "labelDIrectorFilterTitle"
                                           << "Руководитель:" << QString();
    QTest::newRow("company filter") << "lineEditCompanyFilter" << QString() << search;
    QTest::newRow("person filter") << "lineEditSunameFilter" << QString() << search;
    QTest::newRow("director filter") << "lineEditDirectorFilter" << QString() << search;
    QTest::newRow("logo") << "labelLogo" << QString() << QString();
}

void TestMainForm::textsAndToolTips()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    Security w;
    QWidget* widget = w.findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->property("text").toString(), text);
    QCOMPARE(widget->toolTip(), toolTip);
}

void TestMainForm::labelFonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family"); // empty: the application's default
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    for (const char* name : {"labelSurnameTitle", "labelCompanyFormTitle", "labelDirectorTitle", "labelDateTitle"})
        QTest::newRow(name) << name << "Times New Roman" << 10 << false << true;
    for (const char* name : {"labelCompsTitle", "labelPersTitle"})
        QTest::newRow(name) << name << "Times New Roman" << 12 << true << true;
    QTest::newRow("labelPromo") << "labelPromo" << QString() << 9 << true << false;
}

void TestMainForm::labelFonts()
{
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    Security w;
    auto* label = w.findChild<QLabel*>(name);
    QVERIFY2(label, qPrintable(name));
    const QFont font = label->font();
    QCOMPARE(font.family(), family.isEmpty() ? QApplication::font().family() : family);
    QCOMPARE(font.pointSize(), pointSize);
    QCOMPARE(font.bold(), bold);
    QCOMPARE(font.italic(), italic);
}

void TestMainForm::sizeLimits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");
    QTest::addColumn<int>("horizontalPolicy");
    QTest::addColumn<int>("verticalPolicy");
    const QSize tall(130, QWIDGETSIZE_MAX);
    for (const char* name : {"buttonSave", "buttonUpdate", "buttonClear", "buttonParams", "buttonView", "buttonPrint"})
        QTest::newRow(name) << name << QSize(130, 0) << tall << int(QSizePolicy::Minimum) << int(QSizePolicy::Fixed);
    for (const char* name : {"buttonDeleteCompany", "buttonDeletePerson"})
        QTest::newRow(name) << name << QSize(0, 0) << QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)
                            << int(QSizePolicy::Fixed) << int(QSizePolicy::Fixed);
    QTest::newRow("labelLogo") << "labelLogo" << QSize(60, 60) << QSize(60, 60) << int(QSizePolicy::Fixed)
                               << int(QSizePolicy::Fixed);
    QTest::newRow("labelPromo") << "labelPromo" << QSize(0, 0) << QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)
                                << int(QSizePolicy::Expanding) << int(QSizePolicy::Fixed);
    const QSize free(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    for (const char* name : {"labelSurnameTitle", "labelCompanyFormTitle", "labelDirectorTitle", "labelCompFilterTitle",
                             "labelSurnameFilterTitle", "labelDIrectorFilterTitle"})
        QTest::newRow(name) << name << QSize(0, 0) << free << int(QSizePolicy::Fixed) << int(QSizePolicy::Fixed);
    QTest::newRow("labelDateTitle") << "labelDateTitle" << QSize(0, 0) << free << int(QSizePolicy::Preferred)
                                    << int(QSizePolicy::Preferred);
}

void TestMainForm::sizeLimits()
{
    QFETCH(QString, name);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    QFETCH(int, horizontalPolicy);
    QFETCH(int, verticalPolicy);
    Security w;
    QWidget* widget = w.findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->minimumSize(), minimum);
    QCOMPARE(widget->maximumSize(), maximum);
    QCOMPARE(int(widget->sizePolicy().horizontalPolicy()), horizontalPolicy);
    QCOMPARE(int(widget->sizePolicy().verticalPolicy()), verticalPolicy);
}

void TestMainForm::titleLabelsWrapAndMargins()
{
    Security w;
    for (const char* name : {"labelSurnameTitle", "labelCompanyFormTitle", "labelDirectorTitle", "labelDateTitle"}) {
        auto* label = w.findChild<QLabel*>(name);
        QVERIFY2(label, name);
        QCOMPARE(label->margin(), 3);
        // Only the person's title wraps; the others break where their texts say.
        QCOMPARE(label->wordWrap(), QByteArray(name) == "labelSurnameTitle");
    }
    for (const char* name :
         {"lineEditSurname", "lineEditName", "lineEditPatron", "lineEditForm", "lineEditComp", "lineEditDirPost",
          "lineEditDir", "lineEditCompanyFilter", "lineEditSunameFilter", "lineEditDirectorFilter"})
        QVERIFY2(w.findChild<QLineEdit*>(name)->isClearButtonEnabled(), name);
}

void TestMainForm::dateEditShowsDayMonthYear()
{
    Security w;
    auto* date = w.findChild<QDateEdit*>("lineEditDate");
    QVERIFY(date);
    QVERIFY(date->calendarPopup());
    QCOMPARE(date->displayFormat(), QString("dd.MM.yyyy"));
    date->setDate(QDate(2024, 3, 7));
    QCOMPARE(date->text(), QString("07.03.2024"));
}

void TestMainForm::logoIsCompiledIn()
{
    Security w;
    auto* logo = w.findChild<QLabel*>("labelLogo");
    QVERIFY(logo);
    const QPixmap pixmap = logo->pixmap(Qt::ReturnByValue);
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.size(), QSize(251, 251));
    QVERIFY(pixmap.hasAlphaChannel());
    QVERIFY(logo->hasScaledContents());
    QCOMPARE(logo->alignment(), Qt::AlignCenter);
    const QImage blank(":/card.png");
    QCOMPARE(blank.size(), QSize(1300, 1654));
    QVERIFY(!blank.hasAlphaChannel());
}

void TestMainForm::listSettings_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("companies") << "tableViewCompanies";
    QTest::newRow("personnel") << "tableViewPersonal";
}

void TestMainForm::listSettings()
{
    QFETCH(QString, name);
    Security w;
    auto* view = w.findChild<MyTableView*>(name);
    QVERIFY2(view, qPrintable(name));
    QVERIFY(!view->showDropIndicator());
    QVERIFY(!view->dragDropOverwriteMode());
    QCOMPARE(view->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(!view->horizontalHeader()->highlightSections());
    QVERIFY(view->verticalHeader()->isHidden());
    QVERIFY(!view->verticalHeader()->highlightSections());
}

void TestMainForm::tabWalksTheChain()
{
    const QStringList chain{"lineEditSurname",     "lineEditName",         "lineEditPatron",
                            "lineEditForm",        "lineEditComp",         "lineEditDirPost",
                            "lineEditDir",         "lineEditDate",         "buttonSave",
                            "buttonUpdate",        "buttonClear",          "buttonImport",         "buttonParams",
                            "buttonView",          "buttonPrint",          "buttonJournal",        "buttonBatch",
                            "lineEditCompanyFilter",
                            "buttonDeleteCompany", "lineEditSunameFilter", "lineEditDirectorFilter",
                            "buttonDeletePerson",  "tableViewCompanies",   "tableViewPersonal"};
    Security w;
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.findChild<QWidget*>(chain.first())->setFocus(Qt::OtherFocusReason);
    QCOMPARE(focusOwner(), chain.first());
    for (int i = 1; i < chain.size(); ++i) {
        // Tab first walks the day, month and year of the date edit.
        for (int presses = 0; presses < 4 && focusOwner() == chain[i - 1]; ++presses)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(focusOwner(), chain[i]);
    }
}

void TestMainForm::connectionsAreMadeOnce_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QByteArray>("slot");
    const QByteArray textChanged = SIGNAL(textChanged(QString));
    const QByteArray clicked = SIGNAL(clicked());
    const QByteArray check = SLOT(checkFormFilled());
    for (const char* name : {"lineEditSurname", "lineEditName", "lineEditPatron", "lineEditComp", "lineEditDir",
                             "lineEditDirPost", "lineEditForm"})
        QTest::newRow(name) << name << textChanged << check;
    QTest::newRow("person filter") << "lineEditSunameFilter" << textChanged << QByteArray(SLOT(filterChanged(QString)));
    QTest::newRow("director filter") << "lineEditDirectorFilter" << textChanged
                                     << QByteArray(SLOT(filterChanged(QString)));
    QTest::newRow("view runs the print slot") << "buttonView" << clicked << QByteArray(SLOT(on_buttonPrint_clicked()));
    // Joined by name.
    QTest::newRow("print") << "buttonPrint" << clicked << QByteArray(SLOT(on_buttonPrint_clicked()));
    QTest::newRow("save") << "buttonSave" << clicked << QByteArray(SLOT(on_buttonSave_clicked()));
    QTest::newRow("update") << "buttonUpdate" << clicked << QByteArray(SLOT(on_buttonUpdate_clicked()));
    QTest::newRow("clear") << "buttonClear" << clicked << QByteArray(SLOT(on_buttonClear_clicked()));
    QTest::newRow("params") << "buttonParams" << clicked << QByteArray(SLOT(on_buttonParams_clicked()));
    QTest::newRow("delete company") << "buttonDeleteCompany" << clicked
                                    << QByteArray(SLOT(on_buttonDeleteCompany_clicked()));
    QTest::newRow("delete person") << "buttonDeletePerson" << clicked
                                   << QByteArray(SLOT(on_buttonDeletePerson_clicked()));
    QTest::newRow("company list") << "tableViewCompanies" << QByteArray(SIGNAL(clicked(QModelIndex)))
                                  << QByteArray(SLOT(on_tableViewCompanies_clicked(QModelIndex)));
    QTest::newRow("personnel list") << "tableViewPersonal" << QByteArray(SIGNAL(clicked(QModelIndex)))
                                    << QByteArray(SLOT(on_tableViewPersonal_clicked(QModelIndex)));
    QTest::newRow("company filter") << "lineEditCompanyFilter" << textChanged
                                    << QByteArray(SLOT(on_lineEditCompanyFilter_textChanged(QString)));
}

// A connection that exists can be broken once; a second break finds nothing,
// so the slot would have run exactly once per signal.
void TestMainForm::connectionsAreMadeOnce()
{
    QFETCH(QString, sender);
    QFETCH(QByteArray, signal);
    QFETCH(QByteArray, slot);
    Security w;
    QObject* from = w.findChild<QObject*>(sender);
    QVERIFY2(from, qPrintable(sender));
    QVERIFY(QObject::disconnect(from, signal.constData(), &w, slot.constData()));
    QVERIFY(!QObject::disconnect(from, signal.constData(), &w, slot.constData()));
    QVERIFY(!QObject::disconnect(from, signal.constData(), &w, nullptr));
}

void TestMainForm::dateEditHasNoConnection()
{
    Security w;
    QObject* date = w.findChild<QDateEdit*>("lineEditDate");
    QVERIFY(date);
    QVERIFY(!QObject::disconnect(date, nullptr, &w, nullptr));
}

// One resize of a list is enough for long texts to wrap onto taller rows, and
// widening the list again brings the rows back down.
void TestMainForm::narrowingListRefitsRowsAtOnce()
{
    QStandardItemModel model(2, 2);
    model.setData(model.index(0, 0), QString("ООО Частная охранная организация «Щит и меч»"));
    model.setData(model.index(0, 1), "x");
    model.setData(model.index(1, 0), "АО Щит");
    MyTableView view;
    view.setModel(&model);
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    view.resize(800, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.resize(1600, 300);
    QCoreApplication::processEvents();
    const int oneLine = view.rowHeight(1);
    QCOMPARE(view.rowHeight(0), oneLine);

    view.resize(200, 300);
    QCoreApplication::processEvents();
    QVERIFY2(view.rowHeight(0) > 3 * oneLine, qPrintable(QString::number(view.rowHeight(0))));
    QCOMPARE(view.rowHeight(1), oneLine);

    view.resize(1600, 300);
    QCoreApplication::processEvents();
    QCOMPARE(view.rowHeight(0), oneLine);
}

// The delivered rectangles sit where the preview shows its labels (750 pixels
// across 110 mm) and leave room for a whole line of their letter size, so that
// a short organisation, director or name is not split over two lines.
void TestMainForm::deliveredLayoutFitsBlankAndPreview()
{
    LayoutParams params;
    QString error;
    QCOMPARE(readLayoutParams(testsupport::deliveredFile("params.txt"), &params, &error), LayoutReadResult::Ok);
    const QStringList keys{"Comp", "Date", "Dir", "DirPost", "Form", "Name", "Patron", "Surname"};
    QCOMPARE(params.fonts.keys(), keys);
    QCOMPARE(params.udShift, 0.0f);
    QCOMPARE(params.lrShift, 0.0f);

    for (const QString& key : keys) {
        QCOMPARE(params.coords[key].size(), 4);
        QCOMPARE(params.fonts[key]["family"], QString("LiberationSerif"));
        QVERIFY(QStringList({"Left", "Center", "Right"}).contains(params.fonts[key]["align"]));
        const int size = params.fonts[key]["size"].toInt();
        QVERIFY2(size >= 10 && size <= (key == "Date" ? 12 : 14), qPrintable(key));
    }

    const float s = cardlayout::pageScale(297.0f);
    const QStringList shortOnes[] = {
        {"ООО", "ЧОО", "Щит"}, {"Генеральный", "директор", "А.А.", "Гром"}, {"Иванов", "Пётр", "Петрович"}};
    const char* const fittingKeys[] = {"Form", "DirPost", "Patron"};
    for (int i = 0; i < 3; ++i)
        QCOMPARE(cardlayout::fitFirstLine(shortOnes[i], fittingKeys[i], s, 1.0f, params.fonts, params.coords),
                 shortOnes[i].size());
}

void TestMainForm::deliveredLayoutRoundTrips()
{
    QFile file(testsupport::deliveredFile("params.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QFile backup(testsupport::deliveredFile("paramsBackUp.txt"));
    QVERIFY(backup.open(QIODevice::ReadOnly));
    QCOMPARE(backup.readAll(), bytes);

    LayoutParams params;
    QString error;
    QCOMPARE(readLayoutParams(file.fileName(), &params, &error), LayoutReadResult::Ok);
    // What a save with unchanged settings would write.
    QCOMPARE(QString(layoutParamsJson(params) + "\n").toUtf8(), bytes);
}

void TestMainForm::deliveredFontProvidesFamily()
{
    const int id = QFontDatabase::addApplicationFont(testsupport::deliveredFile("fonts/LiberationSerif-Regular.ttf"));
    QVERIFY(id >= 0);
    QCOMPARE(QFontDatabase::applicationFontFamilies(id), QStringList("Liberation Serif"));
    QVERIFY(QFile::exists(testsupport::deliveredFile("fonts/LICENSE-LiberationSerif.txt")));
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"

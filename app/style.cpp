#include "app/style.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTableView>

namespace {

const char* const buttonSheet = "background-color: #ffff88";
const char* const comboSheet = "background-color: #FFD484; selection-background-color: #966E24";
const char* const listSheet = "QScrollBar{background:#E7E7E7;} QScrollBar::handle{background:#62C4E5;} "
                              "QListView::item {color: black; background: white;} "
                              "QListView::item:selected {color: black; background: #DBD704;} "
                              "QListView::item:selected:!active {color: black; background: #DBD704;}";
const char* const tableSheet = "QScrollBar{background:#E7E7E7;} QScrollBar::handle{background:#62C4E5;} "
                               "QHeaderView::section{background-color: #A0FFAD;}"
                               "QTableView::item:selected{background-color: #2695D6; color: black;}"
                               "QTableView::item:selected:!active{background-color: #2695D6; color: black;}";

template <typename T>
void setSheets(QWidget* root, const char* sheet, const QString& exceptName = QString())
{
    for (T* widget : root->findChildren<T*>()) {
        if (exceptName.isEmpty() || widget->objectName() != exceptName)
            widget->setStyleSheet(QString::fromLatin1(sheet));
    }
}

} // namespace

void applyStyle(QWidget* root)
{
    // Setting the style polishes every widget anew; where Fusion is the style
    // already, that is work the window's first paint would wait for in vain.
    const QStyle* current = QApplication::style();
    if (!current || current->objectName().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStringLiteral("Fusion"));
    applySheets(root);
}

void applySheets(QWidget* root)
{
    setSheets<QPushButton>(root, buttonSheet);
    setSheets<QComboBox>(root, comboSheet);
    // A list widget named "log" keeps its own look.
    setSheets<QListWidget>(root, listSheet, QStringLiteral("log"));
    setSheets<QTableView>(root, tableSheet);
}

#pragma once
// Clicks the place tests share: a row beside its label, a page's tab.
#include <QApplication>
#include <QTabBar>
#include <QTest>

#include "ui/controls/PageControl.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/mainwindow/MainPages.h"
#include "ui/mainwindow/TovrinMain.h"

// A click right of a row's label selects the row without editing it.
inline void ClickBesideLabel(TTreeViewCheckBoxes* tree, QTreeWidgetItem* item)
{
    ASSERT_NE(item, nullptr);
    const QRect label = tree->LabelRect(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(label.right() + 20, label.center().y()));
    QApplication::processEvents();
}

inline void ClickTab(TfrmTovrinMain& window, const char* text)
{
    QTabBar* tabs = window.Part<TMainPages>().pcMainPages()->tabBar();
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i) == QLatin1String(text))
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
    QApplication::processEvents();
}

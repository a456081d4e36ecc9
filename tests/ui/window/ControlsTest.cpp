// The small controls and services: check-box tree, shared keys, page veto, the exception guard
// and the hourglass over Qt's override cursor.
#include "WindowTestSupport.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "platform/Exceptions.h"
#include "taskdb/Services.h"
#include "ui/PageControl.h"
#include "ui/QtFont.h"
#include "ui/SharedShortcuts.h"
#include "ui/TovrinApplication.h"
#include "ui/TreeViewCheckBoxes.h"

TEST(TreeViewCheckBoxes, AnItemWithoutCheckStateReadsAsChecked)
{
    TTreeViewCheckBoxes tree;
    auto* item = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("x")});
    EXPECT_TRUE(TTreeViewCheckBoxes::GetChecked(item));
    TTreeViewCheckBoxes::SetChecked(item, false);
    EXPECT_FALSE(TTreeViewCheckBoxes::GetChecked(item));
    TTreeViewCheckBoxes::SetChecked(item, true);
    EXPECT_TRUE(TTreeViewCheckBoxes::GetChecked(item));
    EXPECT_FALSE(TTreeViewCheckBoxes::GetChecked(nullptr));
    TTreeViewCheckBoxes::SetChecked(nullptr, true);  // no effect, no crash
}

TEST(TreeViewCheckBoxes, EditEndsReportAcceptOrCancel)
{
    TTreeViewCheckBoxes tree;
    tree.show();
    auto* item = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("old")});
    int cancelled = 0;
    QString edited;
    QObject::connect(&tree, &TTreeViewCheckBoxes::CancelEdit, [&] { ++cancelled; });
    QObject::connect(&tree, &TTreeViewCheckBoxes::Edited, [&](QTreeWidgetItem*, const QString& t) { edited = t; });

    tree.StartEdit(item);
    ASSERT_TRUE(tree.IsEditing());
    tree.InPlaceEditor()->setText(QStringLiteral("typed"));
    tree.EndEdit(false);
    QApplication::processEvents();
    EXPECT_EQ(cancelled, 1);
    EXPECT_TRUE(edited.isEmpty());
    EXPECT_EQ(item->text(0), QStringLiteral("old"));

    tree.StartEdit(item);
    tree.InPlaceEditor()->setText(QStringLiteral("new"));
    tree.EndEdit(true);
    EXPECT_EQ(edited, QStringLiteral("new"));
    EXPECT_EQ(item->text(0), QStringLiteral("new"));
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(tree.IsEditing());
}

TEST(TreeViewCheckBoxes, ItemsKnowTheirSelectionAndTheCurrentItemIsSignalled)
{
    TTreeViewCheckBoxes tree;
    tree.setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* a = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("a")});
    auto* b = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("b")});
    QTreeWidgetItem* signalled = nullptr;
    QObject::connect(&tree, &QTreeWidget::currentItemChanged, [&](QTreeWidgetItem* now, QTreeWidgetItem*) { signalled = now; });

    tree.setCurrentItem(a);
    EXPECT_EQ(signalled, a);
    EXPECT_TRUE(a->isSelected());
    EXPECT_FALSE(b->isSelected());
    b->setSelected(true);
    EXPECT_TRUE(b->isSelected());
    EXPECT_EQ(tree.selectedItems().size(), 2);
    tree.clearSelection();
    EXPECT_FALSE(a->isSelected());
    EXPECT_FALSE(b->isSelected());

    // A refused change keeps both the current item and the selection.
    tree.setCurrentItem(a);
    tree.VetoSelectionModel()->OnChanging = [](const QModelIndex&) { return false; };
    tree.setCurrentItem(b);
    EXPECT_EQ(tree.currentItem(), a);
    EXPECT_EQ(signalled, a);
    EXPECT_TRUE(a->isSelected());
    EXPECT_FALSE(b->isSelected());
}

TEST(TreeViewCheckBoxes, TheLabelCoversTheCaptionNotTheRestOfTheRow)
{
    TTreeViewCheckBoxes tree;
    tree.resize(400, 200);
    tree.show();
    auto* item = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("Short")});
    TTreeViewCheckBoxes::SetChecked(item, false);
    auto* longer = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("A considerably longer caption")});
    QApplication::processEvents();

    const QRect row = tree.visualItemRect(item);
    const QRect label = tree.LabelRect(item);
    const int textWidth = tree.fontMetrics().horizontalAdvance(QStringLiteral("Short"));
    EXPECT_TRUE(row.contains(label));
    EXPECT_GE(label.width(), textWidth);
    EXPECT_LT(label.width(), textWidth + 20);
    EXPECT_LT(label.right(), row.right() - 100);
    // Right of the check box.
    EXPECT_GT(label.left(), row.left() + 10);
    EXPECT_GT(tree.LabelRect(longer).width(), label.width());
    EXPECT_EQ(tree.LabelRect(nullptr), QRect());
}

TEST(SharedShortcuts, TheFirstEnabledCommandRuns)
{
    QWidget window;
    auto* first = new QAction(QStringLiteral("New task"), &window);
    auto* second = new QAction(QStringLiteral("New place"), &window);
    int firstRuns = 0;
    int secondRuns = 0;
    QObject::connect(first, &QAction::triggered, [&] { ++firstRuns; });
    QObject::connect(second, &QAction::triggered, [&] { ++secondRuns; });
    TSharedShortcutDispatcher dispatcher(&window);
    dispatcher.Bind(QKeySequence(Qt::Key_Insert), {first, second});
    EXPECT_TRUE(first->shortcut().isEmpty());
    EXPECT_TRUE(first->text().endsWith(QStringLiteral("\tIns")));

    EXPECT_TRUE(dispatcher.Dispatch(QKeySequence(Qt::Key_Insert)));
    EXPECT_EQ(firstRuns, 1);
    first->setEnabled(false);
    EXPECT_TRUE(dispatcher.Dispatch(QKeySequence(Qt::Key_Insert)));
    EXPECT_EQ(secondRuns, 1);
    second->setEnabled(false);
    EXPECT_FALSE(dispatcher.Dispatch(QKeySequence(Qt::Key_Insert)));
    EXPECT_FALSE(dispatcher.Dispatch(QKeySequence(Qt::Key_F5)));
    EXPECT_EQ(firstRuns + secondRuns, 2);
}

TEST(PageControl, ARefusedChangeKeepsThePage)
{
    TPageControl pages;
    auto* one = new QWidget();
    auto* two = new QWidget();
    pages.addTab(one, QStringLiteral("One"));
    pages.addTab(two, QStringLiteral("Two"));
    bool allow = false;
    int changes = 0;
    pages.OnChanging = [&] { return allow; };
    pages.OnChange = [&] { ++changes; };
    pages.SetActivePage(two);
    EXPECT_EQ(pages.ActivePage(), one);
    EXPECT_EQ(changes, 0);
    allow = true;
    pages.SetActivePage(two);
    EXPECT_EQ(pages.ActivePage(), two);
    EXPECT_EQ(changes, 1);
}

TEST(ExceptionGuard, ShowsTheMessageAndSwallowsTheSilentAbort)
{
    TScriptedServices services;
    SetUiServices(&services);
    EXPECT_FALSE(RunGuarded([] { throw Exception("Can not write file : \"x\""); }));
    ASSERT_EQ(services.Shown.size(), 1u);
    EXPECT_EQ(services.Shown[0], "Can not write file : \"x\"");
    EXPECT_FALSE(RunGuarded([] { throw EAbort(); }));
    EXPECT_EQ(services.Shown.size(), 1u);
    EXPECT_TRUE(RunGuarded([] {}));
    SetUiServices(nullptr);
}

TEST(QtUiServices, NestedHourGlassesRestoreTheCursorShownBefore)
{
    TQtUiServices services;
    SetUiServices(&services);
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        auto outer = HourGlass();
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            auto inner = HourGlass();
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(services.GetScreenCursor(), crHourGlass);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(services.GetScreenCursor(), crDefault);
    SetUiServices(nullptr);
}

TEST(QtUiServices, ClipboardCarriesUtf8Text)
{
    TQtUiServices services;
    SetUiServices(&services);
    CopyTextToClipboard("Einkauf: \xC3\xA4pfel\r\n");
    EXPECT_EQ(services.GetClipboardText(), "Einkauf: \xC3\xA4pfel\r\n");
    SetUiServices(nullptr);
}

TEST(QtFont, FontDescriptionSurvivesQtFont)
{
    const TFontDesc desc{"DejaVu Sans", 204, 0x0000FF, 11, fsBold | fsStrikeOut};
    const TFontDesc back = FromQFont(ToQFont(desc), desc.Charset, desc.Color);
    EXPECT_EQ(FontToString(back), "DejaVu Sans,204,255,11,9");
    const QColor red = ToQColor(0x0000FF, QPalette());
    EXPECT_EQ(red, QColor(255, 0, 0));
    EXPECT_EQ(FromQColor(red), 0x0000FF);
}

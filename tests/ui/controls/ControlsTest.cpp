// The small controls and services: check-box tree, shared keys, page veto, the exception guard
// and the hourglass over Qt's override cursor.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

#include "platform/Exceptions.h"
#include "taskdb/Services.h"
#include "ui/controls/PageControl.h"
#include "ui/options/QtFont.h"
#include "ui/mainwindow/SharedShortcuts.h"
#include "ui/mainwindow/TovrinApplication.h"

namespace {

QTreeWidgetItem* AddItem(QTreeWidget& tree, const char* text)
{
    return new QTreeWidgetItem(&tree, QStringList{QString::fromUtf8(text)});
}

TEST(TreeViewCheckBoxes, AnItemWithoutCheckStateReadsAsChecked)
{
    TTreeViewCheckBoxes tree;
    QTreeWidgetItem* item = AddItem(tree, "x");
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
    QTreeWidgetItem* item = AddItem(tree, "old");
    int cancelled = 0;
    QString edited;
    QObject::connect(&tree, &TTreeViewCheckBoxes::CancelEdit, [&] { ++cancelled; });
    QObject::connect(&tree, &TTreeViewCheckBoxes::Edited, [&](QTreeWidgetItem*, const QString& t) { edited = t; });

    tree.StartEdit(item);
    ASSERT_TRUE(tree.IsEditing());
    tree.InPlaceEditor()->setText("typed");
    tree.EndEdit(false);
    QApplication::processEvents();
    EXPECT_EQ(cancelled, 1);
    EXPECT_TRUE(edited.isEmpty());
    EXPECT_EQ(item->text(0), "old");

    tree.StartEdit(item);
    tree.InPlaceEditor()->setText("new");
    tree.EndEdit(true);
    EXPECT_EQ(edited, "new");
    EXPECT_EQ(item->text(0), "new");
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(tree.IsEditing());

    // Typing that ends where it started is told apart from an edit.
    int unchanged = 0;
    QObject::connect(&tree, &TTreeViewCheckBoxes::EditedUnchanged, [&] { ++unchanged; });
    tree.StartEdit(item);
    tree.InPlaceEditor()->setText("newer");
    tree.InPlaceEditor()->setText("new");
    tree.EndEdit(true);
    EXPECT_EQ(unchanged, 1);
    edited.clear();
    tree.StartEdit(item);
    tree.InPlaceEditor()->setText("New");
    tree.EndEdit(true);
    EXPECT_EQ(edited, "New");
    EXPECT_EQ(unchanged, 1);
}

TEST(TreeViewCheckBoxes, ARefusedChangeKeepsBothTheCurrentItemAndTheSelection)
{
    TTreeViewCheckBoxes tree;
    tree.setSelectionMode(QAbstractItemView::ExtendedSelection);
    QTreeWidgetItem* a = AddItem(tree, "a");
    QTreeWidgetItem* b = AddItem(tree, "b");
    QTreeWidgetItem* signalled = nullptr;
    QObject::connect(&tree, &QTreeWidget::currentItemChanged, [&](QTreeWidgetItem* now, QTreeWidgetItem*) { signalled = now; });
    tree.setCurrentItem(a);
    EXPECT_EQ(signalled, a);
    EXPECT_EQ(tree.selectedItems(), QList<QTreeWidgetItem*>{a});

    tree.VetoSelectionModel()->SetOnChanging([](const QModelIndex&) { return false; });
    tree.setCurrentItem(b);
    EXPECT_EQ(tree.currentItem(), a);
    EXPECT_EQ(signalled, a);
    EXPECT_EQ(tree.selectedItems(), QList<QTreeWidgetItem*>{a});
}

// What the handler decides holds: a click it refuses selects nothing, a change asked for while
// it decides (from a question's event loop) is refused, and taking the keyboard asks nothing.
TEST(TreeViewCheckBoxes, OnlyTheUsersChoiceIsAskedAndTheAnswerHolds)
{
    for (const bool answer : {false, true})
        for (const bool changeMeanwhile : {false, true}) {
            SCOPED_TRACE(answer * 2 + changeMeanwhile);
            TTreeViewCheckBoxes tree;
            tree.show();
            tree.activateWindow();
            AddItem(tree, "a");
            QTreeWidgetItem* b = AddItem(tree, "b");
            int asked = 0;
            tree.VetoSelectionModel()->SetOnChanging([&](const QModelIndex&) {
                if (++asked == 1 && changeMeanwhile)
                    tree.setCurrentItem(tree.topLevelItem(0));
                return answer;
            });
            tree.setFocus();
            QApplication::processEvents();
            ASSERT_TRUE(tree.hasFocus());
            QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(b).center());
            EXPECT_EQ(asked, 1);
            EXPECT_EQ(tree.currentItem(), answer ? b : nullptr);
            EXPECT_EQ(tree.selectedItems().size(), answer ? 1 : 0);
        }
}

TEST(TreeViewCheckBoxes, TheLabelCoversTheCaptionNotTheRestOfTheRow)
{
    TTreeViewCheckBoxes tree;
    tree.resize(400, 200);
    tree.show();
    QTreeWidgetItem* item = AddItem(tree, "Short");
    TTreeViewCheckBoxes::SetChecked(item, false);
    QTreeWidgetItem* longer = AddItem(tree, "A considerably longer caption");
    QApplication::processEvents();

    const QRect row = tree.visualItemRect(item);
    const QRect label = tree.LabelRect(item);
    const int textWidth = tree.fontMetrics().horizontalAdvance("Short");
    EXPECT_TRUE(row.contains(label));
    EXPECT_GE(label.width(), textWidth);
    EXPECT_LT(label.width(), textWidth + 20);
    EXPECT_LT(label.right(), row.right() - 100);
    EXPECT_GT(label.left(), row.left() + 10);  // right of the check box
    EXPECT_GT(tree.LabelRect(longer).width(), label.width());
    EXPECT_EQ(tree.LabelRect(nullptr), QRect());
}

TEST(SharedShortcuts, TheFirstEnabledCommandRuns)
{
    QWidget window;
    QAction first("New task", &window);
    QAction second("New place", &window);
    std::vector<std::string> runs;
    QObject::connect(&first, &QAction::triggered, [&] { runs.push_back("first"); });
    QObject::connect(&second, &QAction::triggered, [&] { runs.push_back("second"); });
    TSharedShortcutDispatcher dispatcher(&window);
    dispatcher.Bind(QKeySequence(Qt::Key_Insert), {&first, &second});
    EXPECT_TRUE(first.shortcut().isEmpty());
    EXPECT_TRUE(first.text().endsWith("\tIns"));

    EXPECT_TRUE(dispatcher.Dispatch(QKeySequence(Qt::Key_Insert)));
    first.setEnabled(false);
    EXPECT_TRUE(dispatcher.Dispatch(QKeySequence(Qt::Key_Insert)));
    second.setEnabled(false);
    EXPECT_FALSE(dispatcher.Dispatch(QKeySequence(Qt::Key_Insert)));
    EXPECT_FALSE(dispatcher.Dispatch(QKeySequence(Qt::Key_F5)));
    EXPECT_EQ(runs, (Names{"first", "second"}));
}

TEST(PageControl, ARefusedChangeKeepsThePage)
{
    TPageControl pages;
    auto* one = new QWidget();
    auto* two = new QWidget();
    pages.addTab(one, "One");
    pages.addTab(two, "Two");
    bool allow = false;
    int changes = 0;
    pages.SetOnChanging([&] { return allow; });
    pages.SetOnChange([&] { ++changes; });
    pages.SetActivePage(two);
    EXPECT_EQ(pages.ActivePage(), one);
    EXPECT_EQ(changes, 0);
    allow = true;
    pages.SetActivePage(two);
    EXPECT_EQ(pages.ActivePage(), two);
    EXPECT_EQ(changes, 1);

    // While the change is decided the page shown stays in front, and a change asked for then
    // is refused.
    QWidget* shownWhileDeciding = nullptr;
    pages.SetOnChanging([&] {
        shownWhileDeciding = pages.ActivePage();
        pages.SetActivePage(two);
        return allow;
    });
    pages.SetActivePage(one);
    EXPECT_EQ(shownWhileDeciding, two);
    EXPECT_EQ(pages.ActivePage(), one);
    EXPECT_EQ(changes, 2);
}

TEST(ExceptionGuard, ShowsTheMessageAndSwallowsTheSilentAbort)
{
    TScriptedServices services;
    TServicesScope scope(services);
    EXPECT_FALSE(RunGuarded([] { throw Exception("Can not write file : \"x\""); }));
    EXPECT_FALSE(RunGuarded([] { throw EAbort(); }));
    EXPECT_TRUE(RunGuarded([] {}));
    EXPECT_EQ(services.Shown, Names{"Can not write file : \"x\""});
    // Raised inside an edit's end or a selection change, the message waits until that is over.
    RunGuardedWhenIdle([] { throw Exception("later"); });
    RunGuardedWhenIdle([] { throw EAbort(); });
    EXPECT_EQ(services.Shown.size(), 1u);
    QApplication::processEvents();
    EXPECT_EQ(services.Shown, (Names{"Can not write file : \"x\"", "later"}));
}

TEST(QtUiServices, NestedHourGlassesRestoreTheCursorShownBefore)
{
    TQtUiServices services;
    TServicesScope scope(services);
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
}

TEST(QtUiServices, ClipboardCarriesUtf8Text)
{
    TQtUiServices services;
    TServicesScope scope(services);
    CopyTextToClipboard("Einkauf: \xC3\xA4pfel\r\n");
    EXPECT_EQ(services.GetClipboardText(), "Einkauf: \xC3\xA4pfel\r\n");
}

TEST(QtFont, FontDescriptionSurvivesQtFont)
{
    const TFontDesc desc{"DejaVu Sans", 204, 0x0000FF, 11, fsBold | fsStrikeOut};
    EXPECT_EQ(FontToString(FromQFont(ToQFont(desc), desc.Charset, desc.Color)), "DejaVu Sans,204,255,11,9");
    EXPECT_EQ(ToQColor(0x0000FF, QPalette()), QColor(255, 0, 0));
    EXPECT_EQ(FromQColor(QColor(255, 0, 0)), 0x0000FF);
}

} // namespace

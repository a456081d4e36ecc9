#pragma once
// Sorting the selected task's subtasks and finding text in the outline tree, the To-Do tree or
// the places list: the three commands, the keys of the last sort and the last search, which the
// next dialog opens with. The trees are the shell's; the rest of the window is asked through a
// narrow host.
#include <QObject>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class IWindowServices;
class QAction;
class QTreeWidgetItem;
class QWidget;
class TTreeViewCheckBoxes;

// What sorting and finding ask of the rest of the window.
struct TSortFindHost {
    // Subtasks are sorted only while the outline shows all tasks.
    std::function<bool()> IsAllTasksView;
    // Writes the task and place panels' pending edits back before a sort.
    std::function<void()> FlushEdits;
    std::function<bool()> IsOutlinePage;
    std::function<bool()> IsToDoPage;
    std::function<bool()> IsPlacesPage;
    // The Places page's list, once built.
    std::function<TTreeViewCheckBoxes*()> PlacesList;
    std::function<void()> FocusTaskNotes;
    std::function<void(bool Value)> SetModified;
    std::function<void()> ClearUndoHistory;
};

class TSortFind : public QObject {
    Q_OBJECT
public:
    // Makes the three commands on Window. Tree is the outline tree, ToDoTree the To-Do tree;
    // the counts are the shell's locks, held while the tree is reordered.
    TSortFind(QWidget& Window, TTreeViewCheckBoxes& Tree, TTreeViewCheckBoxes& ToDoTree, int32_t& UILockCount,
              int32_t& TreeFillCount, int32_t& DrawLockCount, IWindowServices& Services, TSortFindHost Host);

    void SortSelectedSubtasks(const std::array<int32_t, 4>& Keys, bool Recursive);
    void DoFind(bool Next);

    QAction* actSortSubtasks() const { return actSortSubtasks_; }
    QAction* actFind() const { return actFind_; }
    QAction* actFindNext() const { return actFindNext_; }
    int32_t SortKey1() const { return SortKey1_; }
    int32_t SortKey2() const { return SortKey2_; }
    bool SortRecursive() const { return SortRecursive_; }
    const std::string& FindText() const { return FindText_; }
    void SetFindText(const std::string& Text) { FindText_ = Text; }
    void SetFindInCaptions(bool Value) { FindInCaptions_ = Value; }
    void SetFindInNotes(bool Value) { FindInNotes_ = Value; }

private:
    void actSortSubtasksExecute();
    void actFindExecute();
    void actFindNextExecute();
    void FindInTaskTree(bool Next);
    bool MatchTaskText(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node);
    void FindInPlacesList(bool Next);

    TTreeViewCheckBoxes& tree_;
    TTreeViewCheckBoxes& toDoTree_;
    int32_t& uiLockCount_;
    int32_t& treeFillCount_;
    int32_t& drawLockCount_;
    IWindowServices& services_;
    TSortFindHost host_;
    int32_t SortKey1_ = 2;
    int32_t SortKey2_ = -3;
    int32_t SortKey3_ = 1;
    int32_t SortKey4_ = 1;
    bool SortRecursive_ = false;
    std::string FindText_;
    bool FindInCaptions_ = true;
    bool FindInNotes_ = true;
    QAction* actSortSubtasks_ = nullptr;
    QAction* actFind_ = nullptr;
    QAction* actFindNext_ = nullptr;
};

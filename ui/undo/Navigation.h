#pragma once
// Back and forward between the tasks the user has visited. The items refer to tasks of the
// outline without owning them; any deletion of a task clears the history.
#include <cstdint>
#include <string>
#include <vector>

class TTaskNode;

// The window's side of navigation.
class INavigationView {
public:
    virtual ~INavigationView() = default;
    virtual TTaskNode* NavigationCurrentTask() = 0;
    // Makes Task current and selects it in the tree of the active page.
    virtual void NavigateToTask(TTaskNode* Task) = 0;
    // Empty hints for disabled buttons.
    virtual void UpdateNavigationButtons(bool BackEnabled, const std::string& BackHint, bool ForwardEnabled,
                                         const std::string& ForwardHint) = 0;
};

class TNavigationManager {
public:
    explicit TNavigationManager(INavigationView* View = nullptr) : view_(View) {}

    // Records a task being left; false when nothing was recorded.
    bool Add(TTaskNode* Task);
    void Clear();
    void GoBack();
    void GoForward();
    bool CanGo(bool Forward) const;
    void UpdateButtons();
    void BeginNavigation() { ++busy_; }
    void EndNavigation() { --busy_; }
    void AppendCurrentTask();

    int32_t Index() const { return index_; }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    TTaskNode* Items(int32_t I) const { return items_.at(static_cast<size_t>(I)); }

private:
    void Go(int32_t Step);

    INavigationView* view_;
    std::vector<TTaskNode*> items_;
    int32_t index_ = -1;
    int32_t busy_ = 0;
};

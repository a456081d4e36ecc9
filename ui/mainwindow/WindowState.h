#pragma once
// What the window's parts share: the one document, the task and place being shown, and whether
// the document has unsaved changes. The shell owns it; each part is given it by reference.
#include <cstdint>
#include <functional>
#include <memory>

class TTaskNode;
class TTaskPlace;
class TTovrinDataBase;

struct TWindowState {
    std::unique_ptr<TTovrinDataBase> DataBase;
    TTaskNode* CurrentTask = nullptr;
    TTaskPlace* CurrentPlace = nullptr;
    bool Modified = false;
    // Counts the outlines let go (New, Open): a message put off about one is dropped with it.
    uint64_t Outline = 0;
};

// True while the outline shown now is still the one shown.
inline std::function<bool()> WhileOutlineStays(const TWindowState& State)
{
    return [&State, outline = State.Outline] { return State.Outline == outline; };
}

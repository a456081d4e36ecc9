#pragma once
// What the window's parts share: the one document, the task and place being shown, and whether
// the document has unsaved changes. The shell owns it; each part is given it by reference.
#include <memory>

class TTaskNode;
class TTaskPlace;
class TTovrinDataBase;

struct TWindowState {
    std::unique_ptr<TTovrinDataBase> DataBase;
    TTaskNode* CurrentTask = nullptr;
    TTaskPlace* CurrentPlace = nullptr;
    bool Modified = false;
};

#pragma once
// Support for the task tree, places and To-Do tests: outlines grown from a short notation and
// read back in the same notation, so that a whole tree is compared at once.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "taskdb/TaskNode.h"

using Names = std::vector<std::string>;
using Outline = std::map<std::string, TTaskNode*>;

// Grows tasks under parent from a notation such as "A(A1(A11) A2) B": captions separated by
// blanks, a task's subtasks in parentheses after it. Returns the new tasks by caption.
inline Outline Grow(TTaskNode& parent, std::string_view notation)
{
    Outline tasks;
    std::vector<TTaskNode*> parents{&parent};
    TTaskNode* last = nullptr;
    std::string word;
    const auto add = [&] {
        if (!word.empty())
            tasks[word] = last = parents.back()->AddChild(word, -1);
        word.clear();
    };
    for (const char c : notation) {
        if (c == '(' || c == ')' || c == ' ')
            add();
        if (c == '(')
            parents.push_back(last);
        else if (c == ')')
            parents.pop_back();
        else if (c != ' ')
            word += c;
    }
    add();
    return tasks;
}

// The subtree below task in the notation of Grow; a child whose Parent is not the task that
// holds it is marked with "!".
inline std::string Shape(const TTaskNode& task)
{
    std::string out;
    for (const TTaskNode* child : task.Children) {
        out += (out.empty() ? "" : " ") + child->Caption + (child->Parent == &task ? "" : "!");
        if (!child->Children.Empty())
            out += "(" + Shape(*child) + ")";
    }
    return out;
}

// Captions of the tasks below top, in pre-order, for which test holds.
inline Names Where(TTaskNode& top, const std::function<bool(const TTaskNode&)>& test)
{
    Names out;
    top.ForEachNode([&](void*, TTaskNode* t) {
        if (t != &top && test(*t))
            out.push_back(t->Caption);
    }, nullptr);
    return out;
}

template <class TList>
Names Captions(const TList& items)
{
    Names out;
    for (const auto* item : items)
        out.push_back(item->Caption);
    return out;
}

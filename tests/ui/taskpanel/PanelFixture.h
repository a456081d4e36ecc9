#pragma once
// A shown main window over a small outline, for the panel and undo flows.
#include "ui/mainwindow/WindowTestSupport.h"

class PanelFixture : public TWindowFixture {
protected:
    // Root: P (children a, b, c, d), Q (child q1), all expanded.
    void SetUp() override
    {
        TWindowFixture::SetUp();
        BuildOutline([](TTaskNode* root) {
            TTaskNode* p = root->AddChild("P", -1);
            for (const char* name : {"a", "b", "c", "d"})
                p->AddChild(name, -1);
            root->AddChild("Q", -1)->AddChild("q1", -1);
        });
        window->Part<TOutlineViews>().tvTasksTree()->expandAll();
    }

    Names Children(const std::string& caption) const { return ChildCaptions(Task(caption)); }
    Names NodeChildren(const std::string& caption) const { return Texts(window->Part<TOutlineViews>().tvTasksTree(), Node(caption)); }
    std::string Selected() const
    {
        const QList<QTreeWidgetItem*> items = window->Part<TOutlineViews>().tvTasksTree()->selectedItems();
        return items.isEmpty() ? std::string() : items.front()->text(0).toStdString();
    }
};

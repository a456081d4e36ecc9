#pragma once
// A shown main window over a small outline, for the panel and undo flows.
#include "ui/window/WindowTestSupport.h"

#include <QTreeWidget>
#include "ui/TreeViewCheckBoxes.h"

#include <memory>
#include <string>
#include <vector>

#include "taskdb/TovrinDataBase.h"
#include "ui/TovrinMain.h"

class PanelFixture : public ::testing::Test {
protected:
    TTempFolder dir;
    TScriptedServices services;
    std::unique_ptr<TfrmTovrinMain> window;

    void SetUp() override
    {
        TMainWindowEnvironment env;
        env.CurrentDir = dir.Path();
        env.ProgramDir = dir.File("bin");
        env.UserDataDir = dir.File("user");
        env.Services = &services;
        env.PostStartupMessage = false;
        env.SettingsFile = dir.File("settings.ini");
        window = std::make_unique<TfrmTovrinMain>(env);
        window->show();
    }

    void TearDown() override { window.reset(); }

    // Root: P (children a, b, c, d), Q (child q1).
    void BuildOutline()
    {
        window->ClearDocument();  // the window lets go of the tasks it shows before they go
        TTaskNode* root = window->DataBase->Root.get();
        TTaskNode* p = root->AddChild("P", -1);
        for (const char* name : {"a", "b", "c", "d"})
            p->AddChild(name, -1);
        root->AddChild("Q", -1)->AddChild("q1", -1);
        window->FillTaskTree();
        window->tvTasksTree->expandAll();
    }

    TTaskNode* Task(const std::string& caption)
    {
        TTaskNode* found = nullptr;
        window->DataBase->Root->ForEachNode(
            [&](void*, TTaskNode* t) {
                if (!found && t->Caption == caption)
                    found = t;
            },
            nullptr);
        return found;
    }

    QTreeWidgetItem* Node(const std::string& caption)
    {
        return window->FindTaskNode(window->tvTasksTree, Task(caption));
    }

    void Select(const std::string& caption) { window->tvTasksTree->setCurrentItem(Node(caption)); }

    std::vector<std::string> Children(const std::string& caption)
    {
        std::vector<std::string> names;
        for (const TTaskNode* child : Task(caption)->Children)
            names.push_back(child->Caption);
        return names;
    }

    std::vector<std::string> NodeChildren(QTreeWidgetItem* node)
    {
        std::vector<std::string> names;
        for (int i = 0; i < node->childCount(); ++i)
            names.push_back(node->child(i)->text(0).toStdString());
        return names;
    }

    std::string Selected()
    {
        const QList<QTreeWidgetItem*> items = window->tvTasksTree->selectedItems();
        return items.isEmpty() ? std::string() : items.front()->text(0).toStdString();
    }
};

using Names = std::vector<std::string>;

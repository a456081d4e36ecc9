#pragma once
// The Import and Export commands: outlines to and from XML documents and tab-indented text.
// The part owns its two actions; the shell places them in its menus.
#include <QObject>

#include <functional>
#include <string>

class IWindowServices;
class QAction;
class QMenu;
class QWidget;
class TTaskNode;
struct TWindowState;

// What the commands ask of the rest of the window.
struct TExchangeHost {
    // Writes pending edits of the panels back before the outline is read or changed.
    std::function<void()> CommitEdits;
    // The outline's selected task; nullptr when none.
    std::function<TTaskNode*()> SelectedTask;
    // The top of the outline as shown: the virtual root.
    std::function<TTaskNode*()> OutlineRoot;
};

class TImportExport : public QObject {
    Q_OBJECT
public:
    TImportExport(QWidget& Window, TWindowState& State, IWindowServices& Services, TExchangeHost Host);

    QAction* actImport() const { return actImport_; }
    QAction* actExport() const { return actExport_; }
    // Puts both commands into the outline's pop-up menu before Before (nullptr: at the end).
    void AddToMenu(QMenu& Menu, QAction* Before) const;

    // Both add the file's tasks under Target.
    void ImportTabText(const std::string& Name, TTaskNode& Target);
    void ImportXmlFile(const std::string& Name, TTaskNode& Target);
    void ExportXmlFile(const std::string& Name, TTaskNode* StartTask);
    void ExportTabFile(const std::string& Name, TTaskNode* StartTask);

signals:
    // Tasks were added to the outline; the views, history and places lists follow.
    void OutlineImported();

private:
    void actImportExecute();
    void actExportExecute();

    TWindowState& state_;
    IWindowServices& services_;
    TExchangeHost host_;
    QAction* actImport_ = nullptr;
    QAction* actExport_ = nullptr;
};

// The Import and Export commands: outlines to and from XML documents and tab-indented text.
#include "ui/mainwindow/TovrinMain.h"

#include <QAction>
#include <QMenu>

#include <pugixml.hpp>

#include <sstream>

#include "platform/Stream.h"
#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/exchange/TabTextImport.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/mainwindow/WindowServices.h"

namespace {

constexpr const char* ExchangeFilter = "Tab format (*.tab)|*.tab|XML document (*.xml)|*.xml";
constexpr int FilterTab = 1;
constexpr int FilterXml = 2;

} // namespace

void TfrmTovrinMain::BuildImportExport()
{
    auto make = [this](QAction*& action, const char* name, const char* text, void (TfrmTovrinMain::*handler)()) {
        action = new QAction(QString::fromLatin1(text), this);
        action->setObjectName(QString::fromLatin1(name));
        addAction(action);
        connect(action, &QAction::triggered, this, [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
    };
    make(actImport, "actImport", "Import...", &TfrmTovrinMain::actImportExecute);
    make(actExport, "actExport", "Export...", &TfrmTovrinMain::actExportExecute);

    // The outline's pop-up menu: after the refresh command.
    const QList<QAction*> items = pmnuTaskTree->actions();
    const qsizetype at = items.indexOf(actRefreshSubtree);
    QAction* before = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
    pmnuTaskTree->insertSeparator(before);
    pmnuTaskTree->insertAction(before, actImport);
    pmnuTaskTree->insertAction(before, actExport);
}

// ---- Import ----

void TfrmTovrinMain::actImportExecute()
{
    UpdateCurrentTask();
    UpdateCurrentPlace();
    TFileDialogRequest request;
    request.Filter = ExchangeFilter;
    request.FilterIndex = FilterXml;
    if (!Services().ExecuteOpenDialog(request))
        return;
    QTreeWidgetItem* target = SelectedNode(tvTasksTree);
    if (request.FilterIndex == FilterTab)
        ImportTabText(request.FileName, target);
    else
        ImportXmlFile(request.FileName, target);
    SetModified(true);
    ClearUndoHistory();
    FillTaskTree();
    PlacesListsStale = true;
    RefreshPlacesLists();
}

void TfrmTovrinMain::ImportTabText(const std::string& Name, QTreeWidgetItem* TargetNode)
{
    TTaskNode* target = TargetNode ? NodeTask(TargetNode) : nullptr;
    if (!target)
        target = VirtualRoot;
    ImportTabTextFile(Name, *target);
}

// ---- Export ----

void TfrmTovrinMain::actExportExecute()
{
    UpdateCurrentTask();
    UpdateCurrentPlace();
    TFileDialogRequest request;
    request.Filter = ExchangeFilter;
    request.FilterIndex = FilterXml;
    request.DefaultExtension = "xml";
    if (!Services().ExecuteSaveDialog(request))
        return;
    AddDefaultExtension(request);  // a tab export of "plan" is "plan.tab", never "plan.xml"
    TTaskNode* start = VirtualRoot;
    if (TTaskNode* selected = NodeTask(SelectedNode(tvTasksTree))) {
        switch (ConfirmYesNoCancel(std::string("Export only SELECTED task with subtasks?") + "\n\r\n\r" +
                                   "If you click \"No\" the entire Task Tree will be exported.")) {
        case idCancel:
            return;
        case idYes:
            start = selected;
            break;
        default:
            break;
        }
    }
    if (request.FilterIndex == FilterTab)
        ExportTabFile(request.FileName, start);
    else
        ExportXmlFile(request.FileName, start);
}

void TfrmTovrinMain::ExportTabFile(const std::string& Name, TTaskNode* StartTask)
{
    if (ConfirmYesNo("Only task captions and notes will be exported to this format. Continue?"))
        DataBase->ExportText(Name, StartTask);
}

void TfrmTovrinMain::ExportXmlFile(const std::string& Name, TTaskNode* StartTask)
{
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = document.append_child("TovrinPlanner-xml");
    root.append_attribute("ver") = "1.0";
    DataBase->ExportXml(root, StartTask);

    // The whole text is made before the file is touched, so a failure leaves no half file.
    std::ostringstream text;
    document.save(text, "  ", pugi::format_indent, pugi::encoding_utf8);
    const std::string bytes = text.str();
    TFileStream file(Name, TFileMode::fmCreate);
    file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

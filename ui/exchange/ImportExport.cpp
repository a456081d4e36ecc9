// The Import and Export commands: outlines to and from XML documents and tab-indented text.
#include "ui/exchange/ImportExport.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include <pugixml.hpp>

#include <sstream>
#include <utility>

#include "platform/Exceptions.h"
#include "platform/SafeFileReplace.h"
#include "platform/Stream.h"
#include "taskdb/Services.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"
#include "taskdb/XmlExchange.h"
#include "ui/exchange/TabTextImport.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/mainwindow/WindowAction.h"

namespace {

constexpr const char* ExchangeFilter = "Tab format (*.tab)|*.tab|XML document (*.xml)|*.xml";
constexpr int FilterTab = 1;
constexpr int FilterXml = 2;

} // namespace

TImportExport::TImportExport(QWidget& Window, TWindowState& State, IWindowServices& Services, TExchangeHost Host)
    : QObject(&Window), state_(State), services_(Services), host_(std::move(Host))
{
    actImport_ = MakeWindowAction(Window, *this, "actImport", "Import...", nullptr, &TImportExport::actImportExecute);
    actExport_ = MakeWindowAction(Window, *this, "actExport", "Export...", nullptr, &TImportExport::actExportExecute);
}

void TImportExport::AddToMenu(QMenu& Menu, QAction* Before) const
{
    Menu.insertSeparator(Before);
    Menu.insertAction(Before, actImport_);
    Menu.insertAction(Before, actExport_);
}

// ---- Import ----

void TImportExport::actImportExecute()
{
    host_.CommitEdits();
    TFileDialogRequest request;
    request.Filter = ExchangeFilter;
    request.FilterIndex = FilterXml;
    if (!services_.ExecuteOpenDialog(request))
        return;
    TTaskNode* selected = host_.SelectedTask();
    TTaskNode& target = selected ? *selected : *host_.OutlineRoot();
    if (request.FilterIndex == FilterTab)
        ImportTabText(request.FileName, target);
    else
        ImportXmlFile(request.FileName, target);
    emit OutlineImported();
}

void TImportExport::ImportTabText(const std::string& Name, TTaskNode& Target)
{
    ImportTabTextFile(Name, Target);
}

void TImportExport::ImportXmlFile(const std::string& Name, TTaskNode& Target)
{
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_file(Name.c_str(), XmlExchangeParseOptions());
    if (!parsed)
        throw Exception("Can not read \"" + Name + "\": " + parsed.description());
    state_.DataBase->ImportXml(document.document_element(), &Target);
}

// ---- Export ----

void TImportExport::actExportExecute()
{
    host_.CommitEdits();
    TFileDialogRequest request;
    request.Filter = ExchangeFilter;
    request.FilterIndex = FilterXml;
    request.DefaultExtension = "xml";
    if (!services_.ExecuteSaveDialog(request))
        return;
    AddDefaultExtension(request);  // a tab export of "plan" is "plan.tab", never "plan.xml"
    TTaskNode* start = host_.OutlineRoot();
    if (TTaskNode* selected = host_.SelectedTask()) {
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

void TImportExport::ExportTabFile(const std::string& Name, TTaskNode* StartTask)
{
    if (ConfirmYesNo("Only task captions and notes will be exported to this format. Continue?"))
        state_.DataBase->ExportText(Name, StartTask);
}

void TImportExport::ExportXmlFile(const std::string& Name, TTaskNode* StartTask)
{
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = document.append_child("TovrinPlanner-xml");
    root.append_attribute("ver") = "1.0";
    state_.DataBase->ExportXml(root, StartTask);

    std::ostringstream text;
    document.save(text, "  ", pugi::format_indent, pugi::encoding_utf8);
    const std::string bytes = text.str();
    // Beside the file and then over it: a failure leaves an earlier export whole.
    ReplaceFileSafely(Name, [&bytes](TStream& file) { file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size())); });
}

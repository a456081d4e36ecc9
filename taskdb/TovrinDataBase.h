#pragma once
// The document: the outline's root task, its places, the computed To-Do list, the outline's
// display switches and the synchronisation settings and run-time state.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/DateTime.h"
#include "platform/StringList.h"
#include "taskdb/TaskDbExceptions.h"
#include "taskdb/TaskNode.h"

class TStream;
class TTaskPlace;
class TTaskPlacesList;
// Run-time indexes of one synchronisation pass; defined and built by the synchronisation.
class TEntryIDIndex;
class TRecurringTaskIndex;
namespace pugi {
class xml_node;
}

class TTovrinDataBase {
public:
    // Builds an empty document and makes it the CurrentDataBase.
    TTovrinDataBase();
    // Frees the outline without recording deletions; clears CurrentDataBase when it is this.
    ~TTovrinDataBase();
    TTovrinDataBase(const TTovrinDataBase&) = delete;
    TTovrinDataBase& operator=(const TTovrinDataBase&) = delete;

    // ---- Fields, in declaration order ----
    std::unique_ptr<TTaskNode> Root;
    std::unique_ptr<TTaskPlacesList> PlacesList;
    TTaskNodeList ToDoList;          // refers to tasks, owns none
    bool ShowTaskProperties = true;
    bool ShowTaskTreeViews = true;
    bool ShowPlaces = true;
    bool ShowToDoSheet = true;
    bool ToDoAutoUpdate = true;
    int32_t ToDoPlaceFilterID = -10; // -10 = all places
    bool ShowImportance = true;
    bool ShowEffort = true;
    bool ShowGoals = true;
    bool ShowProject = true;
    bool ShowTime = true;
    int32_t HeaderValue = 0;
    TDateTime LastSyncTime = 0;
    std::string OutlookCategory;
    std::string NewOutlookTasksParent = "<NewOutlookTasks>";
    int32_t SyncLogLevel = 2;
    int32_t MaxSyncLogSize = 102400;
    bool SyncOptionFlag1 = false;
    bool SyncOptionFlag2 = false;
    int32_t SyncOptionNumber = 5;
    std::string SyncOptionString1;
    std::string DeletedItemsCategory;
    TDateTime SyncOptionDate = 0;
    uint8_t SyncOptionMode = 2;
    std::string OutlookFolderEntryID;
    int32_t FileVersion = 3;
    std::string OutlookFolderPath;
    int32_t UpdateCounter = 0;       // above 0, freed tasks are not recorded as deleted
    std::shared_ptr<TEntryIDIndex> EntryIDIndex;
    bool DisconnectAll = false;
    std::shared_ptr<TRecurringTaskIndex> RecurringTaskIndex;
    TStringList DeletedEntryIDs;     // sorted, duplicates ignored, case-sensitive
    TTaskNode* PlaceSourceTask = nullptr;

    // ---- Document ----
    // Empties the document for New and Open; the display switches keep their values.
    void Clear();
    // Records a freed linked task's EntryID for the next synchronisation (see the rule in
    // the implementation).
    void RememberDeletedEntryID(const TTaskNode& Task);
    // Completes (or reopens) every task of Task's subtree that is not yet in that state.
    void SetSubtasksCompleted(TTaskNode* Task, bool Completed);

    // ---- Setters ----
    void SetShowPlaces(bool Value) { ShowPlaces = Value; }
    void SetShowTaskProperties(bool Value) { ShowTaskProperties = Value; }
    void SetShowTaskTreeViews(bool Value) { ShowTaskTreeViews = Value; }
    void SetShowToDoSheet(bool Value) { ShowToDoSheet = Value; }
    void SetToDoAutoUpdate(bool Value) { ToDoAutoUpdate = Value; }
    void SetShowEffort(bool Value) { ShowEffort = Value; }
    void SetShowGoals(bool Value) { ShowGoals = Value; }
    void SetShowImportance(bool Value) { ShowImportance = Value; }
    void SetShowProject(bool Value) { ShowProject = Value; }
    void SetShowTime(bool Value) { ShowTime = Value; }
    void SetToDoPlaceFilterID(int32_t Value) { ToDoPlaceFilterID = Value; }
    void SetLastSyncTime(TDateTime Value) { LastSyncTime = Value; }
    void SetOutlookCategory(const std::string& Value) { OutlookCategory = Value; }
    void SetNewOutlookTasksParent(const std::string& Value) { NewOutlookTasksParent = Value; }
    void SetDeletedItemsCategory(const std::string& Value) { DeletedItemsCategory = Value; }
    void SetSyncOptionString1(const std::string& Value) { SyncOptionString1 = Value; }
    void SetSyncOptionFlag1(bool Value) { SyncOptionFlag1 = Value; }
    void SetSyncOptionFlag2(bool Value) { SyncOptionFlag2 = Value; }
    void SetSyncOptionNumber(int32_t Value) { SyncOptionNumber = Value; }
    void SetSyncOptionMode(uint8_t Value) { SyncOptionMode = Value; }
    void SetSyncOptionDate(TDateTime Value) { SyncOptionDate = Value; }

    // ---- Places on subtrees (PlaceOperations.cpp) ----
    void AddPlacesToSubtasks(TTaskNode* Task);
    void ReplaceSubtasksPlaces(TTaskNode* Task);
    void ClearSubtasksPlaces(TTaskNode* Task);

    // ---- To-Do computation (ToDo.cpp) ----
    // StartTask nullptr = Root; FilterPlace nullptr = all places.
    void RebuildToDo(TTaskNode* StartTask, TTaskPlace* FilterPlace, bool IgnoreTime,
                     TDateTime Date);

    // ---- Data file (DataFile.cpp) ----
    void LoadFromStream(TStream& Stream, const std::string& Password);
    void SaveToStream(TStream& Stream, const std::string& Password, int32_t Version);

    // ---- XML and text exchange (XmlExchange.cpp, TextExchange.cpp) ----
    // StartTask / TargetTask nullptr = Root.
    void ExportXml(pugi::xml_node ParentNode, TTaskNode* StartTask);
    void ImportXml(pugi::xml_node Node, TTaskNode* TargetTask);
    void ExportText(const std::string& FileName, TTaskNode* StartTask);

    // ---- Outlook synchronisation (outlooksync/) ----

private:
    // The synchronisation settings and state as a new or cleared document has them.
    void ResetSyncSettings(const std::string& NewTasksParent);
};

// The one document of the running program; nullptr before it is built and after it is freed.
extern TTovrinDataBase* CurrentDataBase;

#pragma once
// A task store of iCalendar files in the vdir layout (as todoman and vdirsyncer use it): a
// folder is a directory, each task item is one ".ics" file in it holding a VTODO. The item's
// EntryID is its UID; its modification time is when this machine saw the file change (kept in
// the state file the run names). Subject, body, due and start dates, completion, categories
// and the presence of a recurrence rule are read and written; every other property of a file
// is kept byte for byte when the item is saved. A file that cannot be read or used is never
// written and its calls fail with the reason, naming the file.
//
// Folders are found below a root directory: with the root "/", the folder path
// "\home\me\tasks" names the directory /home/me/tasks. A folder's EntryID follows the
// directory itself (device and inode), so it survives renaming and moving within the file
// system. A directory counts as a task folder when any of its calendar files holds a task, or
// none holds events or journal entries.
#include <memory>
#include <string>

#include "outlooksync/OutlookAutomation.h"

std::shared_ptr<IOutlookApplication> CreateVdirApplication(const std::string& RootDirectory);
TOutlookApplicationFactory VdirApplicationFactory(const std::string& RootDirectory = "/");
// "/home/me/tasks" -> "\home\me\tasks", the form the synchronisation's folder path takes.
std::string FolderPathFromDirectory(const std::string& Directory);

#include "ui/mainwindow/WindowCaption.h"

#include "platform/FileUtils.h"

TWindowCaption MakeWindowCaption(const std::string& fileName, bool modified)
{
    TWindowCaption result;
    const std::string name = ExtractFileName(fileName);
    result.TrayHint = name.empty() ? std::string(ApplicationTitle) : name + " - " + ApplicationTitle;
    result.Caption = modified ? result.TrayHint + " *" : result.TrayHint;
    return result;
}

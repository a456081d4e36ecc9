#pragma once
// The window side of the ZIP component's host: its questions and boxes as modal message boxes
// with the component's captions, its file dialog, the program's hourglass guard and a turn of
// Qt's event loop.
#include <memory>
#include <vector>

#include "ui/mainwindow/WindowServices.h"
#include "zip/ZipHost.h"

class ISaveCursor;

class TQtZipHost : public IZipHost {
public:
    TQtZipHost();
    ~TQtZipHost() override;

    bool AskYesNo(std::string_view text, std::string_view caption) override;
    void ShowError(std::string_view text, std::string_view caption) override;
    bool ChooseFile(std::string_view title, std::string_view filter, const std::string& initialDir,
                    std::string& fileName) override;
    void BeginHourGlass() override;
    void EndHourGlass() override;
    void ProcessMessages() override;

private:
    TQtUiServices services_;   // the file dialog every other command uses
    std::vector<std::shared_ptr<ISaveCursor>> hourGlasses_;
};

// Installs a TQtZipHost for the scope's lifetime (the main window holds one).
class TZipHostInstaller {
public:
    TZipHostInstaller();
    ~TZipHostInstaller();
    TZipHostInstaller(const TZipHostInstaller&) = delete;
    TZipHostInstaller& operator=(const TZipHostInstaller&) = delete;

private:
    TQtZipHost host_;
};

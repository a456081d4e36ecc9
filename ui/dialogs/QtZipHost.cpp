#include "ui/dialogs/QtZipHost.h"

#include <QApplication>
#include <QMessageBox>

#include "taskdb/Services.h"
#include "ui/mainwindow/WindowServices.h"

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

TQtZipHost::TQtZipHost() = default;

TQtZipHost::~TQtZipHost() = default;

bool TQtZipHost::AskYesNo(std::string_view text, std::string_view caption)
{
    return QMessageBox::question(QApplication::activeWindow(), Q(caption), Q(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void TQtZipHost::ShowError(std::string_view text, std::string_view caption)
{
    QMessageBox::critical(QApplication::activeWindow(), Q(caption), Q(text));
}

bool TQtZipHost::ChooseFile(std::string_view title, std::string_view filter, const std::string& initialDir,
                            std::string& fileName)
{
    // The program's own open dialog, with the component's title and folder.
    TFileDialogRequest request;
    request.Filter = std::string(filter);
    request.Title = std::string(title);
    request.Directory = initialDir;
    if (!services_.ExecuteOpenDialog(request))
        return false;
    fileName = request.FileName;
    return true;
}

void TQtZipHost::BeginHourGlass()
{
    hourGlasses_.push_back(HourGlass());
}

void TQtZipHost::EndHourGlass()
{
    if (!hourGlasses_.empty())
        hourGlasses_.pop_back();
}

void TQtZipHost::ProcessMessages()
{
    QCoreApplication::processEvents();
}

TZipHostInstaller::TZipHostInstaller()
{
    SetZipHost(&host_);
}

TZipHostInstaller::~TZipHostInstaller()
{
    if (&ZipHost() == &host_)
        SetZipHost(nullptr);
}

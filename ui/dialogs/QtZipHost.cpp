#include "ui/dialogs/QtZipHost.h"

#include <QApplication>
#include <QFileDialog>
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
    QFileDialog dialog(QApplication::activeWindow(), Q(title), Q(initialDir));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(Q(QtFilterFromClassLibrary(std::string(filter))).split(QStringLiteral(";;"), Qt::SkipEmptyParts));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().front().toStdString();
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

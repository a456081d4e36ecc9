#include "ui/mainwindow/WindowServices.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringList>

#include "platform/FileUtils.h"
#include "ui/mainwindow/WindowCaption.h"

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QWidget* DialogParent() { return QApplication::activeWindow(); }

QString BoxTitle() { return QString::fromLatin1(ApplicationTitle); }

int32_t ButtonId(QMessageBox::StandardButton button, bool withCancel)
{
    switch (button) {
    case QMessageBox::Yes:
        return idYes;
    case QMessageBox::No:
        return idNo;
    default:
        return withCancel ? idCancel : idNo;  // closing the box
    }
}

Qt::CursorShape ShapeOf(int16_t cursor)
{
    switch (cursor) {
    case crHourGlass:
        return Qt::WaitCursor;
    case -4:  // I-beam
        return Qt::IBeamCursor;
    case -21:  // hand point
        return Qt::PointingHandCursor;
    case -19:  // app start
        return Qt::BusyCursor;
    default:
        return Qt::ArrowCursor;
    }
}

QStringList SplitFilter(const std::string& filter)
{
    return Q(QtFilterFromClassLibrary(filter)).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
}

void PrepareDialog(QFileDialog& dialog, const TFileDialogRequest& request)
{
    const QStringList filters = SplitFilter(request.Filter);
    dialog.setNameFilters(filters);
    if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.FilterIndex - 1]);
    // The suffix follows the chosen filter, so that the overwrite question names the right file.
    dialog.setDefaultSuffix(Q(DefaultExtensionFor(request, request.FilterIndex)));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, request](const QString& filter) {
        const int index = static_cast<int>(dialog.nameFilters().indexOf(filter));
        dialog.setDefaultSuffix(Q(DefaultExtensionFor(request, index + 1)));
    });
    if (!request.Title.empty())
        dialog.setWindowTitle(Q(request.Title));
    if (!request.Directory.empty())
        dialog.setDirectory(Q(request.Directory));
    if (!request.FileName.empty())
        dialog.selectFile(Q(request.FileName));
}

bool RunDialog(QFileDialog& dialog, TFileDialogRequest& request)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    request.FileName = dialog.selectedFiles().front().toStdString();
    const int index = static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
    if (index >= 0)
        request.FilterIndex = index + 1;
    return true;
}

} // namespace

int32_t TQtUiServices::AskQuestion(const std::string& Text, bool WithCancel)
{
    const auto buttons = WithCancel ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel
                                    : QMessageBox::Yes | QMessageBox::No;
    const auto answer = QMessageBox::question(DialogParent(), BoxTitle(), Q(Text),
                                              buttons, QMessageBox::Yes);
    return ButtonId(answer, WithCancel);
}

void TQtUiServices::ShowWarning(const std::string& Text)
{
    QMessageBox::warning(DialogParent(), BoxTitle(), Q(Text));
}

void TQtUiServices::ShowError(const std::string& Text)
{
    QMessageBox::critical(DialogParent(), BoxTitle(), Q(Text));
}

void TQtUiServices::ShowInformation(const std::string& Text)
{
    QMessageBox::information(DialogParent(), BoxTitle(), Q(Text));
}

int32_t TQtUiServices::AskError(const std::string& Text)
{
    const auto answer = QMessageBox::critical(DialogParent(), BoxTitle(), Q(Text),
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                              QMessageBox::Yes);
    return ButtonId(answer, true);
}

int32_t TQtUiServices::AskWarningYesNo(const std::string& Text)
{
    return ButtonId(QMessageBox::warning(DialogParent(), QApplication::applicationDisplayName(), Q(Text),
                                         QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes),
                    false);
}

int32_t TQtUiServices::AskErrorYesNo(const std::string& Text)
{
    return ButtonId(QMessageBox::critical(DialogParent(), QApplication::applicationDisplayName(), Q(Text),
                                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes),
                    false);
}

void TQtUiServices::SetScreenCursor(int16_t Cursor)
{
    cursor_ = Cursor;
    if (Cursor == crDefault) {
        if (overrideSet_)
            QGuiApplication::restoreOverrideCursor();
        overrideSet_ = false;
        return;
    }
    if (overrideSet_) {
        QGuiApplication::changeOverrideCursor(QCursor(ShapeOf(Cursor)));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(ShapeOf(Cursor)));
        overrideSet_ = true;
    }
}

void TQtUiServices::HideCursor()
{
    // The next SetScreenCursor replaces the blank cursor.
    if (overrideSet_) {
        QGuiApplication::changeOverrideCursor(QCursor(Qt::BlankCursor));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
        overrideSet_ = true;
    }
}

bool TQtUiServices::SetClipboardText(const std::string& Text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(Q(Text));
    return true;
}

std::string TQtUiServices::GetClipboardText()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text().toStdString() : std::string();
}

bool TQtUiServices::ExecuteOpenDialog(TFileDialogRequest& Request)
{
    QFileDialog dialog(DialogParent());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    PrepareDialog(dialog, Request);
    return RunDialog(dialog, Request);
}

bool TQtUiServices::ExecuteSaveDialog(TFileDialogRequest& Request)
{
    QFileDialog dialog(DialogParent());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);  // the folder must exist; overwriting is confirmed
    PrepareDialog(dialog, Request);
    return RunDialog(dialog, Request);
}

bool TQtUiServices::ExecuteFolderDialog(std::string& Directory)
{
    QFileDialog dialog(DialogParent());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (!Directory.empty())
        dialog.setDirectory(Q(Directory));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    Directory = dialog.selectedFiles().front().toStdString();
    return true;
}

std::string QtFilterFromClassLibrary(const std::string& filter)
{
    // Pairs of description and pattern; Qt reads the pattern from the description's brackets.
    std::string result;
    size_t pos = 0;
    while (pos < filter.size()) {
        size_t bar = filter.find('|', pos);
        const std::string description = filter.substr(pos, bar == std::string::npos ? std::string::npos : bar - pos);
        std::string pattern;
        if (bar != std::string::npos) {
            const size_t next = filter.find('|', bar + 1);
            pattern = filter.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1);
            pos = next == std::string::npos ? filter.size() : next + 1;
        } else {
            pos = filter.size();
        }
        if (!result.empty())
            result += ";;";
        if (pattern.empty() || description.find('(') != std::string::npos)
            result += description;
        else
            result += description + " (" + pattern + ")";
    }
    return result;
}

std::string DefaultExtensionFor(const TFileDialogRequest& Request, int FilterIndex)
{
    // The pattern is every second field of the filter.
    const QStringList fields = Q(Request.Filter).split(QLatin1Char('|'));
    const qsizetype at = static_cast<qsizetype>(FilterIndex) * 2 - 1;
    if (FilterIndex >= 1 && at < fields.size()) {
        const QString& pattern = fields[at];
        if (pattern.startsWith(QStringLiteral("*.")) && !pattern.mid(2).contains(QRegularExpression(QStringLiteral("[*?;]"))))
            return pattern.mid(2).toStdString();
    }
    return Request.DefaultExtension;
}

void AddDefaultExtension(TFileDialogRequest& Request)
{
    const std::string extension = DefaultExtensionFor(Request, Request.FilterIndex);
    if (!Request.FileName.empty() && !extension.empty() && ExtractFileExt(Request.FileName).empty())
        Request.FileName += "." + extension;
}

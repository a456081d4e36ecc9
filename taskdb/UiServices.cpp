#include "taskdb/UiServices.h"

namespace {

IUiServices* installedServices = nullptr;

}  // namespace

int32_t THeadlessUiServices::AskQuestion(const std::string&, bool WithCancel)
{
    return WithCancel ? idCancel : idNo;
}

void THeadlessUiServices::ShowWarning(const std::string&) {}

bool THeadlessUiServices::SetClipboardText(const std::string& Text)
{
    clipboard_ = Text;
    return true;
}

IUiServices& UiServices()
{
    static THeadlessUiServices headless;
    return installedServices ? *installedServices : headless;
}

void SetUiServices(IUiServices* Services)
{
    installedServices = Services;
}

#include "ui/dialogs/HelpCommands.h"

#include <QDesktopServices>
#include <QUrl>

#include <string>

#include "ui/dialogs/frmAbout.h"
#include "ui/mainwindow/WindowAction.h"

namespace {

void OpenShellTarget(const std::string& target)
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(target)));
}

constexpr const char* HowItWorksPage = "/how-it-works";

} // namespace

THelpCommands::THelpCommands(QWidget& Window) : QObject(&Window)
{
    Howitworks1_ = MakeWindowAction(Window, *this, "Howitworks1", "How it works...", nullptr,
                                    &THelpCommands::Howitworks1Click);
    VisitTovrinWebSite1_ = MakeWindowAction(Window, *this, "VisitTovrinWebSite1", "Visit Tovrin Web Site", nullptr,
                                            &THelpCommands::VisitTovrinWebSite1Click);
    Proposenewfeature1_ = MakeWindowAction(Window, *this, "Proposenewfeature1",
                                           "Send feedback, Propose new feature...", nullptr,
                                           &THelpCommands::Proposenewfeature1Click);
    actAbout_ = MakeWindowAction(Window, *this, "actAbout", "About...", nullptr, &THelpCommands::actAboutExecute);
}

void THelpCommands::Howitworks1Click()
{
    OpenShellTarget(std::string(AboutWebSite) + HowItWorksPage);
}

void THelpCommands::VisitTovrinWebSite1Click()
{
    OpenShellTarget(AboutWebSite);
}

void THelpCommands::Proposenewfeature1Click()
{
    OpenShellTarget(AboutMailLink());
}

void THelpCommands::actAboutExecute()
{
    ShowAbout();
}

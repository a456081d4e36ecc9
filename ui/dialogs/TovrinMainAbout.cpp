// The About command (at the end of the Help menu).
#include "ui/mainwindow/TovrinMain.h"

#include <QAction>

#include "ui/mainwindow/TovrinApplication.h"
#include "ui/dialogs/frmAbout.h"

void TfrmTovrinMain::BuildAboutCommand()
{
    actAbout = new QAction(QStringLiteral("About..."), this);
    actAbout->setObjectName(QStringLiteral("actAbout"));
    addAction(actAbout);
    connect(actAbout, &QAction::triggered, this, [this] { RunGuarded([this] { actAboutExecute(); }); });
}

void TfrmTovrinMain::actAboutExecute()
{
    ShowAbout();
}

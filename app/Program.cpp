#include "app/Program.h"

#include <QDir>
#include <QStandardPaths>

#include <csignal>

#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/TovrinMain.h"

namespace {

std::vector<std::string> Strings(const QStringList& list)
{
    std::vector<std::string> result;
    for (const QString& s : list)
        result.push_back(s.toStdString());
    return result;
}

} // namespace

int RunProgram(int& argc, char** argv, const std::function<void(TfrmTovrinMain&)>& Shown)
{
    // Under a file-size limit a write past it then fails with EFBIG, reported and cleaned up as
    // a full disk is, instead of the signal ending the program in the middle of a save.
    ::signal(SIGXFSZ, SIG_IGN);
    TTovrinApplication app(argc, argv);

    TMainWindowEnvironment environment;
    environment.Args = Strings(QCoreApplication::arguments().mid(1));
    environment.ProgramDir = QCoreApplication::applicationDirPath().toStdString();
    QStringList dataDirs;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        dataDirs << dir + QStringLiteral("/tovrin");
    environment.DataDirs = Strings(dataDirs);
    environment.UserDataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
    if (!environment.UserDataDir.empty())
        QDir().mkpath(QString::fromStdString(environment.UserDataDir));

    TfrmTovrinMain window(environment);
    window.show();
    if (Shown)
        Shown(window);
    return app.exec();
}

// Program entry: the application object, the main window and the event loop.
#include <QDir>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include "ui/TovrinApplication.h"
#include "ui/TovrinMain.h"

namespace {

std::vector<std::string> Strings(const QStringList& list)
{
    std::vector<std::string> result;
    for (const QString& s : list)
        result.push_back(s.toStdString());
    return result;
}

// For the smoke test only: once the start-up outline is open, the screen is saved to the
// named PNG file and the program closes.
void ScheduleScreenshot(TfrmTovrinMain& window, const QString& file)
{
    QTimer::singleShot(1500, &window, [&window, file] {
        if (QScreen* screen = window.screen())
            screen->grabWindow(0).save(file, "PNG");
        window.close();
        QCoreApplication::quit();
    });
}

} // namespace

int main(int argc, char* argv[])
{
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
    const QString screenshot = qEnvironmentVariable("TOVRIN_SMOKE_SCREENSHOT");
    if (!screenshot.isEmpty())
        ScheduleScreenshot(window, screenshot);
    return app.exec();
}

#include "OptionsTestSupport.h"

#include <QSettings>
#include <QTimer>

#include <fstream>
#include <unistd.h>

namespace {

class TApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        home_ = std::filesystem::temp_directory_path() / ("tovrin_ui_options_" + std::to_string(::getpid()));
        std::filesystem::create_directories(home_);
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home_ / "config").string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home_ / "data").string()));
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override
    {
        delete app_;
        std::filesystem::remove_all(home_);
    }

private:
    int argc_ = 1;
    char name_[24] = "ui_options_tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
    std::filesystem::path home_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

int counter = 0;

int32_t Next(std::deque<int32_t>& answers, bool withCancel, const std::vector<std::string>& shown)
{
    if (answers.empty()) {
        ADD_FAILURE() << "unscripted question: " << (shown.empty() ? "" : shown.back());
        return withCancel ? idCancel : idNo;
    }
    const int32_t answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace

int32_t TScriptedServices::AskQuestion(const std::string& Text, bool WithCancel)
{
    Shown.push_back(Text);
    return Next(Answers, WithCancel, Shown);
}

int32_t TScriptedServices::AskError(const std::string& Text)
{
    Shown.push_back(Text);
    return Next(Answers, true, Shown);
}

bool TScriptedServices::ExecuteOpenDialog(TFileDialogRequest&)
{
    ADD_FAILURE() << "unscripted open dialog";
    return false;
}

bool TScriptedServices::ExecuteSaveDialog(TFileDialogRequest& Request)
{
    ++SaveDialogs;
    if (DuringSaveDialog)
        DuringSaveDialog();
    if (SaveNames.empty()) {
        ADD_FAILURE() << "unscripted save dialog";
        return false;
    }
    Request.FileName = SaveNames.front();
    SaveNames.pop_front();
    return !Request.FileName.empty();
}

TTempFolder::TTempFolder()
{
    path_ = std::filesystem::temp_directory_path() /
            ("tovrin_ui_opt_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TTempFolder::~TTempFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::unique_ptr<TfrmTovrinMain> OptionsTest::MakeWindow(const std::string& settingsLines)
{
    if (!settingsLines.empty())
        std::ofstream(SettingsFile()) << "[Settings]\n" << settingsLines;
    TMainWindowEnvironment env;
    env.ProgramDir = dir_.File("program");
    env.CurrentDir = dir_.File("");
    env.Services = &services_;
    env.PostStartupMessage = false;
    env.SettingsFile = SettingsFile();
    return std::make_unique<TfrmTovrinMain>(env);
}

std::string OptionsTest::Stored(const std::string& name) const
{
    QSettings store(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
    return store.value(QString::fromStdString("Settings/" + name)).toString().toStdString();
}

void WhenModal(std::function<void(QWidget* dialog)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) {
            ADD_FAILURE() << "no modal dialog";
            return;
        }
        action(dialog);
    });
}

#include "WindowTestSupport.h"

#include <QStandardPaths>

#include <unistd.h>

namespace {

// The application object lives for the whole binary; settings and data folders point into a
// temporary folder so that no test touches the user's own.
class TApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        home_ = std::filesystem::temp_directory_path() / ("tovrin_ui_home_" + std::to_string(::getpid()));
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
    char name_[16] = "ui_window_tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
    std::filesystem::path home_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

int counter = 0;

} // namespace

TTempFolder::TTempFolder()
{
    path_ = std::filesystem::temp_directory_path() /
            ("tovrin_ui_win_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TTempFolder::~TTempFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

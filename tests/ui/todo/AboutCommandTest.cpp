// The About command of the main window.
#include "TodoTestSupport.h"

#include <QPointer>
#include <QPushButton>

#include "ui/frmAbout.h"

namespace {

TEST_F(TWindowFixture, AboutShowsTheBoxOverTheDisabledWindowUntilClose)
{
    window->actAbout->trigger();
    QPointer<TAboutDlg> box;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* about = qobject_cast<TAboutDlg*>(widget))
            box = about;
    ASSERT_FALSE(box.isNull());
    EXPECT_FALSE(window->isEnabled());
    box->Button1->click();
    EXPECT_TRUE(window->isEnabled());
    delete box.data();
}

} // namespace

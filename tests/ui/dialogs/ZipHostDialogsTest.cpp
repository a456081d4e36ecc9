// The ZIP component's questions, dialog and cursor as the program shows them: real message
// boxes and file dialog, answered by clicks from inside their own modal loops.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include "zip/ZipTestSupport.h"
#include "ui/dialogs/QtZipHost.h"
#include "zip/SuperUnZip.h"
#include "zip/ZipExceptions.h"

namespace {

// Clicks the box's button once it shows, after noting its caption and text.
void AnswerBox(QMessageBox::StandardButton button, QString& caption, QString& text)
{
    WhenModal<QMessageBox>([button, &caption, &text](QMessageBox& box) {
        caption = box.windowTitle();
        text = box.text();
        QTest::mouseClick(box.button(button), Qt::LeftButton);
    });
}

}  // namespace

TEST(QtZipHost, OverwriteQuestionIsAYesNoBoxWithItsCaption)
{
    TTempDir dir;
    WriteFileBytes(dir / "z.zip", BuildArchive({{"f.txt", ToBytes("new")}}).bytes);
    TZipHostInstaller installed;
    for (auto [button, content] : {std::pair{QMessageBox::No, "old"}, std::pair{QMessageBox::Yes, "new"}}) {
        WriteFileBytes(dir / "dest/f.txt", ToBytes("old"));
        TSuperUnZip z;
        z.SetZipName(dir / "z.zip");
        z.SetDestDir(dir / "dest");
        z.FilesList.Add("f.txt");
        z.OpenZip();
        QString caption, text;
        AnswerBox(button, caption, text);
        z.ExtractMatching();
        EXPECT_EQ(caption, QStringLiteral("File Exists Alert"));
        EXPECT_EQ(text, QStringLiteral("Replace existing file f.txt?"));
        EXPECT_EQ(ReadFileBytes(dir / "dest/f.txt"), ToBytes(content));
    }
}

TEST(QtZipHost, OpenDialogForANameEndingInAQuestionMark)
{
    TTempDir dir;
    WriteFileBytes(dir / "pick.zip", BuildArchive({}).bytes);
    TZipHostInstaller installed;
    TSuperUnZip z;
    for (bool accept : {false, true}) {
        QString title, directory;
        QStringList filters;
        WhenModal<QFileDialog>([&, accept](QFileDialog& dialog) {
            title = dialog.windowTitle();
            directory = dialog.directory().absolutePath();
            filters = dialog.nameFilters();
            if (!accept) {
                dialog.reject();
                return;
            }
            // The name typed into the dialog's own field, then Enter.
            auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(edit, nullptr);
            edit->setText(QStringLiteral("pick.zip"));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        if (accept) {
            z.SetZipName(dir / "?");
            EXPECT_EQ(z.ZipName(), dir / "pick.zip");
        } else {
            EXPECT_EQ(MessageOfThrown<EUserCanceled>([&] { z.SetZipName(dir / "?"); }),
                      "User canceled setting zip file name.");
        }
        EXPECT_EQ(title, QStringLiteral("Open a Zip File"));
        EXPECT_EQ(directory.toStdString(), dir.Path());
        EXPECT_EQ(filters, (QStringList{"Zip Files (*.ZIP)", "SFX Files (*.EXE)", "All Files (*.*)"}));
    }
}

TEST(QtZipHost, ErrorBoxHourGlassAndMessages)
{
    TQtUiServices services;   // the program's cursor guard works through these
    SetUiServices(&services);
    TZipHostInstaller installed;
    IZipHost& host = ZipHost();

    QString caption, text;
    AnswerBox(QMessageBox::Ok, caption, text);
    host.ShowError("*** inflate out of memory ***", "Error");
    EXPECT_EQ(caption, QStringLiteral("Error"));
    EXPECT_EQ(text, QStringLiteral("*** inflate out of memory ***"));

    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        TZipHourGlass outer;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        TZipHourGlass inner;
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    host.ProcessMessages();
    EXPECT_TRUE(ran);
    SetUiServices(nullptr);
}

// The notes editor's link clicks and the notification-area icon component.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QDesktopServices>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextBrowser>

#include "ui/controls/MyRichEdit.h"
#include "ui/desktop/ToolIcon.h"

namespace {

class RichEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        edit_.resize(400, 200);
        edit_.SetAutoUrlDetect(true);
        edit_.setPlainText(QStringLiteral("see www.example.com and http://other.org/x\nplain second line"));
        edit_.SetOnLinkClick([this](TMyRichEdit* sender, const std::string& url, uint8_t button) {
            EXPECT_EQ(sender, &edit_);
            clicks_.push_back(url + " " + std::to_string(button));
        });
        edit_.show();
        QApplication::processEvents();
    }
    // The middle of the character at a position, in the viewport.
    QPoint At(int position)
    {
        QTextCursor cursor(edit_.document());
        cursor.setPosition(position);
        const QRect left = edit_.cursorRect(cursor);
        cursor.setPosition(position + 1);
        const QRect right = edit_.cursorRect(cursor);
        return QPoint((left.x() + right.x()) / 2, left.center().y());
    }
    void Mouse(QEvent::Type type, int position, Qt::MouseButton button)
    {
        const QPoint pos = At(position);
        QMouseEvent event(type, pos, edit_.viewport()->mapToGlobal(pos), button,
                          type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(edit_.viewport(), &event);
    }
    void Click(int down, int up, Qt::MouseButton pressed = Qt::LeftButton, Qt::MouseButton released = Qt::LeftButton)
    {
        Mouse(QEvent::MouseButtonPress, down, pressed);
        Mouse(QEvent::MouseButtonRelease, up, released);
    }

    TMyRichEdit edit_;
    Names clicks_;  // each link clicked, with its button
};

TEST_F(RichEditTest, AClickOnALinkReportsItsText)
{
    Click(8, 10);  // within "www.example.com"
    EXPECT_EQ(clicks_, Names{"www.example.com 0"});
    EXPECT_EQ(edit_.LinkDownMin(), -1);
    EXPECT_EQ(edit_.LinkDownMax(), -1);
}

TEST_F(RichEditTest, PressAndReleaseMustFallOnTheSameLinkWithTheSameButton)
{
    Click(8, 30);  // released on the other link
    Click(1, 8);   // pressed on plain text
    Click(8, 1);   // released on plain text
    Click(8, 8, Qt::LeftButton, Qt::RightButton);
    EXPECT_TRUE(clicks_.empty());

    edit_.LinkNotify(TMyRichEdit::TLinkMouse::RightButtonDown, 24, 42);
    edit_.LinkNotify(TMyRichEdit::TLinkMouse::RightButtonUp, 24, 42);
    EXPECT_EQ(clicks_, Names{"http://other.org/x 1"});
}

TEST_F(RichEditTest, NoLinksWhileDetectionIsOffAndTextRangesKeepLineBreaks)
{
    edit_.SetAutoUrlDetect(false);
    Click(8, 8);
    EXPECT_TRUE(clicks_.empty());
    EXPECT_EQ(edit_.GetTextRange(39, 49), "g/x\nplain ");
    EXPECT_EQ(edit_.GetTextRange(-5, 3), "see");
    EXPECT_EQ(edit_.GetTextRange(56, 1000), "line");
}

// A link clicked in the notes of a task or of a place opens with the desktop's program for it.
class NotesLinkTest : public TWindowFixture {
protected:
    void ClickAt(QPlainTextEdit* notes, int position)
    {
        QTextCursor cursor(notes->document());
        cursor.setPosition(position);
        const QPoint pos = notes->cursorRect(cursor).center() + QPoint(2, 0);
        QTest::mouseClick(notes->viewport(), Qt::LeftButton, Qt::NoModifier, pos);
    }
};

TEST_F(NotesLinkTest, ALinkInTheTaskOrPlaceNotesOpensWithTheDesktopsProgram)
{
    QTextBrowser opened;  // stands in for the web browser
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &opened, "setSource");
    Names urls;
    QObject::connect(&opened, &QTextBrowser::sourceChanged, [&](const QUrl& url) { urls.push_back(url.toString().toStdString()); });
    for (QPlainTextEdit* notes : {window->Part<TTaskPanel>().TaskNotesEditor(), window->Part<TPlacePanel>().PlaceNotesEditor()}) {
        notes->setPlainText(QStringLiteral("see www.example.com"));
        notes->show();
        QApplication::processEvents();
        ClickAt(notes, 8);
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    EXPECT_EQ(urls, (Names{"http://www.example.com", "http://www.example.com"}));
}

class ToolIconTest : public ::testing::Test {
protected:
    QWidget owner_;
};

TEST_F(ToolIconTest, TheTipIsCutTo63Characters)
{
    TToolIcon icon(owner_);
    icon.SetHint(std::string(100, 'h'));
    EXPECT_EQ(icon.Hint().size(), 100u);
    EXPECT_EQ(icon.ShownTip(), std::string(63, 'h'));
    icon.SetHint(std::string(62, 'a') + "\xF0\x9F\x98\x80" + "b");  // a character of two UTF-16 units at 63
    EXPECT_EQ(icon.ShownTip(), std::string(62, 'a'));
    icon.SetVisible(true);
    ASSERT_NE(icon.TrayIcon(), nullptr);
    EXPECT_EQ(icon.TrayIcon()->toolTip().toStdString(), std::string(62, 'a'));
    icon.SetVisible(false);
    EXPECT_EQ(icon.TrayIcon(), nullptr);
}

TEST_F(ToolIconTest, MouseActionsFireTheirEventsOnlyForThisIcon)
{
    TToolIcon icon(owner_);
    Names events;
    icon.SetOnLeftClick([&](TToolIcon*) { events.push_back("left"); });
    icon.SetOnLeftDoubleClick([&](TToolIcon*) { events.push_back("left double"); });
    icon.SetOnRightClick([&](TToolIcon*) { events.push_back("right"); });
    icon.SetOnRightDoubleClick([&](TToolIcon*) { events.push_back("right double"); });
    icon.SetOnMouseMove([&](TToolIcon*) { events.push_back("move"); });
    using M = TToolIcon::TIconMouse;
    for (M mouse : {M::LeftButtonUp, M::LeftDoubleClick, M::RightButtonUp, M::RightDoubleClick, M::MouseMove})
        icon.IconMessage(icon.IconIndex(), mouse);
    icon.IconMessage(icon.IconIndex() + 1, M::LeftButtonUp);
    EXPECT_EQ(events, (Names{"left", "left double", "right", "right double", "move"}));
}

TEST_F(ToolIconTest, TheMenuShowsUnlessVetoedAndFailuresStayInside)
{
    TToolIcon icon(owner_);
    QMenu menu;
    menu.addAction(QStringLiteral("Item"));
    icon.SetPopupMenu(&menu);
    bool rightClicked = false;
    icon.SetOnRightClick([&](TToolIcon*) { rightClicked = true; });
    icon.SetOnBeforePopup([](TToolIcon*, bool& popup) { popup = false; });
    icon.IconMessage(icon.IconIndex(), TToolIcon::TIconMouse::RightButtonUp);
    EXPECT_TRUE(rightClicked);
    EXPECT_FALSE(menu.isVisible());

    icon.SetOnBeforePopup([](TToolIcon*, bool&) { throw std::runtime_error("menu failed"); });
    EXPECT_NO_THROW(icon.IconMessage(icon.IconIndex(), TToolIcon::TIconMouse::RightButtonUp));
    EXPECT_FALSE(menu.isVisible());

    icon.SetOnBeforePopup(nullptr);
    icon.IconMessage(icon.IconIndex(), TToolIcon::TIconMouse::RightButtonUp);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

} // namespace

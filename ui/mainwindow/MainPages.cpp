#include "ui/mainwindow/MainPages.h"

#include <QWidget>

#include "ui/controls/PageControl.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/UILock.h"

namespace {

QWidget* MakePage(const char* Name)
{
    // Without a parent until its contents are in: the page control takes it with them.
    auto* page = new QWidget();
    page->setObjectName(QString::fromLatin1(Name));
    return page;
}

} // namespace

TMainPages::TMainPages(QWidget& Window, QWidget& Parent, int32_t& UILockCount, TMainPagesHost Host)
    : QObject(&Window), uiLockCount_(UILockCount), host_(std::move(Host))
{
    pcMainPages_ = new TPageControl(&Parent);
    pcMainPages_->setObjectName(QStringLiteral("pcMainPages"));
    tshOutline_ = MakePage("tshOutline");
    tshToDoList_ = MakePage("tshToDoList");
    tshPlaces_ = MakePage("tshPlaces");
}

void TMainPages::AddPages()
{
    pcMainPages_->addTab(tshOutline_, QStringLiteral("Outline"));
    pcMainPages_->addTab(tshToDoList_, QStringLiteral("ToDo"));
    pcMainPages_->addTab(tshPlaces_, QStringLiteral("Places"));
}

void TMainPages::HookPageChanges()
{
    pcMainPages_->SetOnChanging([this] { return pcMainPagesChanging(); });
    pcMainPages_->SetOnChange([this] { RunGuarded([this] { pcMainPagesChange(); }); });
}

bool TMainPages::OutlineShown() const
{
    return pcMainPages_->ActivePage() == tshOutline_;
}

bool TMainPages::ToDoShown() const
{
    return pcMainPages_->ActivePage() == tshToDoList_;
}

bool TMainPages::PlacesShown() const
{
    return pcMainPages_->ActivePage() == tshPlaces_;
}

void TMainPages::ShowOutline()
{
    pcMainPages_->SetActivePage(tshOutline_);
}

void TMainPages::ShowPlaces()
{
    pcMainPages_->SetActivePage(tshPlaces_);
}

bool TMainPages::pcMainPagesChanging()
{
    try {
        host_.FlushEdits();
        return true;
    } catch (...) {
        ShowCurrentExceptionWhenIdle();
        return false;
    }
}

void TMainPages::pcMainPagesChange()
{
    if (uiLockCount_ > 0)
        return;
    QWidget* page = pcMainPages_->ActivePage();
    if (page == tshOutline_) {
        {
            TUILock lock(uiLockCount_);
            host_.FocusOutlineTree();
        }
        SyncSelectionWithCurrentTask();
    } else if (page == tshToDoList_) {
        host_.RefreshPlacesLists();
        host_.ToDoPageShown();
    } else if (page == tshPlaces_) {
        host_.PlacesPageShown();
    }
    host_.UpdateTreeActions();
}

void TMainPages::SyncSelectionWithCurrentTask()
{
    if (ToDoShown())
        host_.SyncToDoSelection();
    else if (OutlineShown())
        host_.SyncOutlineSelection();
}

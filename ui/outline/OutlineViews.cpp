#include "ui/outline/OutlineViews.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QToolButton>

#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/UILock.h"
#include "ui/outline/TreeViewRules.h"

TOutlineViews::TOutlineViews(QWidget& Page, int32_t& UILockCount, TOutlineViewsHost Host)
    : QObject(&Page), uiLockCount_(UILockCount), host_(std::move(Host))
{
    pnlTaskTreeFilter_ = new QFrame(&Page);
    pnlTaskTreeFilter_->setObjectName(QStringLiteral("pnlTaskTreeFilter"));
    auto* filterLayout = new QHBoxLayout(pnlTaskTreeFilter_);
    filterLayout->setContentsMargins(0, 0, 0, 0);
    sbTaskTreeFilter_ = new QToolButton(pnlTaskTreeFilter_);
    sbTaskTreeFilter_->setObjectName(QStringLiteral("sbTaskTreeFilter"));
    sbTaskTreeFilter_->setText(QStringLiteral("Views"));
    sbTaskTreeFilter_->setCheckable(true);
    sbTaskTreeFilter_->setAutoRaise(true);
    cbToDoTreeViewOptions_ = new QComboBox(pnlTaskTreeFilter_);
    cbToDoTreeViewOptions_->setObjectName(QStringLiteral("cbToDoTreeViewOptions"));
    chHideCompletedTasks_ = new QCheckBox(QStringLiteral("Hide completed tasks"), pnlTaskTreeFilter_);
    chHideCompletedTasks_->setObjectName(QStringLiteral("chHideCompletedTasks"));
    filterLayout->addWidget(sbTaskTreeFilter_);
    filterLayout->addWidget(cbToDoTreeViewOptions_);
    filterLayout->addStretch(1);
    filterLayout->addWidget(chHideCompletedTasks_);
    connect(sbTaskTreeFilter_, &QToolButton::clicked, this, [this] { RunGuarded([this] { sbTaskTreeFilterClick(); }); });
    connect(cbToDoTreeViewOptions_, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded([this] { cbToDoTreeViewOptionsChange(); }); });
    connect(chHideCompletedTasks_, &QCheckBox::toggled, this,
            [this] { RunGuarded([this] { chHideCompletedTasksClick(); }); });
}

bool TOutlineViews::HideCompletedTasks() const
{
    return chHideCompletedTasks_->isChecked();
}

void TOutlineViews::SetTaskTreeView(const std::string& Name)
{
    std::string name = Name;
    if (cbToDoTreeViewOptions_->findText(QString::fromStdString(name)) < 0)
        name = ViewAllTasks;
    const bool changed = currentViewName_ != name;
    host_.FlushTaskEdits();
    currentViewName_ = name;
    {
        TUILock lock(uiLockCount_);
        cbToDoTreeViewOptions_->setCurrentIndex(cbToDoTreeViewOptions_->findText(QString::fromStdString(name)));
        host_.UpdateTreeActions();
    }
    if (uiLockCount_ == 0 && changed)
        host_.FillTaskTree();
}

bool TOutlineViews::ResetTaskTreeView(bool KeepToDoPage)
{
    host_.ShowOutlinePage(KeepToDoPage);
    const bool changed = currentViewName_ != ViewAllTasks;
    SetTaskTreeView(ViewAllTasks);
    return changed;
}

void TOutlineViews::FillTaskTreeViewCombo()
{
    std::string remembered;
    {
        TUILock lock(uiLockCount_);
        remembered = cbToDoTreeViewOptions_->currentText().toStdString();
        cbToDoTreeViewOptions_->clear();
        cbToDoTreeViewOptions_->addItem(QString::fromLatin1(ViewAllTasks));
        if (host_.GoalsShown())
            cbToDoTreeViewOptions_->addItem(QString::fromLatin1(ViewGoals));
        if (host_.ProjectsShown())
            cbToDoTreeViewOptions_->addItem(QString::fromLatin1(ViewProjects));
    }
    SetTaskTreeView(remembered);
}

void TOutlineViews::cbToDoTreeViewOptionsChange()
{
    if (uiLockCount_ > 0 || cbToDoTreeViewOptions_->currentIndex() < 0)
        return;
    SetTaskTreeView(cbToDoTreeViewOptions_->currentText().toStdString());
}

void TOutlineViews::ShowTaskTreeFilterPanel(bool Open)
{
    {
        TUILock lock(uiLockCount_);
        sbTaskTreeFilter_->setChecked(Open);
        cbToDoTreeViewOptions_->setVisible(Open);
    }
    cbToDoTreeViewOptionsChange();
}

void TOutlineViews::sbTaskTreeFilterClick()
{
    if (uiLockCount_ == 0)
        ShowTaskTreeFilterPanel(sbTaskTreeFilter_->isChecked());
}

void TOutlineViews::ToggleTaskTreeFilterPanel()
{
    sbTaskTreeFilter_->setChecked(!sbTaskTreeFilter_->isChecked());
    sbTaskTreeFilterClick();
}

void TOutlineViews::chHideCompletedTasksClick()
{
    if (uiLockCount_ > 0)
        return;
    host_.FlushTaskEdits();
    host_.FlushPlaceEdits();
    host_.FillTaskTree();
}

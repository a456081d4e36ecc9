#include "ui/undo/UndoNavigation.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>

#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/mainwindow/WindowAction.h"

namespace {

// Qt menus take "&" as a mnemonic mark.
QString MenuText(const std::string& text)
{
    return QString::fromStdString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// Whether a text control has typing to undo or redo (Qt's editors keep more than one level).
bool HasTyping(QWidget* widget)
{
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        return !line->isReadOnly() && (line->isUndoAvailable() || line->isRedoAvailable());
    if (auto* plain = qobject_cast<QPlainTextEdit*>(widget))
        return !plain->isReadOnly() &&
               (plain->document()->isUndoAvailable() || plain->document()->isRedoAvailable());
    if (auto* rich = qobject_cast<QTextEdit*>(widget))
        return !rich->isReadOnly() && (rich->document()->isUndoAvailable() || rich->document()->isRedoAvailable());
    return false;
}

void TypingUndo(QWidget* widget, bool redo)
{
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        redo ? line->redo() : line->undo();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget))
        redo ? plain->redo() : plain->undo();
    else if (auto* rich = qobject_cast<QTextEdit*>(widget))
        redo ? rich->redo() : rich->undo();
}

} // namespace

class TUndoNavigation::TNavigationView : public INavigationView {
public:
    explicit TNavigationView(TUndoNavigation& part) : p_(part) {}

    TTaskNode* NavigationCurrentTask() override { return p_.state_.CurrentTask; }

    void NavigateToTask(TTaskNode* Task) override { p_.host_.NavigateToTask(Task); }

    void UpdateNavigationButtons(bool BackEnabled, const std::string& BackHint, bool ForwardEnabled,
                                 const std::string& ForwardHint) override
    {
        if (!p_.sbBack_)
            return;  // the buttons are not built yet
        p_.sbBack_->setEnabled(BackEnabled);
        p_.sbBack_->setToolTip(QString::fromStdString(BackHint));
        p_.sbForward_->setEnabled(ForwardEnabled);
        p_.sbForward_->setToolTip(QString::fromStdString(ForwardHint));
    }

private:
    TUndoNavigation& p_;
};

TUndoNavigation::TUndoNavigation(QWidget& Window, TWindowState& State, std::unique_ptr<IUndoView> View,
                                 TUndoHost Host)
    : QObject(&Window), window_(Window), state_(State), host_(std::move(Host)), undoView_(std::move(View))
{
    navigationView_ = std::make_unique<TNavigationView>(*this);
    undoList_ = std::make_unique<TUndoList>(undoView_.get());
    navigation_ = std::make_unique<TNavigationManager>(navigationView_.get());

    actBack_ = MakeWindowAction(window_, *this, "actBack", "Back", "Alt+Left", &TUndoNavigation::actBackExecute);
    actForward_ = MakeWindowAction(window_, *this, "actForward", "Forward", "Alt+Right",
                                   &TUndoNavigation::actForwardExecute);
    // Undo and redo follow the undo history; with none recorded they stay disabled.
    actUndo_ = MakeWindowAction(window_, *this, "actUndo", "Undo", "Ctrl+Z", &TUndoNavigation::actUndoExecute);
    actRedo_ = MakeWindowAction(window_, *this, "actRedo", "Redo", "Ctrl+Shift+Z", &TUndoNavigation::actRedoExecute);
}

TUndoNavigation::~TUndoNavigation() = default;

void TUndoNavigation::BuildNavigationButtons(QWidget* Parent)
{
    sbBack_ = new QToolButton(Parent);
    sbBack_->setObjectName(QStringLiteral("sbBack"));
    sbBack_->setArrowType(Qt::LeftArrow);
    sbBack_->setEnabled(false);
    sbForward_ = new QToolButton(Parent);
    sbForward_->setObjectName(QStringLiteral("sbForward"));
    sbForward_->setArrowType(Qt::RightArrow);
    sbForward_->setEnabled(false);
    connect(sbBack_, &QToolButton::clicked, actBack_, &QAction::trigger);
    connect(sbForward_, &QToolButton::clicked, actForward_, &QAction::trigger);
    navigation_->UpdateButtons();
}

void TUndoNavigation::ReleaseHistories()
{
    navigation_.reset();
    undoList_.reset();
}

// ---- Undo and redo ----

void TUndoNavigation::ClearUndoHistory()
{
    undoList_->Clear();
    UpdateUndoRedoActions();
}

bool TUndoNavigation::CheckTypingUndo()
{
    QWidget* editor = host_.InPlaceEditor();
    if (!editor)
        editor = window_.focusWidget();  // the window's focus, also while its menu is open
    if (!editor || !HasTyping(editor))
        return false;
    actUndo_->setText(QStringLiteral("Undo typing"));
    actUndo_->setEnabled(true);
    actRedo_->setText(QStringLiteral("Redo typing"));
    actRedo_->setEnabled(true);
    return true;
}

void TUndoNavigation::UpdateUndoRedoActions()
{
    if (!undoList_)
        return;  // the histories are gone with the window
    if (CheckTypingUndo())
        return;
    actUndo_->setText(QStringLiteral("Can't undo"));
    actUndo_->setEnabled(false);
    actRedo_->setText(QStringLiteral("Redo"));
    actRedo_->setEnabled(false);
    const std::string undo = undoList_->GetUndoCaption();
    if (!undo.empty()) {
        actUndo_->setText(QStringLiteral("Undo ") + MenuText(undo));
        actUndo_->setEnabled(true);
    }
    const std::string redo = undoList_->GetRedoCaption();
    if (!redo.empty()) {
        actRedo_->setText(QStringLiteral("Redo ") + MenuText(redo));
        actRedo_->setEnabled(true);
    }
}

void TUndoNavigation::RunUndoOrRedo(bool Redo)
{
    if (CheckTypingUndo()) {
        QWidget* editor = host_.InPlaceEditor();
        TypingUndo(editor ? editor : window_.focusWidget(), Redo);
        UpdateUndoRedoActions();
        return;
    }
    host_.EndInPlaceEditing();
    // Pending panel edits are the last thing done: written back as their own step, one Undo
    // takes back exactly them and Redo brings them back; nothing typed is lost.
    host_.CommitTaskEdits();
    TUndoAction* step = Redo ? undoList_->Redo() : undoList_->Undo();
    host_.SetModified(true);
    host_.ApplyTaskChange(dynamic_cast<TUndoDeleteTaskNode*>(step) != nullptr);
    UpdateUndoRedoActions();
}

void TUndoNavigation::actUndoExecute()
{
    RunUndoOrRedo(false);
}

void TUndoNavigation::actRedoExecute()
{
    RunUndoOrRedo(true);
}

// ---- Back and forward ----

void TUndoNavigation::actBackExecute()
{
    if (!sbBack_->isEnabled())
        return;
    host_.EndInPlaceEditing();
    // The task is shown where tasks are, never beside the Places page's place.
    if (!host_.ShowTaskPage())
        return;
    navigation_->GoBack();
}

void TUndoNavigation::actForwardExecute()
{
    if (!sbForward_->isEnabled())
        return;
    host_.EndInPlaceEditing();
    // The task is shown where tasks are, never beside the Places page's place.
    if (!host_.ShowTaskPage())
        return;
    navigation_->GoForward();
}

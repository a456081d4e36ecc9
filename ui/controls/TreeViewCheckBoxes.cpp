#include "ui/controls/TreeViewCheckBoxes.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>

#include "ui/controls/FlagScope.h"
#include "ui/outline/TreeViewRules.h"

namespace {

// The in-place editor stays open while the menu bar or one of its menus has the keyboard: its
// typing can be undone from the Edit menu, and Esc still reverts it once the menu is left. The
// item view would otherwise end the edit, keeping the text, as the focus leaves the editor.
class TMenuKeepsEditFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Some platforms hand the activation to the opened menu: any focus change while a
        // menu is open counts as going to the menu.
        if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::MenuBarFocusReason || reason == Qt::PopupFocusReason ||
                qobject_cast<QMenu*>(QApplication::activePopupWidget()))
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void TVetoSelectionModel::setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command)
{
    refused_ = false;
    // Taking the keyboard is no choice of the user's: the first item made current then would
    // write the panel back in the middle of whatever moved the focus (a page switch, a box
    // closing).
    if (focusArriving_ && !currentIndex().isValid())
        return;
    if (index != currentIndex() && onChanging_) {
        // A question asked while a change is decided runs its own event loop; a change that
        // arrives from there (the view taking the keyboard back) waits for no answer of its own.
        if (deciding_) {
            refused_ = true;
            return;
        }
        const TFlagScope deciding(deciding_);
        if (!onChanging_(index)) {
            refused_ = true;
            return;
        }
    }
    QItemSelectionModel::setCurrentIndex(index, command);
}

void TVetoSelectionModel::select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command)
{
    // A mouse press moves the current index first and selects afterwards; after a refusal the
    // selection must not move either.
    if (refused_ && (command & QItemSelectionModel::Select) && !selection.contains(currentIndex()))
        return;
    QItemSelectionModel::select(selection, command);
}

TTreeViewCheckBoxes::TTreeViewCheckBoxes(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);  // the window starts edits itself
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setSelectionMode(QAbstractItemView::SingleSelection);
    vetoModel_ = new TVetoSelectionModel(model(), this);
    QItemSelectionModel* old = selectionModel();
    setSelectionModel(vetoModel_);
    delete old;
    // The tree widget keeps its items' selected state and its current-item signal in step
    // with the selection model it made itself; the replacement has to feed them the same way.
    connect(vetoModel_, SIGNAL(selectionChanged(QItemSelection, QItemSelection)), this,
            SLOT(_q_selectionChanged(QItemSelection, QItemSelection)));
    connect(vetoModel_, SIGNAL(currentChanged(QModelIndex, QModelIndex)), this,
            SLOT(_q_emitCurrentItemChanged(QModelIndex, QModelIndex)));
}

bool TTreeViewCheckBoxes::GetChecked(const QTreeWidgetItem* Node)
{
    if (!Node)
        return false;
    const QVariant state = Node->data(0, Qt::CheckStateRole);
    return !state.isValid() || state.toInt() != Qt::Unchecked;
}

void TTreeViewCheckBoxes::SetChecked(QTreeWidgetItem* Node, bool Value)
{
    if (Node)
        Node->setCheckState(0, Value ? Qt::Checked : Qt::Unchecked);
}

void TTreeViewCheckBoxes::StartEdit(QTreeWidgetItem* Node)
{
    if (!Node)
        return;
    Node->setFlags(Node->flags() | Qt::ItemIsEditable);
    editingItem_ = Node;
    editStartText_ = Node->text(0);
    scrollToItem(Node);
    editItem(Node, 0);
    if (QLineEdit* editor = InPlaceEditor()) {
        // Installed after the view's own filter, so it sees the focus change first.
        editor->installEventFilter(new TMenuKeepsEditFilter(editor));
        connect(editor, &QLineEdit::textChanged, this, &TTreeViewCheckBoxes::EditorChanged);
        emit EditorChanged();
    }
}

QLineEdit* TTreeViewCheckBoxes::InPlaceEditor() const
{
    if (!IsEditing())
        return nullptr;
    // An editor that was closed stays a hidden child until it is deleted.
    for (QLineEdit* editor : viewport()->findChildren<QLineEdit*>())
        if (!editor->isHidden())
            return editor;
    return nullptr;
}

void TTreeViewCheckBoxes::EndEdit(bool Accept)
{
    QLineEdit* editor = InPlaceEditor();
    if (!editor)
        return;
    if (Accept) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    } else {
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }
}

QStyleOptionViewItem TTreeViewCheckBoxes::ItemOption(const QTreeWidgetItem* Node) const
{
    const QModelIndex index = indexFromItem(Node);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.index = index;
    option.text = Node->text(0);
    option.features |= QStyleOptionViewItem::HasDisplay;
    if (Node->data(0, Qt::CheckStateRole).isValid()) {
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        option.checkState = Node->checkState(0);
    }
    const QVariant picture = Node->data(0, Qt::DecorationRole);
    if (picture.canConvert<QPixmap>()) {
        option.features |= QStyleOptionViewItem::HasDecoration;
        option.decorationSize = picture.value<QPixmap>().deviceIndependentSize().toSize();
    }
    return option;
}

QRect TTreeViewCheckBoxes::CheckBoxRect(const QTreeWidgetItem* Node) const
{
    if (!Node)
        return {};
    const QStyleOptionViewItem option = ItemOption(Node);
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

QRect TTreeViewCheckBoxes::PictureRect(const QTreeWidgetItem* Node) const
{
    if (!Node)
        return {};
    const QStyleOptionViewItem option = ItemOption(Node);
    return style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
}

QRect TTreeViewCheckBoxes::LabelRect(const QTreeWidgetItem* Node) const
{
    if (!Node)
        return {};
    const QStyleOptionViewItem option = ItemOption(Node);
    // The style's text rectangle reaches to the row's end; the label is the caption's text.
    QRect label = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    const QVariant font = Node->data(0, Qt::FontRole);
    const QFontMetrics metrics(font.isValid() ? font.value<QFont>() : this->font());
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    label.setWidth(std::min(label.width(), metrics.horizontalAdvance(option.text) + 2 * margin));
    return label;
}

int TTreeViewCheckBoxes::CaretIndexAtPoint(const QTreeWidgetItem* Node, QPoint Pos) const
{
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const QString text = Node->text(0);
    const QFontMetrics metrics(font());
    return CaretIndexAt(static_cast<int>(text.size()), Pos.x() - LabelRect(Node).left() - margin,
                        [&](int k) { return metrics.horizontalAdvance(text.left(k)); });
}

void TTreeViewCheckBoxes::keyPressEvent(QKeyEvent* event)
{
    if (onKeyDown_ && onKeyDown_(event))
        return;
    QTreeWidget::keyPressEvent(event);
}

void TTreeViewCheckBoxes::keyReleaseEvent(QKeyEvent* event)
{
    if (onKeyUp_)
        onKeyUp_(event);
    QTreeWidget::keyReleaseEvent(event);
}

void TTreeViewCheckBoxes::mousePressEvent(QMouseEvent* event)
{
    if (onMouseDown_ && onMouseDown_(event))
        return;
    QTreeWidget::mousePressEvent(event);
}

void TTreeViewCheckBoxes::mouseMoveEvent(QMouseEvent* event)
{
    if (onMouseMove_)
        onMouseMove_(event);
    QTreeWidget::mouseMoveEvent(event);
}

void TTreeViewCheckBoxes::focusInEvent(QFocusEvent* event)
{
    const TFlagScope arriving(vetoModel_->FocusArriving());
    QTreeWidget::focusInEvent(event);
}

QItemSelectionModel::SelectionFlags TTreeViewCheckBoxes::selectionCommand(const QModelIndex& index,
                                                                       const QEvent* event) const
{
    // The selected row is the task the rest of the window shows: a click on the empty area
    // below the rows must not leave the tree without it. Calls from code keep the view's rule.
    if (!index.isValid() && dynamic_cast<const QMouseEvent*>(event))
        return QItemSelectionModel::NoUpdate;
    return QTreeWidget::selectionCommand(index, event);
}

void TTreeViewCheckBoxes::commitData(QWidget* editor)
{
    QTreeWidgetItem* node = editingItem_;
    QTreeWidget::commitData(editor);
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (node && line) {
        editingItem_ = nullptr;  // one end per edit
        if (line->text() == editStartText_)
            emit EditedUnchanged(node);
        else
            emit Edited(node, line->text());
    }
}

void TTreeViewCheckBoxes::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    const bool cancelled = hint == QAbstractItemDelegate::RevertModelCache && editingItem_;
    editingItem_ = nullptr;
    QTreeWidget::closeEditor(editor, hint);
    if (cancelled)
        emit CancelEdit();
    emit EditorChanged();
}

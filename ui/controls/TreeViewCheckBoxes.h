#pragma once
// A tree view whose items carry check boxes, with the hooks the main window needs that Qt's
// tree has no signal for: a veto before the current item changes, the end of an in-place edit
// told apart by Enter and Esc, and key and mouse handlers that may consume the event.
#include <QItemSelectionModel>
#include <QStyleOptionViewItem>
#include <QTreeWidget>

#include <functional>
#include <utility>

class QLineEdit;

// A selection model that asks before the current item changes; a refusal keeps the selection.
class TVetoSelectionModel : public QItemSelectionModel {
    Q_OBJECT
public:
    using QItemSelectionModel::QItemSelectionModel;
    // The handler returns false to refuse the change to the new current index.
    void SetOnChanging(std::function<bool(const QModelIndex& current)> Handler) { onChanging_ = std::move(Handler); }
    // Raised while the view takes the keyboard: the view then makes no item current by itself.
    bool& FocusArriving() { return focusArriving_; }

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override;
    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override;
    using QItemSelectionModel::select;

private:
    std::function<bool(const QModelIndex& current)> onChanging_;
    bool refused_ = false;  // the last change of the current index was refused
    bool deciding_ = false;  // the handler is deciding a change
    bool focusArriving_ = false;
};

// The first selected item of a tree; nullptr when nothing is selected.
inline QTreeWidgetItem* SelectedNode(const QTreeWidget* Tree)
{
    const QList<QTreeWidgetItem*> selected = Tree->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

class TTreeViewCheckBoxes : public QTreeWidget {
    Q_OBJECT
public:
    explicit TTreeViewCheckBoxes(QWidget* parent = nullptr);

    // An item that has no check state yet reads as checked; nullptr is not checked.
    static bool GetChecked(const QTreeWidgetItem* Node);
    static void SetChecked(QTreeWidgetItem* Node, bool Value);

    TVetoSelectionModel* VetoSelectionModel() const { return vetoModel_; }

    // In-place editing of an item's text.
    void StartEdit(QTreeWidgetItem* Node);
    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
    QLineEdit* InPlaceEditor() const;
    QTreeWidgetItem* EditingItem() const { return IsEditing() ? editingItem_ : nullptr; }
    // Ends a running edit, keeping (Accept) or dropping the typed text.
    void EndEdit(bool Accept);

    // The rectangle of the item's text, in viewport coordinates.
    QRect LabelRect(const QTreeWidgetItem* Node) const;
    // The caret position in the node's text that a click at Pos (viewport coordinates) points at.
    int CaretIndexAtPoint(const QTreeWidgetItem* Node, QPoint Pos) const;
    // Where the style draws the node's check box and its picture (the goal mark's place).
    QRect CheckBoxRect(const QTreeWidgetItem* Node) const;
    QRect PictureRect(const QTreeWidgetItem* Node) const;

    // Handlers that run before the tree's own; returning true consumes the event.
    void SetOnKeyDown(std::function<bool(QKeyEvent*)> Handler) { onKeyDown_ = std::move(Handler); }
    void SetOnKeyUp(std::function<void(QKeyEvent*)> Handler) { onKeyUp_ = std::move(Handler); }
    void SetOnMouseDown(std::function<bool(QMouseEvent*)> Handler) { onMouseDown_ = std::move(Handler); }
    void SetOnMouseMove(std::function<void(QMouseEvent*)> Handler) { onMouseMove_ = std::move(Handler); }

signals:
    // The in-place edit ended with Esc.
    void CancelEdit();
    // The in-place edit ended with the text kept (Enter, leaving the editor, EndEdit(true)) and
    // other than the text it started with.
    void Edited(QTreeWidgetItem* Node, const QString& Text);
    // The in-place edit ended as Edited does, with the text it started with: a look, no edit.
    void EditedUnchanged(QTreeWidgetItem* Node);
    // The in-place editor opened, its text changed or it closed: what it can undo changed.
    void EditorChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    QStyleOptionViewItem ItemOption(const QTreeWidgetItem* Node) const;
    std::function<bool(QKeyEvent*)> onKeyDown_;
    std::function<void(QKeyEvent*)> onKeyUp_;
    std::function<bool(QMouseEvent*)> onMouseDown_;
    std::function<void(QMouseEvent*)> onMouseMove_;
    TVetoSelectionModel* vetoModel_;
    QTreeWidgetItem* editingItem_ = nullptr;
    QString editStartText_;
};

#pragma once
// Draws the task rows of the outline tree and the To-Do tree: the platform draws each row,
// with the caption styled for completed, hidden and project tasks, and then the due badge and
// text, the notes icon, the goal mark and the drop marker are painted over it.
#include <QStyledItemDelegate>

class QTreeWidgetItem;
class TTaskDragDrop;
class TTaskNode;
class TTreeViewCheckBoxes;

class TTaskTreeDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TTaskTreeDelegate(const TTaskDragDrop& Rows, TTreeViewCheckBoxes* Tree);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The text and pen of one item while it is drawn; what one step sets stays for the next.
    struct TItemCanvas {
        QFont Font;
        QColor FontColor;
        QColor BrushColor;
    };
    // Kinds: 0 completed caption, 1 hidden caption, 2 due text, 3 column backgrounds, 4 group
    // caption, 5 project caption (and the dragged row's caption).
    void SetupItemCanvas(TItemCanvas& Canvas, int Kind, const TTaskNode* Task, bool Selected, bool Focused) const;

    // The pictures of the rows: goal marks and notes icons (16 x 16, indexes 1 to 4), and the
    // colours of the due badges (indexes 0 to 2), which are as wide as their text.
    static QPixmap TaskImage(int Index);
    static QColor DueBadgeColor(int Index);

private:
    void DrawOverlays(QPainter* painter, const QStyleOptionViewItem& option, QTreeWidgetItem* Node,
                      TTaskNode* Task, TItemCanvas& Canvas, bool Selected, bool Focused) const;

    const TTaskDragDrop& rows_;
    TTreeViewCheckBoxes* tree_;
};

#include "ui/outline/TaskTreeDelegate.h"

#include <QDate>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include "taskdb/TaskNode.h"
#include "ui/outline/TaskDrawRules.h"
#include "ui/outline/TaskDragDrop.h"
#include "ui/outline/TaskItemData.h"
#include "ui/controls/TreeViewCheckBoxes.h"

namespace {

const QColor Gray(128, 128, 128);
const QColor Blue(0, 0, 255);

// Images are drawn at the left of their rectangle, centred vertically.
void DrawImageCentred(QPainter* painter, const QRect& rect, const QPixmap& image)
{
    const int y = rect.top() + rect.height() / 2 - image.height() / 2;
    painter->drawPixmap(rect.left(), y, image);
}

QPixmap GoalMark(const QColor& color)
{
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(6.5, 1.5, 3.5, 9), 1.5, 1.5);
    p.drawEllipse(QRectF(6.5, 11.5, 3.5, 3.5));
    return image;
}

QPixmap Notepad(const QColor& color)
{
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(color);
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(3, 1, 10, 13);
    p.fillRect(3, 1, 11, 3, color);
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(5, y, 11, y);
    return image;
}

void DrawBadge(QPainter* painter, const QRect& rect, const QColor& color)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(color.darker(120));
    painter->setBrush(color);
    const int top = rect.top() + rect.height() / 2 - 8;
    painter->drawRoundedRect(QRectF(rect.left() + 0.5, top + 0.5, rect.width() - 1, 15), 7, 7);
    painter->restore();
}

std::string ShortDateText(TDateTime value)
{
    int year, month, day;
    DecodeDate(value, year, month, day);
    return QLocale::system().toString(QDate(year, month, day), QLocale::ShortFormat).toStdString();
}

} // namespace

TTaskTreeDelegate::TTaskTreeDelegate(const TTaskDragDrop& Rows, TTreeViewCheckBoxes* Tree)
    : QStyledItemDelegate(Tree), rows_(Rows), tree_(Tree)
{
}

QPixmap TTaskTreeDelegate::TaskImage(int Index)
{
    static const QPixmap images[] = {QPixmap(), GoalMark(QColor(220, 0, 0)), GoalMark(Gray),
                                     Notepad(QColor(30, 80, 220)), Notepad(Gray)};
    return Index >= 1 && Index <= 4 ? images[Index] : QPixmap();
}

QColor TTaskTreeDelegate::DueBadgeColor(int Index)
{
    static const QColor colors[] = {QColor(120, 180, 240), QColor(255, 150, 30), QColor(220, 30, 30)};
    return Index >= 0 && Index <= 2 ? colors[Index] : QColor();
}

void TTaskTreeDelegate::SetupItemCanvas(TItemCanvas& Canvas, int Kind, const TTaskNode* Task, bool Selected,
                                        bool Focused) const
{
    // A selected caption keeps the selection's text colour, focused or not, so that it stays
    // readable on the highlight; only its style tells its kind.
    const bool completed = Task && Task->CompletedMark;
    const bool grayed = completed || (Task && Task->HideInToDoInEffect);
    switch (Kind) {
    case 0:
        if (!Selected)
            Canvas.FontColor = Gray;
        Canvas.Font.setStrikeOut(true);
        break;
    case 1:
        if (!Selected)
            Canvas.FontColor = Gray;
        break;
    case 2:
        // The due column of a selected row without focus is button-faced, not highlighted.
        if (!Selected && !completed)
            Canvas.FontColor = Qt::white;
        else if (Selected && !Focused)
            Canvas.FontColor = grayed ? Gray : tree_->palette().color(QPalette::Active, QPalette::WindowText);
        break;
    case 3:
        if (Selected && Focused)
            Canvas.BrushColor = tree_->palette().color(QPalette::Active, QPalette::Highlight);
        else if (Selected)
            Canvas.BrushColor = tree_->palette().color(QPalette::Active, QPalette::Button);
        else
            Canvas.BrushColor = tree_->palette().color(QPalette::Active, QPalette::Base);
        break;
    case 4:
        Canvas.Font.setBold(true);
        break;
    case 5:
        if (!Selected)
            Canvas.FontColor = Blue;
        break;
    default:
        break;
    }
}

void TTaskTreeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    QTreeWidgetItem* node = tree_->itemFromIndex(index);
    TTaskNode* task = ItemTask(node);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const bool focused = tree_->hasFocus();
    TItemCanvas canvas{opt.font,
                       opt.palette.color(focused ? QPalette::Active : QPalette::Inactive,
                                         selected ? QPalette::HighlightedText : QPalette::Text),
                       QColor()};
    bool overlays = false;
    try {
        overlays = rows_.DrawLockCount() == 0 && node && !(selected && tree_->IsEditing());
        if (overlays && !task) {
            SetupItemCanvas(canvas, 4, nullptr, selected, focused);
        } else if (overlays) {
            const bool draggedRow = rows_.Dragging() && selected;
            if (task->CompletedMark || task->HideInToDoInEffect || task->IsProject || draggedRow) {
                if (draggedRow)
                    opt.palette.setColor(QPalette::Inactive, QPalette::Highlight,
                                         opt.palette.color(QPalette::Active, QPalette::Highlight));
                SetupItemCanvas(canvas, task->CompletedMark ? 0 : (task->HideInToDoInEffect ? 1 : 5), task, selected,
                                focused);
            }
        }
        if (overlays) {
            // The caption takes its style before the platform draws the row, so that the text is
            // drawn once, in the style of its kind.
            opt.font = canvas.Font;
            for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
                opt.palette.setColor(group, selected ? QPalette::HighlightedText : QPalette::Text, canvas.FontColor);
        }
    } catch (...) {
        overlays = false;
        opt = option;
    }
    QStyledItemDelegate::paint(painter, opt, index);
    if (!overlays || !task) {
        if (overlays && rows_.DropTarget() == node)
            rows_.DrawDropMarker(painter, tree_, node);
        return;
    }
    try {
        painter->save();
        DrawOverlays(painter, opt, node, task, canvas, selected, focused);
        painter->restore();
    } catch (...) {
        painter->restore();  // a failed drawing leaves the platform's row as it is
    }
}

void TTaskTreeDelegate::DrawOverlays(QPainter* painter, const QStyleOptionViewItem& option, QTreeWidgetItem* Node,
                                     TTaskNode* Task, TItemCanvas& Canvas, bool Selected, bool Focused) const
{
    const int w = tree_->viewport()->width();
    const QRect r = tree_->LabelRect(Node);
    (void)option;
    if (Task->DueDateTime != 0) {
        const QString text = QString::fromStdString(rows_.DueDateText(Task->DueDateTime));
        const int textWidth = rows_.DueTextWidth(tree_, Task->DueDateTime);
        const int left = w - DueBadgeOffsetFor(textWidth);
        const int width = DueBadgeWidthFor(textWidth);
        SetupItemCanvas(Canvas, 3, Task, Selected, Focused);
        painter->fillRect(QRect(QPoint(left - DueColumnMargin, r.top()), QPoint(w, r.bottom())), Canvas.BrushColor);
        if (!Task->CompletedMark && !Selected)
            DrawBadge(painter, QRect(left, r.top(), width, r.height()),
                      DueBadgeColor(DueStatus(Task->LeadTime, Task->DueDateTime, rows_.DrawTime())));
        SetupItemCanvas(Canvas, 2, Task, Selected, Focused);
        painter->setFont(Canvas.Font);
        painter->setPen(Canvas.FontColor);
        const int textLeft = left + (width - QFontMetrics(Canvas.Font).horizontalAdvance(text)) / 2;
        painter->drawText(QRect(textLeft, r.top() + 1, width, r.height()), Qt::AlignLeft | Qt::AlignTop, text);
    }
    if (Task->Note.Count() > 0) {
        SetupItemCanvas(Canvas, 3, Task, Selected, Focused);
        painter->fillRect(QRect(QPoint(w - NotesColumnBackgroundOffset, r.top()), QPoint(w, r.bottom())),
                          Canvas.BrushColor);
        DrawImageCentred(painter, QRect(w - NotesIconOffset, r.top(), 16, r.height()),
                         TaskImage(TaskImageIndex(*Task, TaskImageNotes)));
    }
    if (Task->GoalInEffect)
        DrawImageCentred(painter, tree_->PictureRect(Node),
                         TaskImage(TaskImageIndex(*Task, TaskImageGoal)));
    if (rows_.DropTarget() == Node)
        rows_.DrawDropMarker(painter, tree_, Node);
}

// ---- The drag part's side of the drawing ----

void TTaskDragDrop::ConnectTreeDrawing()
{
    tree_.setItemDelegate(new TTaskTreeDelegate(*this, &tree_));
    toDoTree_.setItemDelegate(new TTaskTreeDelegate(*this, &toDoTree_));
}

std::string TTaskDragDrop::DueDateText(TDateTime Due) const
{
    return ::DueDateText(Due, drawTime_, ShortDateText);
}

void TTaskDragDrop::DrawDropMarker(QPainter* Painter, TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node) const
{
    const int y = Tree->LabelRect(Node).top() - 1;
    const int w = Tree->viewport()->width();
    Painter->save();
    Painter->setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor(249, 113, 21), 1, Qt::SolidLine);
    Painter->setPen(pen);
    // A small triangle pointing right, then the line across the row.
    for (int x = 0; x < 4; ++x)
        Painter->drawLine(x, y - 4 + x, x, y + 4 - x);
    pen.setWidth(2);
    Painter->setPen(pen);
    Painter->drawLine(3, y, w, y);
    Painter->restore();
}

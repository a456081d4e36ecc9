#include "ui/places/frmSelectPlaces.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/StrUtils.h"

std::string AppendPlaceCaption(const std::string& OldText, const std::string& Place)
{
    const std::string separator = Trim(OldText).empty() ? "" : "; ";
    return OldText + separator + Place;
}

TSelectPlacesWnd::TSelectPlacesWnd(QLineEdit* Target) : QWidget(nullptr, Qt::Tool), target_(Target)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Select Places"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    setFont(font);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    lvPlaces_ = new QTreeWidget(this);
    lvPlaces_->setObjectName(QStringLiteral("lvPlaces"));
    lvPlaces_->setColumnCount(1);
    lvPlaces_->setHeaderLabels({QStringLiteral("Place")});
    lvPlaces_->setHeaderHidden(true);
    // The column is as wide as the list or its longest name: scrolling only when a name needs it.
    lvPlaces_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    lvPlaces_->header()->setStretchLastSection(true);
    lvPlaces_->setRootIsDecorated(false);
    lvPlaces_->setSortingEnabled(true);
    lvPlaces_->sortByColumn(0, Qt::AscendingOrder);
    lvPlaces_->installEventFilter(this);
    layout->addWidget(lvPlaces_);
    connect(lvPlaces_, &QTreeWidget::itemDoubleClicked, this, [this] { lvPlacesDblClick(); });
    resize(180, 200);
}

void TSelectPlacesWnd::PlaceBelow(const QWidget* Button)
{
    if (!Button)
        return;
    const QPoint bottomRight = Button->mapToGlobal(QPoint(Button->width(), Button->height()));
    move(bottomRight.x() - frameGeometry().width(), bottomRight.y());
}

void TSelectPlacesWnd::lvPlacesDblClick()
{
    const QList<QTreeWidgetItem*> selected = lvPlaces_->selectedItems();
    if (selected.isEmpty() || !target_)
        return;
    const std::string text =
        AppendPlaceCaption(target_->text().toStdString(), selected.front()->text(0).toStdString());
    target_->setText(QString::fromStdString(text));
}

bool TSelectPlacesWnd::lvPlacesKeyDown(int Key)
{
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
        lvPlacesDblClick();
        return true;
    }
    if (Key == Qt::Key_Escape) {
        close();
        return true;
    }
    return false;
}

void TSelectPlacesWnd::FormDeactivate()
{
    close();
}

void TSelectPlacesWnd::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Active from the start, so that a click elsewhere closes it.
    raise();
    activateWindow();
    lvPlaces_->setFocus();
}

void TSelectPlacesWnd::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        FormDeactivate();
}

bool TSelectPlacesWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lvPlaces_ && event->type() == QEvent::KeyPress &&
        lvPlacesKeyDown(static_cast<QKeyEvent*>(event)->key()))
        return true;
    return QWidget::eventFilter(watched, event);
}

TSelectPlacesWnd* CreateSelectPlacesWnd(QLineEdit* Target)
{
    // The picker owns itself and is freed when it closes.
    return new TSelectPlacesWnd(Target);
}

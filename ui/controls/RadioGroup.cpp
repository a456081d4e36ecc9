#include "ui/controls/RadioGroup.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(const QString& Caption, const QStringList& Items, QWidget* parent)
    : QGroupBox(Caption, parent), group_(new QButtonGroup(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(0);
    for (int i = 0; i < Items.size(); ++i) {
        auto* button = new QRadioButton(Items[i], this);
        group_->addButton(button, i);
        layout->addWidget(button);
    }
    // Only a user's pick reaches OnClick; SetItemIndex checks buttons programmatically.
    connect(group_, &QButtonGroup::idClicked, this, [this](int) {
        if (onClick_)
            onClick_();
    });
}

int TRadioGroup::ItemIndex() const
{
    return group_->checkedId();
}

void TRadioGroup::SetItemIndex(int Index)
{
    if (QAbstractButton* button = group_->button(Index)) {
        button->setChecked(true);
        return;
    }
    // Exclusive groups refuse to uncheck their last button.
    if (QAbstractButton* checked = group_->checkedButton()) {
        group_->setExclusive(false);
        checked->setChecked(false);
        group_->setExclusive(true);
    }
}

int TRadioGroup::Count() const
{
    return static_cast<int>(group_->buttons().size());
}

#include "ui/options/frmOptionsSheetBase.h"

#include <QLabel>
#include <QVBoxLayout>

#include "ui/options/frmTovrinOptions.h"

TOptionsSheetBase::TOptionsSheetBase(TTovrinOptions* Owner) : QWidget(nullptr), owner_(Owner)
{
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(4, 4, 4, 4);
    lbSubentry_ = new QLabel(QStringLiteral("Please select a subentry for options"), this);
    lbSubentry_->setObjectName(QStringLiteral("lbSubentry"));
    layout_->addWidget(lbSubentry_);
}

TOptionsSheetBase* TOptionsSheetBase::CreateSheet(TTovrinOptions* Owner)
{
    auto* sheet = new TOptionsSheetBase(Owner);
    sheet->layout_->addStretch(1);
    return sheet;
}

void TOptionsSheetBase::SetModified(bool Value)
{
    modified_ = Value;
    if (Value && owner_)
        owner_->SetChanged(true);
}

TWindowOptions* TOptionsSheetBase::WindowOptions() const
{
    return owner_ ? owner_->WindowOptions() : nullptr;
}

void TOptionsSheetBase::HideSubentryHint()
{
    lbSubentry_->hide();
}

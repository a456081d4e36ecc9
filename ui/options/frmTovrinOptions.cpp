#include "ui/options/frmTovrinOptions.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/StrUtils.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/options/frmOptionsSheetBase.h"

namespace {

constexpr int ItemRole = Qt::UserRole + 1;

std::string NameKey(const std::string& name)
{
    return LowerCase(Trim(name));
}

} // namespace

TOptionItem::~TOptionItem()
{
    delete Sheet;
}

TTovrinOptions::TTovrinOptions(TWindowOptions* Options, const TSheetList* Sheets)
    : QDialog(nullptr), options_(Options)
{
    setWindowTitle(QStringLiteral("Options"));
    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    tvOptions = new QTreeWidget(splitter);
    tvOptions->setObjectName(QStringLiteral("tvOptions"));
    tvOptions->setHeaderHidden(true);
    tvOptions->setColumnCount(1);
    pnlOptionsSheet = new QWidget(splitter);
    pnlOptionsSheet->setObjectName(QStringLiteral("pnlOptionsSheet"));
    auto* sheetLayout = new QVBoxLayout(pnlOptionsSheet);
    sheetLayout->setContentsMargins(0, 0, 0, 0);
    // Room for the group captions.
    tvOptions->setMinimumWidth(tvOptions->fontMetrics().horizontalAdvance(QStringLiteral("General Application Options")) + 48);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnApply = new QPushButton(QStringLiteral("Apply"), this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnOK->setDefault(true);
    btnApply->setEnabled(false);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnApply);
    layout->addLayout(buttons);
    resize(680, 420);

    connect(btnOK, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnOKClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnApply, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnApplyClick(); }); });

    changeTimer_ = new QTimer(this);
    changeTimer_->setSingleShot(true);
    connect(changeTimer_, &QTimer::timeout, this, [this] { RunGuarded([this] { ShowSelectedSheet(); }); });
    connect(tvOptions, &QTreeWidget::currentItemChanged, this, [this] { RunGuarded([this] { tvOptionsChange(); }); });
    // A click on a collapsed node opens it.
    connect(tvOptions, &QTreeWidget::itemClicked, this, [](QTreeWidgetItem* node) {
        if (node && !node->isExpanded())
            node->setExpanded(true);
    });

    if (Sheets)
        BuildTree(*Sheets);
    tvOptionsChange();
}

TTovrinOptions::~TTovrinOptions()
{
    // The sheets go with their nodes' items, before the dialog's own children.
    currentSheet_ = nullptr;
    items_.clear();
}

bool TTovrinOptions::Execute(TWindowOptions* Options)
{
    TTovrinOptions dialog(Options);
    QTreeWidgetItemIterator it(dialog.tvOptions);
    if (*it && *++it)
        dialog.tvOptions->setCurrentItem(*it);
    dialog.ChangeDelay = 300;
    dialog.exec();
    return dialog.anyChange_;
}

void TTovrinOptions::BuildTree(const TSheetList& Sheets)
{
    ++buildLock_;
    std::vector<QTreeWidgetItem*> nodes(static_cast<size_t>(Sheets.Count()), nullptr);
    for (int32_t i = 0; i < Sheets.Count(); ++i)
        AddNode(Sheets, i, nodes, 0);
    --buildLock_;
}

QTreeWidgetItem* TTovrinOptions::AddNode(const TSheetList& Sheets, int32_t Index, std::vector<QTreeWidgetItem*>& Nodes,
                                         int32_t Depth)
{
    QTreeWidgetItem*& node = Nodes[static_cast<size_t>(Index)];
    if (node)
        return node;
    const TSheetRec& rec = Sheets[Index];
    QTreeWidgetItem* parent = nullptr;
    // The group goes first; the depth bound keeps a broken list from recursing for ever.
    if (rec.ParentIndex >= 0 && rec.ParentIndex < Sheets.Count() && rec.ParentIndex != Index &&
        Depth < Sheets.Count())
        parent = AddNode(Sheets, rec.ParentIndex, Nodes, Depth + 1);
    node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvOptions);
    node->setText(0, QString::fromStdString(rec.Name));
    items_.push_back(std::make_unique<TOptionItem>(rec.SheetClass));
    node->setData(0, ItemRole, QVariant::fromValue(static_cast<qulonglong>(items_.size() - 1)));
    if (parent)
        parent->setExpanded(true);
    nodesByName_[NameKey(rec.Name)] = node;
    return node;
}

TOptionItem* TTovrinOptions::ItemOf(const QTreeWidgetItem* Node) const
{
    if (!Node)
        return nullptr;
    const QVariant data = Node->data(0, ItemRole);
    if (!data.isValid())
        return nullptr;
    const auto index = static_cast<size_t>(data.toULongLong());
    return index < items_.size() ? items_[index].get() : nullptr;
}

QTreeWidgetItem* TTovrinOptions::FindNode(const std::string& Name) const
{
    const auto found = nodesByName_.find(NameKey(Name));
    return found == nodesByName_.end() ? nullptr : found->second;
}

void TTovrinOptions::tvOptionsChange()
{
    if (buildLock_ > 0)
        return;
    if (ChangeDelay > 0) {
        changeTimer_->start(ChangeDelay);
        return;
    }
    ShowSelectedSheet();
}

void TTovrinOptions::ShowSelectedSheet()
{
    TOptionItem* item = ItemOf(tvOptions->currentItem());
    if (!item || !item->SheetClass)
        return;
    if (!item->Sheet) {
        item->Sheet = item->SheetClass(this);
        item->Sheet->setParent(pnlOptionsSheet);
        pnlOptionsSheet->layout()->addWidget(item->Sheet);
    }
    if (currentSheet_ && currentSheet_ != item->Sheet)
        currentSheet_->hide();
    currentSheet_ = item->Sheet;
    currentSheet_->show();
}

void TTovrinOptions::SetChanged(bool Value)
{
    changed_ = Value;
    btnApply->setEnabled(Value);
    if (Value)
        anyChange_ = true;
}

void TTovrinOptions::ApplySheets()
{
    for (QTreeWidgetItemIterator it(tvOptions); *it; ++it) {
        TOptionItem* item = ItemOf(*it);
        if (item && item->Sheet)
            item->Sheet->Apply();
    }
    SetChanged(false);
}

void TTovrinOptions::btnOKClick()
{
    ApplySheets();  // a failure keeps the dialog open
    accept();
}

void TTovrinOptions::btnApplyClick()
{
    ApplySheets();
}

#include "ui/controls/VirtualRootBanner.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include "ui/mainwindow/TovrinApplication.h"

namespace {

// Calls a handler when the watched widget is clicked (banners have no click signal).
class TClickFilter : public QObject {
public:
    TClickFilter(QObject* parent, std::function<void()> onClick) : QObject(parent), onClick_(std::move(onClick)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease) {
            onClick_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onClick_;
};

} // namespace

QFrame* MakeBanner(QWidget* parent, QLabel*& label, const std::function<void()>& onReset)
{
    auto* banner = new QFrame(parent);
    banner->setFrameShape(QFrame::StyledPanel);
    banner->setAutoFillBackground(true);
    QPalette palette = banner->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 225));
    banner->setPalette(palette);
    auto* layout = new QHBoxLayout(banner);
    layout->setContentsMargins(4, 2, 4, 2);
    label = new QLabel(banner);
    label->setCursor(Qt::PointingHandCursor);
    auto* button = new QToolButton(banner);
    button->setText(QStringLiteral("x"));
    button->setAutoRaise(true);
    layout->addWidget(label, 1);
    layout->addWidget(button);
    auto* filter = new TClickFilter(banner, onReset);
    banner->installEventFilter(filter);
    label->installEventFilter(filter);
    QObject::connect(button, &QToolButton::clicked, banner, [onReset] { RunGuarded(onReset); });
    banner->hide();
    return banner;
}


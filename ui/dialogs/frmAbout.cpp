#include "ui/dialogs/frmAbout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <xcb/xcb.h>

TAboutFade::TTick TAboutFade::Tick()
{
    switch (state_) {
    case fsFadingIn:
        if (opacity_ + FadeInStep >= FullOpacity) {
            state_ = fsShown;
            opacity_ = FullOpacity;
            return tkStop;
        }
        opacity_ += FadeInStep;
        return tkGoOn;
    case fsFadingOut:
        if (opacity_ - FadeOutStep > 0) {
            opacity_ -= FadeOutStep;
            return tkGoOn;
        }
        return tkClose;
    case fsShown:
        break;
    }
    return tkStop;
}

std::string AboutMailLink()
{
    return std::string("mailto:") + AboutSupportAddress + "?subject=Tovrin%20Planner%20feedback";
}

namespace {

QPixmap ProductPicture()
{
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        return icon.pixmap(64, 64);
    QPixmap picture(64, 64);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(46, 125, 50));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(4, 4, 56, 56);
    painter.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygon({QPoint(18, 33), QPoint(28, 43), QPoint(46, 22)}));
    return picture;
}

QLabel* MakeLink(QWidget* parent, const char* text, const char* hint)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(QString::fromLatin1(hint));
    return label;
}

// The window system keeps a changed window property in its output buffer until something else
// is sent; with nothing else happening (the pointer still), a fade step would reach the display
// only much later. Each step is sent at once.
void SendToDisplay()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (xcb_connection_t* connection = x11 ? x11->connection() : nullptr)
        xcb_flush(connection);
}

QWidget* ApplicationMainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(widget) && widget->isVisible())
            return widget;
    return nullptr;
}

} // namespace

TAboutDlg::TAboutDlg(QWidget* MainWindow) : QWidget(nullptr, Qt::Tool), mainWindow_(MainWindow)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About Tovrin"));
    auto* layout = new QGridLayout(this);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(ProductPicture());
    Image1->installEventFilter(this);
    Label3 = new QLabel(QStringLiteral("Tovrin Planner"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont title = Label3->font();
    title.setPointSize(title.pointSize() + 6);
    title.setBold(true);
    Label3->setFont(title);
    Label2 = new QLabel(QStringLiteral("Version:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    lbVersion = new QLabel(this);
    lbVersion->setObjectName(QStringLiteral("lbVersion"));
    lbURL = MakeLink(this, "", "Check application web site for updates");
    lbURL->setObjectName(QStringLiteral("lbURL"));
    lbSupportEMail = MakeLink(this, "", "Send e-mail with your feedback...");
    lbSupportEMail->setObjectName(QStringLiteral("lbSupportEMail"));
    lbURL->installEventFilter(this);
    lbSupportEMail->installEventFilter(this);
    Button1 = new QPushButton(QStringLiteral("Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    layout->addWidget(Image1, 0, 0, 4, 1, Qt::AlignTop);
    layout->addWidget(Label3, 0, 1, 1, 2);
    layout->addWidget(Label2, 1, 1);
    layout->addWidget(lbVersion, 1, 2);
    layout->addWidget(lbURL, 2, 1, 1, 2);
    layout->addWidget(lbSupportEMail, 3, 1, 1, 2);
    layout->addWidget(Button1, 4, 2, Qt::AlignRight);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    setFixedSize(392, 191);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TAboutDlg::ApplyOpacity()
{
    setWindowOpacity(fade_.Opacity() / 255.0);
    SendToDisplay();
}

void TAboutDlg::StartFadeIn()
{
    Timer1->stop();
    fade_.StartFadeIn();
    ApplyOpacity();
    show();
    if (mainWindow_)
        mainWindow_->setEnabled(false);
    raise();
    // The box takes the keyboard, so that Enter and Esc reach its "Close".
    activateWindow();
    Button1->setFocus();
    Timer1->start();
}

void TAboutDlg::Button1Click()
{
    Timer1->stop();
    fade_.StartFadeOut();
    ApplyOpacity();
    Timer1->start();
    if (mainWindow_)
        mainWindow_->setEnabled(true);
}

void TAboutDlg::Timer1Timer()
{
    switch (fade_.Tick()) {
    case TAboutFade::tkGoOn:
        ApplyOpacity();
        break;
    case TAboutFade::tkStop:
        Timer1->stop();
        ApplyOpacity();
        break;
    case TAboutFade::tkClose:
        Timer1->stop();
        close();
        break;
    }
}

void TAboutDlg::lbURLClick()
{
    QDesktopServices::openUrl(QUrl(lbURL->text()));
}

void TAboutDlg::lbSupportEMailClick()
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(AboutMailLink())));
}

void TAboutDlg::closeEvent(QCloseEvent* event)
{
    Timer1->stop();
    if (mainWindow_) {
        mainWindow_->setEnabled(true);
        mainWindow_->raise();
        mainWindow_->activateWindow();
    }
    QWidget::closeEvent(event);
}

void TAboutDlg::mousePressEvent(QMouseEvent* event)
{
    // The box is dragged by its body, as by a caption.
    if (event->button() == Qt::LeftButton && windowHandle())
        windowHandle()->startSystemMove();
    QWidget::mousePressEvent(event);
}

void TAboutDlg::keyPressEvent(QKeyEvent* event)
{
    // "Close" is the default and the cancel button.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Button1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TAboutDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Image1) {
            mousePressEvent(static_cast<QMouseEvent*>(event));
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == lbURL) {
            lbURLClick();
            return true;
        }
        if (watched == lbSupportEMail) {
            lbSupportEMailClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

TAboutDlg* ShowAbout()
{
    // The box owns itself and is freed at the end of its fade-out.
    auto* box = new TAboutDlg(ApplicationMainWindow());
    box->lbVersion->setText(QString::fromLatin1(AboutVersion));
    box->lbURL->setText(QString::fromLatin1(AboutWebSite));
    box->lbSupportEMail->setText(QString::fromLatin1(AboutSupportAddress));
    box->StartFadeIn();
    return box;
}

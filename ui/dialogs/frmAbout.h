#pragma once
// The About box: product name, version and two links; it fades in when shown and out after
// "Close", and the main window stays disabled while it is up.
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <string>

class QLabel;
class QPushButton;
class QTimer;

// The fade of the box, one timer tick at a time.
class TAboutFade {
public:
    enum TState { fsFadingIn, fsFadingOut, fsShown };
    enum TTick { tkGoOn, tkStop, tkClose };

    void StartFadeIn()
    {
        state_ = fsFadingIn;
        opacity_ = 0;
    }
    void StartFadeOut()
    {
        state_ = fsFadingOut;
        opacity_ = FullOpacity;
    }
    // Moves the opacity one step; says whether the timer goes on, stops or the box closes.
    TTick Tick();

    TState State() const { return state_; }
    int32_t Opacity() const { return opacity_; }

    static constexpr int32_t FadeInStep = 32;
    static constexpr int32_t FadeOutStep = 32;
    static constexpr int32_t FullOpacity = 255;

private:
    TState state_ = fsShown;
    int32_t opacity_ = FullOpacity;
};

inline constexpr const char* AboutVersion = "1.0.10";
inline constexpr const char* AboutWebSite = "https://tovrin.org";
inline constexpr const char* AboutSupportAddress = "support@tovrin.org";
// The mail link behind the support label, with its subject line.
std::string AboutMailLink();

class TAboutDlg : public QWidget {
    Q_OBJECT
public:
    // MainWindow is disabled while the box shows.
    explicit TAboutDlg(QWidget* MainWindow);

    void StartFadeIn();
    void Button1Click();
    void Timer1Timer();
    void lbURLClick();
    void lbSupportEMailClick();
    const TAboutFade& Fade() const { return fade_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend TAboutDlg* ShowAbout();

    QLabel* Image1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lbVersion = nullptr;
    QLabel* lbURL = nullptr;
    QLabel* lbSupportEMail = nullptr;
    QPushButton* Button1 = nullptr;
    QTimer* Timer1 = nullptr;

    void ApplyOpacity();

    TAboutFade fade_;
    QPointer<QWidget> mainWindow_;
};

// Shows the About box over the application's main window; the box frees itself after its
// fade-out. Returns the box.
TAboutDlg* ShowAbout();

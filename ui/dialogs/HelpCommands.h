#pragma once
// The Help menu's commands: the web site's pages, feedback by mail and the About box. They ask
// nothing of the rest of the window.
#include <QObject>

class QAction;
class QWidget;

class THelpCommands : public QObject {
    Q_OBJECT
public:
    // Makes the commands on Window, in the menu's order.
    explicit THelpCommands(QWidget& Window);

    QAction* Howitworks1() const { return Howitworks1_; }
    QAction* VisitTovrinWebSite1() const { return VisitTovrinWebSite1_; }
    QAction* Proposenewfeature1() const { return Proposenewfeature1_; }
    QAction* actAbout() const { return actAbout_; }

private:
    void Howitworks1Click();
    void VisitTovrinWebSite1Click();
    void Proposenewfeature1Click();
    void actAboutExecute();

    QAction* Howitworks1_ = nullptr;
    QAction* VisitTovrinWebSite1_ = nullptr;
    QAction* Proposenewfeature1_ = nullptr;
    QAction* actAbout_ = nullptr;
};

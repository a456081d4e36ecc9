#pragma once
// The place picker: a small list of places that pops up under the property panel's "..."
// button. Each chosen place is appended to the target edit box; the picker stays open until it
// loses activation or Esc is pressed, and frees itself when it closes.
#include <QLineEdit>
#include <QPointer>
#include <QWidget>

#include <string>

class QTreeWidget;

// The target's text with Place appended: after "; " when the old text holds more than blanks.
std::string AppendPlaceCaption(const std::string& OldText, const std::string& Place);

class TSelectPlacesWnd : public QWidget {
    Q_OBJECT
public:
    explicit TSelectPlacesWnd(QLineEdit* Target);

    QLineEdit* Target() const { return target_; }
    QTreeWidget* lvPlaces() const { return lvPlaces_; }
    // Puts the picker's right edge at Button's right edge and its top at Button's bottom edge.
    void PlaceBelow(const QWidget* Button);

    void lvPlacesDblClick();
    // Returns true when the key was handled.
    bool lvPlacesKeyDown(int Key);
    void FormDeactivate();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* lvPlaces_ = nullptr;
    QPointer<QLineEdit> target_;
};

// Creates a picker without owner for Target; the caller fills lvPlaces, places and shows it.
TSelectPlacesWnd* CreateSelectPlacesWnd(QLineEdit* Target);

#pragma once
// The virtual-root banner over the Outline and To-Do pages: a pale bar with a label and a close
// button, hidden at first. A click on the bar, its label or its button calls OnReset.
#include <functional>

class QFrame;
class QLabel;
class QWidget;

QFrame* MakeBanner(QWidget* parent, QLabel*& label, const std::function<void()>& onReset);

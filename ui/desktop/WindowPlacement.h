#pragma once
// The main window's stored placement and whether it may be used: a placement that lies off the
// screen (a monitor removed since, a changed resolution) would leave the window unreachable.
#include <cstdint>

struct TWindowPlacement {
    int32_t Left = -1;
    int32_t Width = -1;  // below 0: no placement stored
    int32_t Top = -1;
    int32_t Height = -1;
    int32_t TreeWidth = -1;  // width of the left pane
    bool Maximized = false;
};

struct TScreenRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

// True when a placement is stored and its window can be reached on the virtual screen (the
// bounding box of all monitors).
bool PlacementOnScreen(const TWindowPlacement& Placement, const TScreenRect& VirtualScreen);

struct TWindowPosition {
    int32_t Left = 0;
    int32_t Top = 0;
};

// The window centred on the primary screen, never above or left of its top-left corner.
TWindowPosition CenteredWindowPosition(const TScreenRect& PrimaryScreen, int32_t WindowWidth, int32_t WindowHeight);

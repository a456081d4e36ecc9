#include "ui/desktop/WindowPlacement.h"

#include <algorithm>

bool PlacementOnScreen(const TWindowPlacement& Placement, const TScreenRect& VirtualScreen)
{
    if (Placement.Width < 0 || Placement.Height < 0)
        return false;
    // Enough of the caption must stay on the screen to grab the window.
    const int64_t right = int64_t{VirtualScreen.Left} + VirtualScreen.Width;
    const int64_t bottom = int64_t{VirtualScreen.Top} + VirtualScreen.Height;
    if (Placement.Left > right - 30)
        return false;
    if (Placement.Top > bottom - 20 || Placement.Top < int64_t{VirtualScreen.Top} - 30)
        return false;
    // A window wholly left of the screen cannot be reached either.
    return int64_t{Placement.Left} + Placement.Width >= int64_t{VirtualScreen.Left} + 30;
}

TWindowPosition CenteredWindowPosition(const TScreenRect& PrimaryScreen, int32_t WindowWidth, int32_t WindowHeight)
{
    TWindowPosition position;
    position.Left = PrimaryScreen.Left + std::max(0, (PrimaryScreen.Width - WindowWidth) / 2);
    position.Top = PrimaryScreen.Top + std::max(0, (PrimaryScreen.Height - WindowHeight) / 2);
    return position;
}

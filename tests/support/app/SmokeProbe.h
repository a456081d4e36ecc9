#pragma once
// For the Xvfb smoke run only: tells a script where on the screen the controls a user would
// reach for are, and saves screenshots on request, so that the script can drive the real
// program with the mouse and keyboard like a person.
#include <QString>

class TfrmTovrinMain;

// Every 200 ms writes ProbeFile anew: one line per control, "name x y [state...]" in screen
// coordinates. A file ProbeFile + ".shot" holding a path asks for a screenshot of the whole
// screen to that path; the request file is removed once the picture is written.
void StartSmokeProbe(TfrmTovrinMain& Window, const QString& ProbeFile);

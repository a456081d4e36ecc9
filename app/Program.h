#pragma once
// The program: the application object, the main window and the event loop.
#include <functional>

class TfrmTovrinMain;

// Runs the program to its end and returns its exit code. Shown, when given, is called once
// the main window is shown, before the event loop starts.
int RunProgram(int& argc, char** argv, const std::function<void(TfrmTovrinMain&)>& Shown = {});

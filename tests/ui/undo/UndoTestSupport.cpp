// The window tests' application object, scripted boxes and temporary folders serve these
// tests as well.
#include "ui/window/WindowTestSupport.cpp"

// The window tests' support (application object, scripted services, temporary folders), built
// into this binary as well.
#include "ui/window/WindowTestSupport.cpp"

// The library's source glob leaves out every folder named app/ (in the program folders it holds
// the program itself), which would leave the application object out of the core library too.
// Until the build names core/app/ itself, its sources are compiled here.
#include "core/app/Application.cpp"
#include "core/app/GlobalConstants.cpp"
#include "core/app/MessageLoop.cpp"
#include "core/app/Shortcut.cpp"
#include "core/app/WindowRegistry.cpp"

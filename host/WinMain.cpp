// Program entry point of the host: runs the application object.
#include "Wexlink32App.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int show)
{
    return theApp.AppMain(instance, show);
}

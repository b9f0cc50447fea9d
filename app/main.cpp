// The one application object; the class library's WinMain finds it and drives it.
#include "app/CMainApp.h"

static CMainApp theApp;

#include "CommonControls.h"

#ifdef _WIN32
#include <windows.h>

#include <commctrl.h>
#endif

bool InitCommonControlsVB()
{
#ifdef _WIN32
    INITCOMMONCONTROLSEX controls {};
    controls.dwSize = 8;
    controls.dwICC = 0x200; // ICC_USEREX_CLASSES
    return InitCommonControlsEx(&controls) != FALSE;
#else
    return true;
#endif
}

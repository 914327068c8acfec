#include "SystemBrowser.h"

#include <windows.h>

#include <shellapi.h>

namespace cli {

bool OpenInSystemBrowser(const QString& address)
{
    // The shell's "open" of the address itself, never "cmd /c start", which
    // would read "&" and "|" in it as commands.
    const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open",
        reinterpret_cast<const wchar_t*>(address.utf16()), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

} // namespace cli

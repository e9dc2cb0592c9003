#include "open_windows.h"

#include <windows.h>

namespace win32 {

void OpenWindows::closed()
{
    if (--count_ <= 0)
        PostQuitMessage(0);
}

} // namespace win32

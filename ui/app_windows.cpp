#include "ui/app_windows.h"

namespace vantrell {

AppWindows &appWindows()
{
    static AppWindows windows;
    return windows;
}

} // namespace vantrell

// The X11 connection of the running application, for the few hints and flushes that Qt
// does not offer. Everything here is a no-op on other platforms.
#pragma once

#include <QGuiApplication>

#if defined(VANTRELL_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define VANTRELL_X11 1

namespace vantrell {

// Null unless the application runs on X11.
inline xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace vantrell
#endif

// The desktop portal's screenshot request, for sessions (Wayland) where programs may not read
// the screen themselves.
#pragma once

#include <QImage>

namespace platform {

// True when the session bus offers the screenshot portal.
bool portalScreenshotAvailable();
// The whole screen through the portal (the desktop may ask the user first); a null image when
// the request was refused, cancelled or failed.
QImage portalScreenshot();

} // namespace platform

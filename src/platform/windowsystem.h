// Which window system the program runs on. Under a Wayland session a program cannot place its own
// windows (the viewer in the work area's corner, the batch and log windows where they belong), so
// where an X server is at hand too (XWayland), the program runs on that instead, unless the user
// chose a Qt platform of their own.
#pragma once

#include <QByteArray>

namespace vu {

// What the session offers, from the environment.
struct WindowSession {
    QByteArray qtPlatform;  // QT_QPA_PLATFORM: the user's own choice
    QByteArray waylandDisplay;  // WAYLAND_DISPLAY
    QByteArray sessionType;  // XDG_SESSION_TYPE
    QByteArray display;  // DISPLAY
};

// The Qt platform to ask for: "xcb" under a Wayland session with a reachable X server and no
// choice of the user's; empty to leave Qt its own choice.
QByteArray qtPlatformFor(const WindowSession& session, bool xReachable);

// Whether the X server `display` names (":0", ":1.0", "unix:2") answers on its local socket in
// `socketFolder`. Servers reached over the network are not tried.
bool xServerReachable(const QByteArray& display, const QByteArray& socketFolder = "/tmp/.X11-unix");

// Sets QT_QPA_PLATFORM as qtPlatformFor() decides; called before the application starts.
void chooseWindowSystem();

}  // namespace vu

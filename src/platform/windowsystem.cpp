#include "windowsystem.h"

#include "posix.h"

#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>

namespace vu {

QByteArray qtPlatformFor(const WindowSession& session, bool xReachable)
{
    if (!session.qtPlatform.isEmpty())
        return QByteArray();
    const bool wayland = !session.waylandDisplay.isEmpty() || session.sessionType == "wayland";
    return wayland && xReachable ? QByteArray("xcb") : QByteArray();
}

bool xServerReachable(const QByteArray& display, const QByteArray& socketFolder)
{
    const qsizetype colon = display.lastIndexOf(':');
    if (colon < 0)
        return false;
    const QByteArray host = display.left(colon);
    if (!host.isEmpty() && host != "unix")
        return false;
    const QByteArray number = display.mid(colon + 1).split('.').value(0);
    bool ok = false;
    number.toUInt(&ok);
    if (!ok)
        return false;
    const QByteArray path = socketFolder + "/X" + number;
    sockaddr_un address{};
    if (std::size_t(path.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    // Without waiting: a server too busy to take the connection now still answers (EAGAIN).
    posix::Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.valid())
        return false;
    return ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 || errno == EAGAIN;
}

void chooseWindowSystem()
{
    WindowSession s{
        qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"), qgetenv("DISPLAY")};
    const QByteArray platform = qtPlatformFor(s, !s.display.isEmpty() && xServerReachable(s.display));
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

}  // namespace vu

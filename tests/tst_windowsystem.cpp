// Which window system the program asks Qt for.
#include "platform/windowsystem.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTest>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vu;
using namespace vu::testing;

class TestWindowSystem : public QObject {
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
    void reachability();
};

void TestWindowSystem::choice_data()
{
    QTest::addColumn<QByteArray>("qtPlatform");
    QTest::addColumn<QByteArray>("wayland");
    QTest::addColumn<QByteArray>("sessionType");
    QTest::addColumn<bool>("xReachable");
    QTest::addColumn<QByteArray>("chosen");
    QTest::newRow("Wayland with XWayland")
        << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland") << true << QByteArray("xcb");
    QTest::newRow("Wayland session type alone")
        << QByteArray() << QByteArray() << QByteArray("wayland") << true << QByteArray("xcb");
    QTest::newRow("Wayland without an X server")
        << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland") << false << QByteArray();
    QTest::newRow("the user's own choice")
        << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray("wayland") << true << QByteArray();
    QTest::newRow("an X session") << QByteArray() << QByteArray() << QByteArray("x11") << true << QByteArray();
}

void TestWindowSystem::choice()
{
    QFETCH(QByteArray, qtPlatform);
    QFETCH(QByteArray, wayland);
    QFETCH(QByteArray, sessionType);
    QFETCH(bool, xReachable);
    QTEST(qtPlatformFor({qtPlatform, wayland, sessionType, QByteArray(":0")}, xReachable), "chosen");
}

// A display is reachable while a server listens on its socket, and only then.
void TestWindowSystem::reachability()
{
    TempCwd cwd;
    const QByteArray folder = QFile::encodeName(cwd.path());
    QVERIFY(!xServerReachable(":7", folder));
    const QByteArray path = folder + "/X7";
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    QVERIFY(::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
    QVERIFY(::listen(server, 1) == 0);
    QVERIFY(xServerReachable(":7", folder));
    QVERIFY(xServerReachable(":7.0", folder));
    QVERIFY(xServerReachable("unix:7", folder));
    QVERIFY(!xServerReachable(":8", folder));
    QVERIFY(!xServerReachable("otherhost:7", folder));  // over the network: not tried
    QVERIFY(!xServerReachable("nonsense", folder));
    ::close(server);
}

QTEST_GUILESS_MAIN(TestWindowSystem)
#include "tst_windowsystem.moc"

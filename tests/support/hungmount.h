// A volume that stops answering, for real: a FUSE mount (bindfs) of a temporary folder whose
// server is stopped (SIGSTOP), the way a network share or a failing drive hangs: every call that
// touches the mount (stat, statfs, open, a listing) waits in the kernel until the server goes on.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/types.h>

namespace vu::testing {

// Gives the test program a mount namespace of its own, so that the mounts it makes (and hangs)
// are seen by no other program on the machine: one that looks at every mount (df, a file
// manager, another test) would hang on them. Call first thing in main(), before any thread
// starts; false where the program cannot (not the superuser).
bool useOwnMounts();

// QTEST_MAIN for a test program that hangs mounts (on an application object of class `App`:
// QApplication, or QCoreApplication): it takes a mount namespace of its own first.
#define VUTARA_HUNG_MOUNT_TEST_MAIN(App, TestObject)                                                                   \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        vu::testing::useOwnMounts();                                                                                   \
        App app(argc, argv);                                                                                           \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }

// A bindfs mount of a temporary folder, its server a child of the test, stopped on request. The
// destructor lets the server go on, unmounts, ends it and waits (within bounds) for the program's
// workers it held, also when the test failed. The server dies with the test program, should that
// end without its destructors (a watchdog): the mount then fails instead of hanging.
class HungMount {
public:
    HungMount();
    ~HungMount();
    HungMount(const HungMount&) = delete;
    HungMount& operator=(const HungMount&) = delete;

    // Mounted (and stoppable); else why() says why not, for the test to skip.
    bool ok() const { return server_ > 0; }
    const QString& why() const { return why_; }
    // Where the volume is mounted; and the folder behind it, which always answers.
    const QString& mountPoint() const { return mountPoint_; }
    QString source() const { return dir_.filePath(QStringLiteral("source")); }

    // From now on every access under mountPoint() hangs, until resume().
    void stop();
    void resume();

private:
    QTemporaryDir dir_;
    QString mountPoint_;
    QString why_;
    pid_t server_ = -1;
    bool stopped_ = false;
    int workersBefore_ = 0;
};

}  // namespace vu::testing

#include "support/hungmount.h"

#include "platform/blocking.h"
#include "platform/volumes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vu::testing {
namespace {

bool ownMounts = false;

bool isMounted(const QString& point)
{
    for (const MountEntry& m : readMountTable()) {
        if (m.mountPoint == point)
            return true;
    }
    return false;
}

// Waits for the child to end, ending it by force when it does not within a few seconds.
void reap(pid_t child)
{
    QElapsedTimer waited;
    waited.start();
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (waited.elapsed() > 5000) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return;
        }
        QThread::msleep(10);
    }
}

}  // namespace

bool useOwnMounts()
{
    if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0)
        return false;
    // Mounts made from now on stay in this namespace, even where the system's root mount is
    // shared (as systemd makes it).
    ownMounts = ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return ownMounts;
}

HungMount::HungMount()
{
    if (::geteuid() != 0) {
        why_ = QStringLiteral("needs the superuser");
        return;
    }
    if (!ownMounts) {
        why_ = QStringLiteral("needs a mount namespace of its own (VUTARA_HUNG_MOUNT_TEST_MAIN)");
        return;
    }
    const QString bindfs = QStandardPaths::findExecutable(QStringLiteral("bindfs"));
    if (bindfs.isEmpty()) {
        why_ = QStringLiteral("needs bindfs (tools/setup.sh --test installs it)");
        return;
    }
    mountPoint_ = dir_.filePath(QStringLiteral("mount"));
    QDir().mkpath(source());
    QDir().mkpath(mountPoint_);
    workersBefore_ = blocking::runningWorkers();
    const QByteArray exe = QFile::encodeName(bindfs);
    const QByteArray from = QFile::encodeName(source());
    const QByteArray to = QFile::encodeName(mountPoint_);
    // No attribute or entry caches: once the server stops, the mount answers nothing at all.
    const char* argv[] = {exe.constData(), "-f", "-o", "attr_timeout=0,entry_timeout=0,negative_timeout=0",
        from.constData(), to.constData(), nullptr};
    const pid_t child = ::fork();
    if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::execv(argv[0], const_cast<char**>(argv));
        ::_exit(127);
    }
    if (child < 0) {
        why_ = QStringLiteral("could not start bindfs");
        return;
    }
    QElapsedTimer waited;
    waited.start();
    while (!isMounted(mountPoint_)) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child || waited.elapsed() > 10000) {
            ::kill(child, SIGKILL);
            reap(child);
            why_ = QStringLiteral("bindfs did not mount");
            return;
        }
        QThread::msleep(10);
    }
    server_ = child;
}

HungMount::~HungMount()
{
    if (!ok())
        return;
    resume();
    ::kill(server_, SIGTERM);  // it unmounts as it ends
    reap(server_);
    if (isMounted(mountPoint_))
        ::umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH);
    // The program's workers that the mount held answer now; let them finish before the test
    // takes down what they use.
    QElapsedTimer waited;
    waited.start();
    while (blocking::runningWorkers() > workersBefore_ && waited.elapsed() < 10000)
        QThread::msleep(10);
}

void HungMount::stop()
{
    if (!ok() || stopped_)
        return;
    ::kill(server_, SIGSTOP);
    int status = 0;
    ::waitpid(server_, &status, WUNTRACED);  // returns once it has stopped
    stopped_ = true;
}

void HungMount::resume()
{
    if (!ok() || !stopped_)
        return;
    ::kill(server_, SIGCONT);
    stopped_ = false;
}

}  // namespace vu::testing

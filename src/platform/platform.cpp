#include "platform.h"
#include "posix.h"

#include <csignal>

namespace vu {

void prepareProcess()
{
    std::signal(SIGXFSZ, SIG_IGN);
    posix::temporaries::removeAtEnd();
}

SystemPlatform::SystemPlatform()
    : files_(std::make_unique<PosixFiles>())
    , pictures_(std::make_unique<QtPictures>())
    , dialogs_(std::make_unique<QtDialogs>())
    , screen_(std::make_unique<QtScreen>())
    , volumes_(std::make_unique<QtVolumes>())
    , clock_(std::make_unique<SystemClock>())
    , urls_(std::make_unique<DesktopUrlOpener>())
    , windowing_(std::make_unique<QtWindowing>())
    , thumbnails_(std::make_unique<FreedesktopThumbnails>())
    , places_(std::make_unique<DesktopPlaces>())
    , preferences_(std::make_unique<DesktopPreferences>())
{
    platform_ = {files_.get(), pictures_.get(), dialogs_.get(), screen_.get(), volumes_.get(), clock_.get(),
        urls_.get(), windowing_.get(), thumbnails_.get(), places_.get(), preferences_.get()};
}

SystemPlatform::~SystemPlatform() = default;

}  // namespace vu

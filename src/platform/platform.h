// The platform services a window may use, handed around as one bundle.
#pragma once

#include "clock.h"
#include "dialogs.h"
#include "files.h"
#include "paths.h"
#include "pictures.h"
#include "posixfiles.h"
#include "preferences.h"
#include "screen.h"
#include "thumbcache.h"
#include "urlopener.h"
#include "volumes.h"
#include "windowing.h"

#include <memory>

namespace vu {

struct Platform {
    Files* files = nullptr;
    Pictures* pictures = nullptr;
    Dialogs* dialogs = nullptr;
    Screen* screen = nullptr;
    Volumes* volumes = nullptr;
    Clock* clock = nullptr;
    UrlOpener* urls = nullptr;
    Windowing* windowing = nullptr;
    ThumbnailCache* thumbnails = nullptr;
    Places* places = nullptr;
    Preferences* preferences = nullptr;
};

// Sets up the process the way the real services expect, before anything else runs: a write past
// the file-size limit (RLIMIT_FSIZE) then fails like a write to a full disk, instead of the
// system's signal ending the program without a word; and SIGTERM, SIGINT or the end of the
// program remove the temporary file of a copy in progress before the program ends.
void prepareProcess();

// The real services of this desktop. Needs a QApplication.
class SystemPlatform {
public:
    SystemPlatform();
    ~SystemPlatform();
    const Platform& platform() const { return platform_; }

private:
    std::unique_ptr<PosixFiles> files_;
    std::unique_ptr<QtPictures> pictures_;
    std::unique_ptr<QtDialogs> dialogs_;
    std::unique_ptr<QtScreen> screen_;
    std::unique_ptr<QtVolumes> volumes_;
    std::unique_ptr<SystemClock> clock_;
    std::unique_ptr<DesktopUrlOpener> urls_;
    std::unique_ptr<QtWindowing> windowing_;
    std::unique_ptr<FreedesktopThumbnails> thumbnails_;
    std::unique_ptr<DesktopPlaces> places_;
    std::unique_ptr<DesktopPreferences> preferences_;
    Platform platform_;
};

}  // namespace vu

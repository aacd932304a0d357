// Opens a web address in the desktop's browser.
#pragma once

#include <QUrl>

namespace vu {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // False when no browser could be started.
    virtual bool open(const QUrl& url) = 0;
};

class DesktopUrlOpener final : public UrlOpener {
public:
    bool open(const QUrl& url) override;
};

}  // namespace vu

// Opens a web address in the desktop's browser.
#pragma once

#include <QString>
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

// The program's document `name` (the user guide): the installed one in <prefix>/share/doc/vutara
// beside the program's <prefix>/bin, or the one a build made (<build>/dist/guide) for a program
// run from its build folder. Empty when there is neither.
QString programDocument(const QString& name);

}  // namespace vu

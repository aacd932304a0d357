#include "urlopener.h"

#include <QDesktopServices>

namespace vu {

bool DesktopUrlOpener::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

}  // namespace vu

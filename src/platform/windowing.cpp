#include "windowing.h"

#include <QWidget>

namespace vu {

bool QtWindowing::setStaysOnTop(QWidget* window, bool on)
{
    if (!window)
        return false;
    // Changing a window flag re-creates a shown window; keep its place and size.
    const QRect geometry = window->geometry();
    const bool placed = window->testAttribute(Qt::WA_Moved) || window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (placed)
        window->setGeometry(geometry);
    window->show();
    return true;
}

}  // namespace vu

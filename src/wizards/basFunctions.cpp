#include "wizards/basFunctions.h"

#include <QWidget>

namespace basFunctions {

bool SetTopMost(QWidget* window, bool on)
{
    if (!window)
        return false;
    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    // Changing a window flag hides a shown window; bring it back as it was.
    if (wasVisible)
        window->show();
    return on;
}

} // namespace basFunctions

// The help menu's 開発者のwebｻｲﾄ: a packager's web address, or else the user guide installed with
// the program, in the desktop's browser.
#pragma once

#include "shell/vumodule.h"

namespace vu {

// Opens the address in the browser; a message box owned by `window` says so where there is
// nothing to open or no browser starts.
void openGuide(VuModule& module, QWidget* window);

}  // namespace vu

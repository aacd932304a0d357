// The main window's menus: the menu bar's four and the thumbnails' pop-up menu, with their
// items' names, captions and handlers.
#pragma once

#include "mainbars.h"
#include "vumain.h"

namespace vu {

const MenuTable<VuMain::Controls, VuMain>& mainMenus();

}  // namespace vu

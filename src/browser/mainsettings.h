// The main window's steps on the settings file: the folder it starts on and the folder it stores
// at the end.
#pragma once

#include "shell/settings.h"
#include "shell/vumodule.h"

namespace vu {

// Reads the settings file into `settings` and makes the folder it names the current one.
FsStatus takeStoredFolder(VuModule& module, SettingsRec* settings);
// Success where the drive holding `folder` is known and ready; the not-ready error otherwise.
FsStatus driveReady(VuModule& module, const QString& folder);
// Stores the current folder in the settings file, keeping what else the file holds (read again
// into `settings` first); the outcome of the write.
FsStatus storeCurrentFolder(VuModule& module, SettingsRec* settings);

// Deletions go to the trash (or are final) from now on; the choice is kept for the next run, and a
// message box owned by `window` says so where it cannot be: it then holds for this run only.
void keepTrashChoice(VuModule& module, QWidget* window, bool useTrash);
// Tells on the standard error that the settings could not be stored, where `stored` failed.
void reportUnstored(const FsStatus& stored);

}  // namespace vu

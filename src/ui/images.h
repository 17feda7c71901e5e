#pragma once
// The pictures of the user tree and the folder list, by role: 0 a computer, 3 a closed
// folder, 4 an open folder, 5 a mail tray, 6 a bundle of mail, 7 the selection marker of a
// folder-list row. Drawn at start-up, 16 by 16 pixels.
#include <windows.h>

#include <commctrl.h>

namespace tavori::ui {

// A new image list holding the eight pictures (1 and 2 are unused and blank). The caller
// destroys it (ImageList_Destroy) after the controls that show it.
HIMAGELIST CreateProfileImages();

}  // namespace tavori::ui

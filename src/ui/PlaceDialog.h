// Where the management dialogs appear: at their owner, kept inside the part of the screen that the
// taskbar leaves free.
#pragma once

#include "DialogPlacement.h"

#include <windows.h>

namespace lodestar {

// The screen without the taskbar's strip; the whole screen when the taskbar hides itself or there is none.
TRect TaskbarWorkArea();
// The system's work area (SPI_GETWORKAREA), the whole screen when the system gives none.
TRect SystemWorkArea();

// The work area of the display that holds `at`, or of the nearest one (WorkAreaAt over the displays the
// system reports and the taskbar); on the primary display the same as TaskbarWorkArea().
TRect DisplayWorkAreaAt(TPoint at);

// Puts the dialog's top-left corner at the owner's client-area origin, then moves it up and left so that
// it ends inside the work area of the owner's display and down and right so that it starts inside it.
// Size and z-order stay. A missing owner leaves the dialog where it is.
void PlaceDialog(HWND owner, HWND dialog);

} // namespace lodestar

// screen_fit.h - windows kept inside the screen's free area.
//
// At a large scale (QT_SCALE_FACTOR=2 on a 1280x900 screen leaves 640x450) the sizes the
// windows ask for run past the screen.  A window is given the rectangle it asks for, shrunk to
// the area and moved into it; `frame` is what the window manager draws around it (title bar,
// borders), which must fit as well.
#ifndef VELK_SHELL_CORE_SCREEN_FIT_H
#define VELK_SHELL_CORE_SCREEN_FIT_H

#include "shell/core/window_layout.h"

namespace velk {

struct tMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// `window` (without its frame) shrunk so that it with its frame is at most as large as `area`,
// then moved the least so that it lies inside; never below 1x1.  A window that fits stays.
tRect fitInside(const tRect &window, const tMargins &frame, const tRect &area);

// Whether `inner` lies wholly inside `outer`.
bool liesInside(const tRect &inner, const tRect &outer);

} // namespace velk

#endif

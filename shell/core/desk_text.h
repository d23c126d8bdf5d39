// desk_text.h - the remembered desk as settings text.
//
// At "Beenden" the program keeps, per logged-in user, where the frame stood and which views were
// open; the next start after the login brings them back.  This is the plain description and its
// text, one key a line in the user's configuration (section "Arbeitsplatz-<user>"):
//
//   Rahmen=X Y W H normal|max        the frame: the corner of the window manager's frame around
//                                    it, the size inside, and whether it was maximised
//   Ansichten=N                      how many views follow (at most kMaxDeskViews are read)
//   Ansicht<i>=TYPE X Y W H STATE    i = 1..N in the order the views were opened; STATE normal,
//                                    min or max; geometry of the sub-window in the client area
//   Inhalt<i>=LINE                   the view's own line (tView::deskState), may be empty
//   Aktiv=i                          the view that was active, 0 for none
//
// A malformed view line is skipped and the others kept; a malformed frame line leaves the frame
// as it opens; nothing saved gives an empty desk, and the program starts as ever.
#ifndef VELK_SHELL_CORE_DESK_TEXT_H
#define VELK_SHELL_CORE_DESK_TEXT_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "shell/core/window_layout.h"

namespace velk {

constexpr int kMaxDeskViews = 64;

enum class tWindowState { Normal, Minimized, Maximized };

struct tDeskView {
    int type = 0;
    tRect geometry;
    tWindowState state = tWindowState::Normal;
    std::string content; // the view's deskState line
    bool active = false;
    friend bool operator==(const tDeskView &, const tDeskView &) = default;
};

struct tDesk {
    bool hasFrame = false;
    tRect frame;
    bool frameMaximized = false;
    std::vector<tDeskView> views; // in the order they were opened
    friend bool operator==(const tDesk &, const tDesk &) = default;
};

using tSettingsLines = std::vector<std::pair<std::string, std::string>>;

// Every key of the desk, "Rahmen" first; nothing for a desk without frame and views.
tSettingsLines deskToSettings(const tDesk &desk);
// The desk those keys describe; unknown keys are ignored, malformed entries skipped.
tDesk deskFromSettings(const tSettingsLines &lines);

// "TYPE X Y W H STATE" of one view, and back (false for a malformed line: wrong field count, a
// field that is no whole number, a width or height below 1, an unknown state).
std::string formatDeskView(const tDeskView &view);
bool parseDeskView(const std::string &line, tDeskView &view);

// Drops the views whose type `known` does not answer (a view type that no longer exists).
void dropUnknownViews(tDesk &desk, const std::function<bool(int type)> &known);

} // namespace velk

#endif

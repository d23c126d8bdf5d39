// help_text.h - the help document as text: its sections, the search over them, and where the
// help window goes beside the main frame.
//
// The document (resources/help/velk.html) begins each section with an anchor
// `<a name="Keyword"></a>` inside its heading.  A search finds the sections that contain every
// word of the query, ignoring case (umlauts too), in document order.
#ifndef VELK_SHELL_CORE_HELP_TEXT_H
#define VELK_SHELL_CORE_HELP_TEXT_H

#include <string>
#include <string_view>
#include <vector>

#include "shell/core/window_layout.h"

namespace velk {

struct tHelpSection {
    std::string anchor; // the keyword (or "Inhalt", "Start", ...)
    std::string title;  // the heading's text, UTF-8
    std::string text;   // the whole section without its tags, entities decoded, UTF-8
};

// The sections of the document in order; text before the first anchor is left out.
std::vector<tHelpSection> helpSections(std::string_view html);

// The anchors of the sections that contain every word of `query`; none for an empty query.
std::vector<std::string> searchHelp(const std::vector<tHelpSection> &sections,
                                    std::string_view query);

// Lower case for ASCII and the German capitals (UTF-8 in, UTF-8 out).
std::string helpFold(std::string_view text);

// Where a help window of the wanted size goes: beside the frame on the right where the screen
// has room, else on the left; else on the side with more room, narrowed to it when at least
// `minWidth` remain; else at the right edge of the screen.  Its top is the frame's, moved up
// so that the window stays on the screen, and it is never taller than the screen.
tRect helpPlacement(const tRect &frame, const tRect &screen, int width, int height,
                    int minWidth = 320);

} // namespace velk

#endif

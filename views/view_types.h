// view_types.h - the plain values the calendar's views hand to their widgets: list lines, what a
// command or a click comes to, and the shapes of the two drawn views.
//
// Texts are Windows-1252 bytes, like the stored text most of them are made of; the widgets turn
// them into strings with fromCp1252.  Holiday names, which the holiday list keeps in UTF-8, are
// converted on the way in (holiday_cache.h).
#ifndef VELK_VIEWS_VIEW_TYPES_H
#define VELK_VIEWS_VIEW_TYPES_H

#include "base/date.h"
#include "base/notice_bits.h"
#include "calendar/termin.h"

#include <string>

namespace velk {

// The kind of a list line: the first character of its text.
enum class tLineKind : char { Holiday = '!', Birthday = '*', Termin = '>', Task = '#' };

struct tViewLine {
    tLineKind kind = tLineKind::Holiday;
    std::string text;
    std::string key; // the person's, appointment's or task's ID; empty for a holiday
    tDate date;      // the day the line is listed under (a birthday's age and a holiday's tip)

    friend bool operator==(const tViewLine &, const tViewLine &) = default;
};

// The two modes of the selection list.
enum tSelectionMode : int { SelectChange = 10, SelectDelete = 11 };

// What a command, a double click or a drag on a view comes to.  The widget carries it out; when
// the dialog it runs ends with OK (or the deletion succeeds) it sends the data-changed notice
// with the bits of `notice` (none when 0) and repaints itself when `redraw` is set.
struct tViewAction {
    enum Kind {
        Nothing,
        EditPerson,   // the person dialog on the person `key`
        EditTermin,   // the appointment dialog (edit entry point) on the appointment `key`
        DeleteTermin, // delete the appointment `key` at once; "Fehler beim Löschen" on failure
        EditTask,     // the task dialog in change mode (2) on the task `key`
        NewOnDate,    // the appointment dialog on a new appointment on `date`
        NewTermin,    // the appointment dialog (edit entry point) on `termin`: no ID, its dates
                      // and, where set, its RESOURCE preset
        SelectDay,    // the selection list of `date`
        SelectRange,  // the selection list of termin.from to termin.till in `mode`
    };
    Kind kind = Nothing;
    std::string key;
    tDate date;
    tTermin termin;
    int mode = SelectChange;
    int notice = 0;
    bool redraw = false;
};

// Pixel coordinates in the view's unscrolled client area.
struct tPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const tPoint &, const tPoint &) = default;
};

// The pixels from (left, top) up to, not including, (right, bottom), as a GDI rectangle is given.
struct tRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(tPoint p) const
    {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    friend bool operator==(const tRect &, const tRect &) = default;
};

struct tRgb {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const tRgb &, const tRgb &) = default;
};

inline constexpr tRgb kBlack{0, 0, 0};
inline constexpr tRgb kWhite{255, 255, 255};
inline constexpr tRgb kLightGrey{192, 192, 192};
inline constexpr tRgb kRed{255, 0, 0};
inline constexpr tRgb kMagenta{255, 0, 255};
inline constexpr tRgb kBlue{0, 0, 255};
inline constexpr tRgb kGreen{0, 255, 0};

// How wide a text is drawn: the widget measures with the font as it is rendered; the layout
// asks it to decide what fits.  `size` is the font size in percent of the views' own font.
class tTextWidths {
public:
    virtual ~tTextWidths() = default;
    virtual int width(const std::string &cp1252, int size) const = 0;
};

// The font metrics both drawn views are laid out by: U, the width of the digit "0", and H, the
// line height, of "Arial" at 8 points, both multiplied by the zoom (in percent, 100 the views'
// own size).  Without `text` the layout counts every character as wide as a digit.
struct tViewMetrics {
    int U = 0;
    int H = 0;
    int zoom = 100;
    const tTextWidths *text = nullptr;
};

// Today's day and the colour it is marked with (the palette's highlight); no mark for an
// incomplete day.
struct tTodayMark {
    tDate day;
    tRgb colour = kBlue;
};

// One thing to draw.  Every pen is one pixel wide and solid.
struct tShape {
    enum Kind {
        Box,  // rect, filled with `fill` when `filled`, its edge pixels in `pen` when `outlined`
        Line, // from points[0] to points[1] in `pen`, the end point itself not drawn
        Text, // `text` in `pen` inside the box rect, centred or left-aligned, vertically
              // centred, cut off at the box, on a transparent background
        Triangle, // the polygon points[0..2], filled with `fill` and outlined in `pen`
    };
    // What the shape stands for, so that tests and widgets can pick shapes out of the list.
    enum Role {
        Frame,         // the frame of the grid or of a month block
        GridLine,      // the lines between days, hours and resources
        DayNumber,     // a day's number over its column
        HourLabel,     // "07" to "21" beside the hour rows
        MonthLabel,    // "month/year" over a month block
        ResourceLabel, // a resource's ID before its row
        Birthday,      // the marker over a day with a birthday
        Bar,           // a piece of an appointment
        TriangleUp,    // an appointment goes on above the grid
        TriangleDown,  // an appointment goes on below the grid
        BarTitle,      // an appointment's title on its bar
        TodayHeading,  // the tinted box behind today's day number
        TodayFrame,    // the frame around today's column
    };
    Kind kind = Box;
    Role role = Frame;
    tRect rect;
    tPoint points[3];
    tRgb pen = kBlack;
    tRgb fill = kWhite;
    bool filled = false;
    bool outlined = true;
    bool centred = true; // Text: centred, else left-aligned
    int textSize = 100;  // Text: the font size in percent of the views' own font
    std::string text;
    std::string key; // Bar, Triangle*, BarTitle: the appointment's ID; ResourceLabel: the ID
    tDate date;      // DayNumber, Birthday, Bar, Triangle*: the day it belongs to
};

} // namespace velk

#endif

// shapes.h - the factories of the drawn views' shapes (view_types.h): each fills in the fields
// its kind of shape draws with and leaves the rest at their defaults.
#ifndef VELK_VIEWS_SHAPES_H
#define VELK_VIEWS_SHAPES_H

#include "views/view_types.h"

#include <string>
#include <vector>

namespace velk {

// `s` in `colour` inside `box`, centred or left-aligned.
tShape textShape(tShape::Role role, tRect box, std::string s, tRgb colour, bool centred = true);

// A grid line from `from` to `to`, the end point not drawn.
tShape lineShape(tPoint from, tPoint to, tRgb colour);

// A light grey triangle outlined in black.
tShape triangleShape(tShape::Role role, tPoint a, tPoint b, tPoint c);

// A piece of the appointment `key` on `date`: a light grey box outlined in black.
tShape barShape(tRect rect, const std::string &key, const tDate &date);

// Today's mark: the tinted box behind the day number, and the frame in the mark's colour.
tShape todayHeading(tRect rect, const tTodayMark &today);
tShape todayFrame(tRect rect, const tTodayMark &today);
// The frame, and from 150 % on a second one just inside it, so that it stays as plain as the
// larger cells around it.
void addTodayFrames(std::vector<tShape> &shapes, tRect rect, const tTodayMark &today, int zoom);

} // namespace velk

#endif

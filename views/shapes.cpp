#include "views/shapes.h"

#include "views/view_zoom.h"

#include <utility>

namespace velk {

tShape textShape(tShape::Role role, tRect box, std::string s, tRgb colour, bool centred)
{
    tShape t;
    t.kind = tShape::Text;
    t.role = role;
    t.rect = box;
    t.text = std::move(s);
    t.pen = colour;
    t.centred = centred;
    return t;
}

tShape lineShape(tPoint from, tPoint to, tRgb colour)
{
    tShape l;
    l.kind = tShape::Line;
    l.role = tShape::GridLine;
    l.points[0] = from;
    l.points[1] = to;
    l.pen = colour;
    return l;
}

tShape triangleShape(tShape::Role role, tPoint a, tPoint b, tPoint c)
{
    tShape t;
    t.kind = tShape::Triangle;
    t.role = role;
    t.points[0] = a;
    t.points[1] = b;
    t.points[2] = c;
    t.filled = true;
    t.fill = kLightGrey;
    return t;
}

tShape barShape(tRect rect, const std::string &key, const tDate &date)
{
    tShape bar;
    bar.role = tShape::Bar;
    bar.rect = rect;
    bar.filled = true;
    bar.fill = kLightGrey;
    bar.key = key;
    bar.date = date;
    return bar;
}

tShape todayHeading(tRect rect, const tTodayMark &today)
{
    tShape box;
    box.role = tShape::TodayHeading;
    box.rect = rect;
    box.filled = true;
    box.outlined = false;
    box.fill = tinted(today.colour);
    box.date = today.day;
    return box;
}

tShape todayFrame(tRect rect, const tTodayMark &today)
{
    tShape frame;
    frame.role = tShape::TodayFrame;
    frame.rect = rect;
    frame.filled = false;
    frame.pen = today.colour;
    frame.date = today.day;
    return frame;
}

void addTodayFrames(std::vector<tShape> &shapes, tRect rect, const tTodayMark &today, int zoom)
{
    shapes.push_back(todayFrame(rect, today));
    if (zoom >= 150)
        shapes.push_back(
            todayFrame({rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1}, today));
}

} // namespace velk

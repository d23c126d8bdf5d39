// plan_ui_support.h - the drawn calendar views' widget tests: the views' test database
// (views_support.h), the recorder as shell host, the openers replaced by a recorder, and pixel
// helpers for views rendered offscreen.
#ifndef VELK_TESTS_CALENDAR_UI_PLAN_UI_SUPPORT_H
#define VELK_TESTS_CALENDAR_UI_PLAN_UI_SUPPORT_H

#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <string>
#include <vector>

#include "shell/ui/cp1252.h"
#include "widgets/calendar/view_openers.h"
#include "views/view_lines.h"
#include "tests/app/recorder_host.h"
#include "tests/views/views_support.h"

namespace velk::caltest {

// Puts recorders in place of the openers: each call is noted as text and answered with
// `answer`; a new appointment is stored as asked (as the dialog would) when `store` is set.
class OpenerRecorder {
public:
    OpenerRecorder()
    {
        tViewOpeners &o = viewOpeners();
        o.person = [this](QWidget *, const std::string &id) {
            calls.push_back("person " + id);
            return answer;
        };
        o.termin = [this](QWidget *, const std::string &id) {
            calls.push_back("termin " + id);
            return answer;
        };
        o.task = [this](QWidget *, const std::string &id) {
            calls.push_back("task " + id);
            return answer;
        };
        o.newTermin = [this](QWidget *, const tDateTime &from, const tDateTime &till,
                             const std::string &resource) {
            calls.push_back(viewFormat("new %d.%d.%d %d:%02d - %d.%d.%d %d:%02d [%s]", from.day,
                                       from.month, from.year, from.hour, from.minute, till.day,
                                       till.month, till.year, till.hour, till.minute,
                                       resource.c_str()));
            if (store && answer) {
                tTermin t;
                t.from = from;
                t.till = till;
                t.setTitle("gezogen");
                t.setResource(resource);
                EXPECT_TRUE(tTerminStore::instance().insert(t).complete());
            }
            return answer;
        };
    }
    ~OpenerRecorder() { viewOpeners() = tViewOpeners{}; }

    std::vector<std::string> calls;
    bool answer = true;
    bool store = false;
};

class PlanUiTest : public ViewsTest {
protected:
    apptest::RecorderHost host;
    OpenerRecorder openers;
};

inline QRgb rgbOf(tRgb c) { return qRgb(c.r, c.g, c.b); }

// How many pixels of the rectangle (left/top inclusive, right/bottom exclusive) have `colour`.
inline int countColour(const QImage &image, const tRect &r, tRgb colour)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++)
            if (image.valid(x, y) && (image.pixel(x, y) & 0xffffff) == (rgbOf(colour) & 0xffffff))
                n++;
    return n;
}

inline tRgb pixelAt(const QImage &image, int x, int y)
{
    QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

// The strongest ink in the rectangle: the pixel farthest from white.  Text is drawn smoothed, so
// its colour shows fully only where a glyph covers a whole pixel.
inline tRgb inkOf(const QImage &image, const tRect &r)
{
    tRgb ink = kWhite;
    int best = 0;
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++) {
            if (!image.valid(x, y)) continue;
            QRgb p = image.pixel(x, y);
            int distance = 3 * 255 - qRed(p) - qGreen(p) - qBlue(p);
            if (distance > best) best = distance, ink = {qRed(p), qGreen(p), qBlue(p)};
        }
    return ink;
}

inline bool near(tRgb a, tRgb b, int tolerance = 48)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// The list of the selection list that a dialog script sees.
inline QStringList listTexts(QDialog &d)
{
    QStringList out;
    auto *list = d.findChild<QListWidget *>(QStringLiteral("listLines"));
    EXPECT_TRUE(list);
    if (list)
        for (int i = 0; i < list->count(); i++) out << list->item(i)->text();
    return out;
}

inline void pressButton(QDialog &d, const char *name)
{
    auto *b = d.findChild<QPushButton *>(QString::fromLatin1(name));
    ASSERT_TRUE(b) << name;
    b->click();
}

// A script for the selection list: notes its title and lines, selects `row` (-1: none) and
// presses `button`.
inline std::function<void(QDialog &)> chooseLine(QString *title, QStringList *lines, int row,
                                                 const char *button = "buttonOk")
{
    return [=](QDialog &d) {
        if (title) *title = d.windowTitle();
        if (lines) *lines = listTexts(d);
        if (row >= 0) d.findChild<QListWidget *>(QStringLiteral("listLines"))->setCurrentRow(row);
        pressButton(d, button);
    };
}

} // namespace velk::caltest

#endif

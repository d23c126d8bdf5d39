// plan_paint.cpp - the drawn calendar views painted whole into an offscreen image, as the
// windows paint them: the month planner of one month and the occupancy plan of one year, each
// read from the database (the touching walk, the birthdays, the resources) and painted.  The
// database holds N appointments over three years (2023 to 2025) by 20 users, a third of them
// booking one of 50 resources; N / 10 persons with birthdays.
#include "bench/views/bench_views.h"
#include "bench/views/plan_mix.h"

#include "address/person.h"
#include "address/resource.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "print/shape_painter.h"
#include "views/month_planner.h"
#include "views/occupancy_plan.h"
#include "views/view_zoom.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <memory>
#include <random>

namespace velk::bench {

namespace {

constexpr int kResources = 50; // as in the shared database

// The same views at 200 %, texts measured for their cuts and today marked, as a maximised
// window draws them: the planner whole, the occupancy plan's shapes for the year and the part a
// 1280 x 900 window shows.
void runZoomed(long n, QImage &device, tHolidayCache &holidays)
{
    tPlanTextWidths widths(&device);
    tViewMetrics z = zoomedMetrics(planMetrics(&device), 200);
    z.text = &widths;
    const tTodayMark today{{14, 6, 2024}, {48, 140, 198}};
    char comment[160];
    long shapes = 0;
    const tPoint extent = planerExtent(z);
    QImage month(extent.x, extent.y, QImage::Format_RGB32);
    double v = timeMs([&] {
        std::vector<tShape> s = planerShapes({1, 6, 2024}, z, holidays, today);
        QPainter painter(&month);
        painter.fillRect(month.rect(), Qt::white);
        paintShapes(painter, s);
        shapes = long(s.size());
    });
    std::snprintf(comment, sizeof comment, "%ld shapes on %dx%d pixels, U %d H %d", shapes,
                  month.width(), month.height(), z.U, z.H);
    report({"month planner at 200 %, today marked", n, v, 0, 30, comment});

    QImage window(1280, 900, QImage::Format_RGB32);
    long cut = 0;
    v = timeMs(
        [&] {
            std::vector<tShape> s = jahrPlanShapes(jahrPlanData(2024), z, holidays, today);
            QPainter painter(&window);
            painter.fillRect(window.rect(), Qt::white);
            // Scrolled to June, as "Heute" shows it.
            const QPoint offset(0, jahrPlanMonthRow(6, kResources) * z.H);
            const QRect visible = window.rect().translated(offset);
            paintShapes(painter, s, offset, &visible);
            shapes = long(s.size());
            cut = 0;
            for (const tShape &t : s)
                cut += t.role == tShape::BarTitle && !t.text.empty() && t.text.back() == '\x85';
        },
        3);
    std::snprintf(comment, sizeof comment, "%ld shapes, %ld titles cut; window 1280x900", shapes,
                  cut);
    report({"occupancy plan at 200 %: read, lay out, paint", n, v, 0, 150, comment});
}

void runSize(long n)
{
    tBenchDatabase db("plan-paint");
    fillPlanMix(n, 4711, false, "plan paint");
    setCurrentUser(numbered("u", 0));
    tHolidayCache holidays;
    QImage image(1, 1, QImage::Format_RGB32);
    const tViewMetrics m = planMetrics(&image);
    char comment[160];

    const tDate june{1, 6, 2024};
    long shapes = 0, rows = 0;
    double walk = timeMs([&] {
        rows = long(tTerminStore::instance()
                        .touching(tDateTime::at(june, 0, 0), tDateTime::at({30, 6, 2024}, 23, 59))
                        .size());
    });
    QImage month((2 * 31 + 4) * m.U, 20 * m.H, QImage::Format_RGB32);
    double v = timeMs([&] {
        std::vector<tShape> s = planerShapes(june, m, holidays);
        QPainter painter(&month);
        painter.fillRect(month.rect(), Qt::white);
        paintShapes(painter, s);
        shapes = long(s.size());
    });
    std::snprintf(comment, sizeof comment,
                  "%ld shapes, U %d H %d; touching walk alone %.1f ms (%ld appointments)", shapes,
                  m.U, m.H, walk, rows);
    report({"month planner: read and paint", n, v, 0, 30, comment});

    walk = timeMs(
        [&] {
            rows = long(tTerminStore::instance()
                            .touching(tDateTime::at({1, 1, 2024}, 0, 0),
                                      tDateTime::at({31, 12, 2024}, 23, 59))
                            .size());
        },
        3);
    // The whole year at once, as a window tall enough to show every month would paint it.
    QImage year(70 * m.U, 12 * (kResources + 3) * m.H, QImage::Format_RGB32);
    v = timeMs(
        [&] {
            std::vector<tShape> s = jahrPlanShapes(jahrPlanData(2024), m, holidays);
            QPainter painter(&year);
            painter.fillRect(year.rect(), Qt::white);
            paintShapes(painter, s);
            shapes = long(s.size());
        },
        3);
    std::snprintf(comment, sizeof comment,
                  "%ld shapes on %dx%d pixels; touching walk alone %.1f ms (%ld appointments)",
                  shapes, year.width(), year.height(), walk, rows);
    report({"occupancy plan: read and paint a year", n, v, 0, 150, comment});
    runZoomed(n, image, holidays);
}

} // namespace

VELK_BENCH_SECTION("plan paint", [](const std::vector<long> &sizes) {
    ensureOffscreenGui();
    for (long n : sizes) runSize(n);
});

} // namespace velk::bench

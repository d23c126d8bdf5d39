// print_pdf.cpp - the views' printed pages written as PDF files through the functions
// velk-exchange's PDF kinds call (views/print_kinds.h, print/print_painter.h): the week of
// 14.6.2024 and the occupancy plan of 2024 (four landscape pages), each read from the database,
// laid out and written.  The database holds N appointments over three years (2023 to 2025) by
// 20 users, a third of them booking one of 50 resources; N / 10 persons with birthdays; N / 20
// tasks due in those years.
#include "bench/views/bench_views.h"
#include "bench/views/plan_mix.h"

#include "address/person.h"
#include "address/resource.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "print/print_painter.h"
#include "projects/project.h"
#include "views/print_kinds.h"

#include <QGuiApplication>

#include <cstdio>
#include <filesystem>
#include <random>

namespace velk::bench {

namespace {

// One kind to a PDF file: the whole (read, lay out, write) and the document alone, in ms.
void timeKind(const tBenchDatabase &db, tPrintKind kind, const char *view, long n, double goal)
{
    const tPrintHeading heading{"", numbered("u", 0), "14.06.2024 09:00"};
    const tTodayMark today{{14, 6, 2024}, {48, 140, 198}};
    const tDate date{14, 6, 2024};
    const std::string file = db.dir() + "/" + printKindName(kind) + ".pdf";
    std::size_t pages = 0;
    bool written = true;
    double whole = timeMs(
        [&] {
            tPrintDoc doc = printKindDoc(kind, date, heading, today);
            written = writePdf(doc, file, doc.title) && written;
            pages = doc.pages.size();
        },
        3);
    std::size_t shapes = 0;
    double built = timeMs(
        [&] {
            tPrintDoc doc = printKindDoc(kind, date, heading, today);
            shapes = 0;
            for (const tPrintPage &page : doc.pages) shapes += page.shapes.size();
        },
        3);
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(file, ec);
    char comment[200];
    std::snprintf(comment, sizeof comment,
                  "%zu pages, %zu shapes, %ld KB%s; read and lay out alone %.1f ms", pages, shapes,
                  ec ? 0L : long(bytes / 1024), written ? "" : " NOT WRITTEN", built);
    report({view, n, whole, 0, goal, comment});
}

void runSize(long n)
{
    tBenchDatabase db("print-pdf");
    fillPlanMix(n, 2612, true, "print pdf");
    setCurrentUser(numbered("u", 0));
    timeKind(db, tPrintKind::Week, "week to PDF (woche-pdf)", n, 500);
    timeKind(db, tPrintKind::YearPlan, "occupancy plan to PDF (belegung-pdf)", n, 2000);
}

} // namespace

VELK_BENCH_SECTION("print pdf", [](const std::vector<long> &sizes) {
    ensureOffscreenGui();
    for (long n : sizes) runSize(n);
});

} // namespace velk::bench

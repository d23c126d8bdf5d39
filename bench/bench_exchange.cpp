// bench_exchange [N]: the exchange of N persons and N appointments (default 10,000 each) through
// dBASE files, both ways, in records per second; the Portfolio diary, iCalendar and vCard both
// ways; and the complete export of that database.  Goal: 10,000 records in under a second each way.
//
// Also: a vCard import of 3,000 cards of one surname (goal: under 2 s), whose IDs are the surname
// numbered on.
//
// Exports run on the filled database (median of three runs); every import runs into a fresh,
// empty database of its own (median of three), as a user fills a new one.
#include "address/person.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "exchange/exchange.h"
#include "exchange/ical.h"
#include "exchange/person_exchange.h"
#include "exchange/termin_exchange.h"
#include "exchange/vcard.h"
#include "model/blob.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace velk;

namespace {

constexpr double kGoalMs = 1000;
constexpr int kRuns = 3;

std::string newDirectory(const char *name)
{
    std::string templ = std::string("/tmp/velk_bench_") + name + ".XXXXXX";
    if (!mkdtemp(templ.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return templ;
}

// Opens (creating) the database of dir; the previous one closes.
bool openIn(const std::string &dir)
{
    closeDatabase();
    return openDatabase((dir + "/datadict").c_str());
}

double since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char *what, long records, double ms, const tExchangeResult &r)
{
    double perSecond = ms > 0 ? records * 1000.0 / ms : 0;
    double per10k = records > 0 ? ms * 10000.0 / records : 0;
    std::printf("%-34s %8ld %10.1f ms %12.0f rec/s %9.1f ms/10k  %s%s\n", what, records, ms,
                perSecond, per10k, per10k <= kGoalMs ? "goal met" : "GOAL MISSED",
                r.ok() ? "" : ("  FAILED: " + r.message + " " + r.detail).c_str());
}

void fill(long n)
{
    static const char *names[] = {"M\xfcller", "Schmidt", "Schneider", "Fischer", "Weber",
                                  "Meyer",     "Wagner",  "Becker",    "Schulz",  "Hoffmann"};
    char text[48];
    for (long i = 0; i < n; i++) {
        tPerson p;
        std::snprintf(text, sizeof text, "P%07ld", i);
        p.setId(text);
        std::snprintf(text, sizeof text, "%s%ld", names[i % 10], (i * 7919) % 331);
        p.setName(text);
        p.setChrName(i % 2 ? "J\xfcrgen" : "Anna");
        p.setStreet("Hauptstra\xdf"
                    "e 1");
        p.setCity("K\xf6ln");
        p.BIRTH = tDate{int(i % 28) + 1, int(i % 12) + 1, 1950 + int(i % 50)};
        if (p.insert() != tStoreStatus::Stored) std::fprintf(stderr, "person %ld not stored\n", i);
    }
    setCurrentUser("root");
    tTerminStore &store = tTerminStore::instance();
    for (long i = 0; i < n; i++) {
        tTermin t;
        t.from.set(2026 + int(i / 3000), int(i / 250 % 12) + 1, int(i % 28) + 1);
        t.from.hour = 8 + int(i % 10);
        t.till = t.from;
        t.till.hour = t.from.hour + 1;
        std::snprintf(text, sizeof text, "Besprechung %ld \xfc", i);
        t.setTitle(text);
        if (i % 5 == 0) t.setResource("R1");
        if (store.insert(t).status != tStoreStatus::Stored)
            std::fprintf(stderr, "appointment %ld not stored\n", i);
    }
}

using tRun = std::function<tExchangeResult()>;

// The export on the filled database, three times.
void timeExport(const char *what, const std::string &dir, const tRun &run)
{
    std::vector<double> times;
    tExchangeResult r;
    for (int i = 0; i < kRuns; i++) {
        auto start = std::chrono::steady_clock::now();
        r = run();
        times.push_back(since(start));
    }
    openIn(dir); // as it was
    report(what, r.done, median(times), r);
}

// The import into a new database each time.
void timeImport(const char *what, const std::string &filledDir, const tRun &run)
{
    std::vector<double> times;
    tExchangeResult r;
    for (int i = 0; i < kRuns; i++) {
        std::string target = newDirectory("import");
        openIn(target);
        setCurrentUser("root");
        auto start = std::chrono::steady_clock::now();
        r = run();
        times.push_back(since(start));
        closeDatabase();
        std::filesystem::remove_all(target);
    }
    openIn(filledDir);
    report(what, r.done, median(times), r);
}

} // namespace

int main(int argc, char **argv)
{
    long n = argc > 1 ? std::atol(argv[1]) : 10000;
    std::string dir = newDirectory("exchange");
    std::string files = newDirectory("files");
    if (!openIn(dir)) {
        std::fprintf(stderr, "no database in %s\n", dir.c_str());
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    fill(n);
    std::printf("bench_exchange: %ld persons and %ld appointments stored in %.0f ms\n", n, n,
                since(start));
    setCurrentUser("root");
    std::string persons = files + "/personen.dbf", termine = files + "/termine.dbf";
    std::string diary = files + "/termine.dry";

    timeExport("persons -> dBASE", dir, [&] { return exportPersonsDbf(persons); });
    timeImport("dBASE -> persons (new database)", dir, [&] { return importPersonsDbf(persons); });
    timeExport("appointments -> dBASE", dir, [&] { return exportTermineDbf(termine); });
    timeImport("dBASE -> appointments (new db)", dir, [&] { return importTermineDbf(termine); });
    timeExport("appointments -> Portfolio", dir, [&] { return exportPortfolio(diary); });
    timeImport("Portfolio -> appointments (new db)", dir, [&] { return importPortfolio(diary); });
    std::string ics = files + "/termine.ics", vcf = files + "/personen.vcf";
    timeExport("appointments -> iCalendar", dir, [&] { return exportICalendar(ics); });
    timeImport("iCalendar -> appointments (new db)", dir, [&] { return importICalendar(ics); });
    timeExport("persons -> vCard", dir, [&] { return exportVCard(vcf); });
    timeImport("vCard -> persons (new database)", dir, [&] { return importVCard(vcf); });
    {
        // 3,000 cards of one surname and no ID: every card gets the next free number.
        constexpr long kSame = 3000;
        std::string same = files + "/same.vcf", text;
        for (long i = 0; i < kSame; i++)
            text += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:M\xC3\xBCller;Anna;;;\r\nFN:Anna "
                    "M\xC3\xBCller\r\nEND:VCARD\r\n";
        if (FILE *f = std::fopen(same.c_str(), "wb")) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
        std::vector<double> times;
        tExchangeResult r;
        for (int i = 0; i < kRuns; i++) {
            std::string target = newDirectory("same");
            openIn(target);
            auto t0 = std::chrono::steady_clock::now();
            r = importVCard(same);
            times.push_back(since(t0));
            closeDatabase();
            std::filesystem::remove_all(target);
        }
        openIn(dir);
        double ms = median(times);
        std::printf("%-34s %8ld %10.1f ms %12.0f rec/s  %s%s\n", "vCard, 3000 of one surname",
                    r.done, ms, ms > 0 ? r.done * 1000.0 / ms : 0,
                    ms < 2000 ? "goal met (< 2 s)" : "GOAL MISSED (< 2 s)",
                    r.ok() ? "" : ("  FAILED: " + r.message + " " + r.detail).c_str());
    }
    timeExport("persons -> text", dir, [&] { return exportPersonsText(files + "/p.txt"); });
    // The complete export: every row of the eight tables (its count is the tables').
    std::vector<double> times;
    tExchangeResult r;
    for (int i = 0; i < kRuns; i++) {
        auto t0 = std::chrono::steady_clock::now();
        r = runExport(tExchangeKind::Komplett, files + "/x.dbf");
        times.push_back(since(t0));
    }
    report("complete export (rows of 8 tables)", 2 * n + 1, median(times), r);

    closeDatabase();
    std::filesystem::remove_all(dir);
    std::filesystem::remove_all(files);
    return 0;
}

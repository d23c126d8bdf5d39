// The sync of a vdir with the database: what it decides for each item, its state file, and runs
// both ways on a database in a temporary directory (items of other programs, series, conflicts,
// deletions, a lost state, the team's collection written only, persons).
#include "address/person.h"
#include "calendar/alarm.h"
#include "exchange/ical.h"
#include "exchange/sync.h"
#include "exchange/sync_state.h"
#include "exchange/vdir.h"
#include "tests/calendar/calendar_support.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace velk;
using namespace velk::caltest;
namespace fs = std::filesystem;

namespace {

TEST(SyncDecide, EachCombinationOfStateAndSides)
{
    using A = tSyncAction;
    struct Case {
        bool known, ours, oursChanged, file, fileChanged;
        A both, writtenOnly;
    } cases[] = {
        {false, false, false, false, false, A::Nothing, A::Nothing},
        {false, true, true, false, false, A::WriteFile, A::WriteFile},
        {false, false, false, true, true, A::StoreFile, A::DeleteFile},
        {false, true, true, true, true, A::Compare, A::WriteFile},
        {true, true, false, true, false, A::Nothing, A::Nothing},
        {true, true, true, true, false, A::WriteFile, A::WriteFile},
        {true, true, false, true, true, A::StoreFile, A::RestoreFile},
        {true, true, true, true, true, A::Compare, A::RestoreFile},
        {true, false, true, true, false, A::DeleteFile, A::DeleteFile},
        {true, false, true, true, true, A::RestoreRecords, A::DeleteFile},
        {true, true, false, false, true, A::DeleteRecords, A::RestoreFile},
        {true, true, true, false, true, A::RestoreFile, A::RestoreFile},
        {true, false, true, false, true, A::Forget, A::Forget},
    };
    for (const Case &c : cases) {
        tSyncSides s{c.known, c.ours, c.oursChanged, c.file, c.fileChanged};
        SCOPED_TRACE(testing::Message()
                     << c.known << c.ours << c.oursChanged << c.file << c.fileChanged);
        EXPECT_EQ(decideSync(s), c.both);
        EXPECT_EQ(decideWrittenOnly(s), c.writtenOnly);
    }
}

TEST(SyncState, KeepsEveryUidAndDropsLinesCutShort)
{
    std::string dir = testing::TempDir() + "/sync-state";
    fs::create_directories(dir);
    tSyncState s;
    s.items["plain@x"] = {"plain@x.ics",
                          0xfedcba9876543210ULL,
                          120,
                          1700000000123456789LL,
                          {{"00000001", 0, 7}, {"0000,/2", 28000000, 0xffffffffffffffffULL}}};
    s.items["odd\tuid,with/%signs"] = {"velk-1.ics", 1, 2, 3, {}};
    ASSERT_TRUE(s.save(dir + "/a.state"));
    {
        std::ofstream(dir + "/a.state", std::ios::app) << "cut\tshort\n";
    }
    tSyncState back;
    ASSERT_TRUE(back.load(dir + "/a.state"));
    ASSERT_EQ(back.items.size(), 2u);
    const tSyncItem &p = back.items["plain@x"];
    EXPECT_EQ(p.fileHash, 0xfedcba9876543210ULL);
    EXPECT_EQ(p.mtime, 1700000000123456789LL);
    ASSERT_EQ(p.records.size(), 2u);
    EXPECT_EQ(p.records[1].id, "0000,/2");
    EXPECT_EQ(p.records[1].occurrence, 28000000);
    EXPECT_EQ(p.records[1].hash, 0xffffffffffffffffULL);
    EXPECT_EQ(back.items["odd\tuid,with/%signs"].file, "velk-1.ics");
    tSyncState none;
    EXPECT_TRUE(none.load(dir + "/missing.state"));
    EXPECT_TRUE(none.items.empty());
}

std::string readAll(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

class SyncTest : public CalendarTest {
protected:
    void SetUp() override
    {
        CalendarTest::SetUp();
        vdir_ = file("vdir");
        fs::create_directories(vdir_);
        state_ = file("state");
    }

    tSyncReport sync(tSyncKind kind = tSyncKind::Termine)
    {
        tSyncReport r = runSync(kind, vdir_, state_);
        EXPECT_TRUE(r.ok()) << r.message << " " << r.detail;
        return r;
    }

    // "title d.m hh:mm" of the user's own appointments, sorted.
    std::vector<std::string> own()
    {
        std::vector<std::string> out;
        tTermin t;
        for (long p = tTerminStore::instance().first(0, t); p;
             p = tTerminStore::instance().next(0, p, t))
            if (!t.isCounter() && std::string(t.OWNER) == currentUser()) {
                char b[80];
                snprintf(b, sizeof b, "%s %d.%d %02d:%02d", t.TITLE, t.from.day, t.from.month,
                         t.from.hour, t.from.minute);
                out.push_back(b);
            }
        std::sort(out.begin(), out.end());
        return out;
    }

    std::vector<std::string> files()
    {
        std::vector<tVdirFile> list;
        listVdir(vdir_, ".ics", &list);
        std::vector<std::string> out;
        for (const tVdirFile &f : list) out.push_back(f.name);
        return out;
    }

    void put(const std::string &name, const std::string &events)
    {
        std::ofstream(vdir_ + "/" + name, std::ios::binary)
            << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
            << events << "END:VCALENDAR\r\n";
    }

    std::string vdir_, state_;
};

const char *kSeries = "BEGIN:VEVENT\r\nUID:kurs@khal\r\n"
                      "DTSTART;TZID=Europe/Berlin:20270201T140000\r\n"
                      "DTEND;TZID=Europe/Berlin:20270201T150000\r\n"
                      "RRULE:FREQ=DAILY;COUNT=3\r\nSUMMARY:Kurs\r\nDESCRIPTION:Raum 3\r\n"
                      "END:VEVENT\r\n";

TEST_F(SyncTest, OwnAppointmentsGoOutOnceAndComeBackChanged)
{
    tTermin t = termin("Zahnarzt", at(5, 1, 2027, 10), at(5, 1, 2027, 11));
    ASSERT_EQ(tTerminStore::instance().insert(t).status, tStoreStatus::Stored);
    tTermin theirs = termin("Bert privat", at(6, 1, 2027, 10), at(6, 1, 2027, 11), "Pbert");
    setCurrentUser("bert");
    ASSERT_EQ(tTerminStore::instance().insert(theirs).status, tStoreStatus::Stored);
    setCurrentUser("carl");
    tSyncReport r = sync();
    EXPECT_EQ(r.out.added, 1);
    ASSERT_EQ(files().size(), 1u);
    std::string path = vdir_ + "/" + files()[0];
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    r = sync();
    EXPECT_EQ(r.out.added + r.out.changed + r.in.added + r.in.changed, 0);
    struct stat after;
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);

    std::string text = readAll(path);
    size_t at = text.find("SUMMARY:Zahnarzt");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 16, "SUMMARY:Zahnarzt sp\xC3\xA4ter");
    std::ofstream(path, std::ios::binary) << text;
    r = sync();
    EXPECT_EQ(r.in.changed, 1);
    EXPECT_EQ(own(), std::vector<std::string>{"Zahnarzt sp\xE4ter 5.1 10:00"});

    ASSERT_TRUE(fs::remove(path));
    r = sync();
    EXPECT_EQ(r.in.deleted, 1);
    EXPECT_TRUE(own().empty());
}

TEST_F(SyncTest, SeriesOfOtherProgramsArriveAsRepetitionsAndChangeTogether)
{
    put("kurs@khal.ics", kSeries);
    EXPECT_EQ(sync().in.added, 1);
    EXPECT_EQ(own(),
              (std::vector<std::string>{"Kurs 1.2 14:00", "Kurs 2.2 14:00", "Kurs 3.2 14:00"}));
    std::string text = readAll(vdir_ + "/kurs@khal.ics");
    text.replace(text.find("COUNT=3"), 7, "COUNT=2");
    text.replace(text.find("SUMMARY:Kurs"), 12, "SUMMARY:Kurs B");
    std::ofstream(vdir_ + "/kurs@khal.ics", std::ios::binary) << text;
    EXPECT_EQ(sync().in.changed, 1);
    EXPECT_EQ(own(), (std::vector<std::string>{"Kurs B 1.2 14:00", "Kurs B 2.2 14:00"}));

    // A repetition deleted here: an EXDATE there, the rest of the file kept.
    tTermin second;
    for (const tTermin &t : tTerminStore::instance().ofDay(at(2, 2, 2027))) second = t;
    ASSERT_EQ(tTerminStore::instance().remove(second), 0);
    EXPECT_EQ(sync().out.changed, 1);
    std::string written = readAll(vdir_ + "/kurs@khal.ics");
    EXPECT_NE(written.find("EXDATE"), std::string::npos) << written;
    EXPECT_NE(written.find("DESCRIPTION:Raum 3"), std::string::npos);
    tIcsReadout back = readICalendarText(written, tDate::today());
    ASSERT_EQ(back.events.size(), 1u);
    EXPECT_EQ(back.events[0].rows.size(), 1u);
    EXPECT_EQ(sync().out.changed + sync().in.changed, 0);

    // The one left changed here: an event replacing that occurrence there, read back as it is.
    tTermin first;
    for (const tTermin &t : tTerminStore::instance().ofDay(at(1, 2, 2027))) first = t;
    first.setTitle("Kurs verlegt");
    first.from.hour = first.till.hour = 16;
    first.till.hour = 17;
    ASSERT_EQ(tTerminStore::instance().update(first.ID, first), tStoreStatus::Stored);
    EXPECT_EQ(sync().out.changed, 1);
    written = readAll(vdir_ + "/kurs@khal.ics");
    EXPECT_NE(written.find("RECURRENCE-ID"), std::string::npos) << written;
    EXPECT_EQ(sync().out.changed + sync().in.changed, 0);
    EXPECT_EQ(own(), std::vector<std::string>{"Kurs verlegt 1.2 16:00"});
    back = readICalendarText(written, tDate::today());
    std::vector<std::string> rows;
    for (const tIcsEvent &e : back.events)
        for (const tTermin &t : e.rows)
            rows.push_back(std::string(t.TITLE) + " " + std::to_string(t.from.hour));
    EXPECT_EQ(rows, std::vector<std::string>{"Kurs verlegt 16"});
}

TEST_F(SyncTest, ConflictKeepsBothVersionsAndOursWins)
{
    tTermin t = termin("Treffen", at(5, 3, 2027, 9), at(5, 3, 2027, 10));
    ASSERT_EQ(tTerminStore::instance().insert(t).status, tStoreStatus::Stored);
    sync();
    std::string path = vdir_ + "/" + files()[0];
    std::string text = readAll(path);
    text.replace(text.find("SUMMARY:Treffen"), 15, "SUMMARY:Treffen dort");
    std::ofstream(path, std::ios::binary) << text;
    t.setTitle("Treffen hier");
    ASSERT_EQ(tTerminStore::instance().update(t.ID, t), tStoreStatus::Stored);
    tSyncReport r = sync();
    EXPECT_EQ(r.out.conflicts, 1);
    EXPECT_EQ(own(),
              (std::vector<std::string>{"Treffen dort 5.3 09:00", "Treffen hier 5.3 09:00"}));
    EXPECT_NE(readAll(path).find("SUMMARY:Treffen hier"), std::string::npos);
    ASSERT_EQ(files().size(), 2u);
    EXPECT_NE(files()[0].find(".konflikt.ics") + files()[1].find(".konflikt.ics"),
              2 * std::string::npos);
    r = sync();
    EXPECT_EQ(r.out.conflicts + r.in.added + r.out.added, 0);
}

TEST_F(SyncTest, ALostStateFindsBothSidesInStepAndStoresNothingTwice)
{
    tTermin t = termin("Eins", at(5, 4, 2027, 9), at(5, 4, 2027, 10));
    ASSERT_EQ(tTerminStore::instance().insert(t).status, tStoreStatus::Stored);
    put("kurs@khal.ics", kSeries);
    sync();
    ASSERT_TRUE(fs::remove(state_));
    tSyncReport r = sync();
    EXPECT_EQ(r.in.added + r.out.added + r.out.conflicts, 0);
    EXPECT_EQ(own().size(), 4u);
    EXPECT_EQ(files().size(), 2u);
}

TEST_F(SyncTest, TeamCollectionIsWrittenOnlyAndRestoredWhenChangedThere)
{
    setCurrentUser("bert");
    tTermin open = termin("Teamrunde", at(7, 1, 2027, 9), at(7, 1, 2027, 10));
    tTermin hidden = termin("Arzt", at(8, 1, 2027, 9), at(8, 1, 2027, 10), "Pbert");
    ASSERT_EQ(tTerminStore::instance().insert(open).status, tStoreStatus::Stored);
    ASSERT_EQ(tTerminStore::instance().insert(hidden).status, tStoreStatus::Stored);
    setCurrentUser("carl");
    EXPECT_EQ(sync(tSyncKind::TermineTeam).out.added, 1);
    ASSERT_EQ(files().size(), 1u);
    std::string path = vdir_ + "/" + files()[0];
    std::string text = readAll(path);
    text.replace(text.find("SUMMARY:Teamrunde"), 17, "SUMMARY:Teamrunde weg");
    std::ofstream(path, std::ios::binary) << text;
    tSyncReport r = sync(tSyncKind::TermineTeam);
    EXPECT_EQ(r.in.changed, 0);
    EXPECT_EQ(r.remarks.size(), 1u);
    EXPECT_NE(readAll(path).find("SUMMARY:Teamrunde\r\n"), std::string::npos);
    setCurrentUser("bert");
    tTermin stored;
    ASSERT_TRUE(tTerminStore::instance().find(open.ID, stored));
    EXPECT_STREQ(stored.TITLE, "Teamrunde");
}

TEST_F(SyncTest, PersonsKeepWhatTheyHaveNoFieldFor)
{
    std::ofstream(vdir_ + "/p1@khard.vcf", std::ios::binary)
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:p1@khard\r\nN:Meier;Eva;;;\r\nFN:Eva Meier\r\n"
           "TEL:0301234\r\nTEL;TYPE=CELL:0170999\r\nEMAIL:eva@example.org\r\nEND:VCARD\r\n";
    tSyncReport r = sync(tSyncKind::Personen);
    EXPECT_EQ(r.in.added, 1);
    EXPECT_EQ(r.out.added, 4); // anna, bert, carl, dora
    tPerson eva;
    ASSERT_TRUE(eva.find("MEIER"));
    EXPECT_STREQ(eva.TEL, "0301234");
    eva.setCity("Berlin");
    ASSERT_EQ(eva.update("MEIER"), tStoreStatus::Stored);
    EXPECT_EQ(sync(tSyncKind::Personen).out.changed, 1);
    std::string card = readAll(vdir_ + "/p1@khard.vcf");
    for (const char *kept :
         {"UID:p1@khard", "EMAIL:eva@example.org", "TEL;TYPE=CELL:0170999", "Berlin"})
        EXPECT_NE(card.find(kept), std::string::npos) << kept << "\n" << card;
    ASSERT_TRUE(fs::remove(vdir_ + "/p1@khard.vcf"));
    EXPECT_EQ(sync(tSyncKind::Personen).in.deleted, 1);
    EXPECT_FALSE(tPerson().find("MEIER"));
}

} // namespace

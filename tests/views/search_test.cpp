// Finding records by a word on the calendar's test database: the folding, each kind by each of
// its fields, what each user may see, the order and the filters, and when the index reads again.
#include "address/resource.h"
#include "model/tables.h"
#include "projects/project.h"
#include "tests/views/views_support.h"
#include "views/search.h"

#include <cstring>

using namespace velk;
using namespace velk::caltest;

namespace {

struct tFoldCase {
    const char *text; // Windows-1252
    const char *folded;
};

TEST(SearchFold, UmlautsAccentsAndCase)
{
    const tFoldCase cases[] = {
        {"M\xFCller", "mueller"},
        {"M\xDCLLER", "mueller"},
        {"MUELLER", "mueller"},
        {"\xC4rger \xE4rger", "aerger aerger"},
        {"\xD6l \xF6l", "oel oel"},
        {"Stra\xDF"
         "e",
         "strasse"},
        {"Jos\xE9 Fran\xE7ois", "jose francois"},
        {"Ni\xF1o \xC5se \xD8re", "nino ase ore"},
        {"\x8A\x9A \x8C\x9C \x8E\x9E \x9F\xFF", "ss oeoe zz yy"},
        {"\xC6sop \xFEorn", "aesop thorn"},
        {"12:30 - B\xFCro #4", "12:30 - buero #4"},
        {"\xD7\xF7\x80", "\xD7\xF7\x80"}, // signs stay as they are
        {"", ""},
    };
    for (const tFoldCase &c : cases) EXPECT_EQ(searchFold(c.text), c.folded) << c.text;
}

TEST(SearchHitText, NamesTheFieldOnlyWhenTheTitleDoesNotShowIt)
{
    tSearchHit title{tSearchKind::Termin, "7", {}, "10:00 Besprechung", "Titel", "Besprechung"};
    tSearchHit with{tSearchKind::Termin, "7", {}, "10:00 Besprechung", "Teilnehmer", "Hans"};
    tSearchHit person{tSearchKind::Person, "hm", {}, "Hans M\xFCller", "Ort", "K\xF6ln"};
    EXPECT_EQ(searchHitText(title), "10:00 Besprechung");
    EXPECT_EQ(searchHitText(with), "10:00 Besprechung (Teilnehmer: Hans)");
    EXPECT_EQ(searchHitText(person), "Hans M\xFCller (Ort: K\xF6ln)");
    tSearchHit dated = with;
    dated.date = at(5, 3, 2026);
    EXPECT_EQ(searchHitLine(dated), "termin\t7\t05.03.2026\t10:00 Besprechung (Teilnehmer: Hans)");
    person.date = at(9, 11, 0);
    EXPECT_EQ(searchHitLine(person), "person\thm\t09.11.\tHans M\xFCller (Ort: K\xF6ln)");
}

class SearchTest : public ViewsTest {
protected:
    // One record of each kind whose every field holds a word of its own.
    void SetUp() override
    {
        ViewsTest::SetUp();
        tPerson p;
        p.setId("hmue");
        p.setName("M\xFCller");
        p.setChrName("Hannelore");
        p.setCity("K\xF6ln");
        p.setStreet("Gartenstra\xDF"
                    "e 4");
        p.setTel("0221 99887");
        p.BIRTH = at(2, 5, 1960);
        ASSERT_EQ(p.insert(), tStoreStatus::Stored);
        tGroup g;
        g.setId("G-77");
        g.setTitle("Acme Werkzeugbau");
        g.setCity("Ulm");
        g.setStreet("Hafenweg 1");
        g.setTel("0731 5555");
        g.setComment("Lieferant f\xFCr Schrauben");
        ASSERT_EQ(g.insert(), tStoreStatus::Stored);
        ASSERT_TRUE(addMember("G-77", "hmue"));
        tResource r;
        r.setId("R-BEAM");
        r.setTitle("Beamer Epson");
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
        tProject prj;
        prj.setId("PRJ-NEU");
        prj.setTitle("Neubau Halle");
        prj.ENDDATE = at(30, 6, 2027);
        ASSERT_EQ(prj.insert(), tStoreStatus::Stored);
        tTask k;
        k.setId("T-DACH");
        k.setTitle("Dachdecker bestellen");
        k.setProject("PRJ-NEU");
        k.setComment("Angebot von Zimmerei\r\nWeber einholen");
        k.ENDDATE = at(15, 3, 2027);
        ASSERT_EQ(k.insert(), tStoreStatus::Stored);
        tTermin withPerson = termin("Planung", at(3, 2, 2026, 9, 30), at(3, 2, 2026, 11, 0));
        withPerson.setWith("Phmue");
        withPerson.setResource("R-BEAM");
        planung = add("carl", withPerson);
        tTermin withGroup = termin("Werksbesuch", at(10, 3, 2026, 14, 0), at(10, 3, 2026, 16, 0));
        withGroup.setWith("GG-77");
        besuch = add("carl", withGroup);
        setCurrentUser("carl");
    }

    // The hits of `word` as "kind id field" texts.
    std::vector<std::string> found(std::string_view word, const tSearchFilter &filter = {})
    {
        std::vector<std::string> out;
        for (const tSearchHit &h : index.find(word, filter))
            out.push_back(std::string(searchKindName(h.kind)) + " " + h.id + " " + h.field);
        return out;
    }

    tSearchIndex index;
    tTermin planung, besuch;
};

struct tFieldCase {
    const char *word;
    std::vector<std::string> hits;
};

// Each kind by each of its fields, umlauts typed either way.
TEST_F(SearchTest, EachKindByEachField)
{
    using V = std::vector<std::string>;
    const std::string plan = "termin " + std::string(planung.ID);
    const std::string visit = "termin " + std::string(besuch.ID);
    const tFieldCase cases[] = {
        {"planung", V{plan + " Titel"}},
        {"epson", V{plan + " Ressource", "ressource R-BEAM Titel"}},
        {"r-beam", V{plan + " Ressource", "ressource R-BEAM ID"}},
        {"mueller", V{visit + " Teilnehmer", plan + " Teilnehmer", "person hmue Name"}},
        {"werkzeugbau", V{visit + " Teilnehmer", "person hmue Firma", "gruppe G-77 Titel"}},
        {"HANNELORE", V{visit + " Teilnehmer", plan + " Teilnehmer", "person hmue Vorname"}},
        {"hmue", V{"person hmue ID"}},
        {"koeln", V{"person hmue Ort"}},
        {"gartenstrasse", V{"person hmue Stra\xDF"
                            "e"}},
        {"99887", V{"person hmue Telefon"}},
        {"g-77", V{"gruppe G-77 ID"}},
        {"ulm", V{"gruppe G-77 Ort"}},
        {"hafenweg", V{"gruppe G-77 Stra\xDF"
                       "e"}},
        {"0731", V{"gruppe G-77 Telefon"}},
        {"schrauben", V{"gruppe G-77 Anmerkung"}},
        {"neubau", V{"projekt PRJ-NEU Titel"}},
        {"prj-neu", V{"projekt PRJ-NEU ID"}},
        {"dachdecker", V{"aufgabe T-DACH Titel"}},
        {"t-dach", V{"aufgabe T-DACH ID"}},
        {"zimmerei weber", V{"aufgabe T-DACH Anmerkung"}},
        {"  ", V{}},
        {"nirgends", V{}},
    };
    for (const tFieldCase &c : cases) EXPECT_EQ(found(c.word), c.hits) << c.word;
}

// A comment stored in a person's record by another program is found, though nothing here shows
// or writes it.
TEST_F(SearchTest, PersonCommentStoredByAnotherProgram)
{
    tPersTable *table = tPersTable::instance();
    ASSERT_NE(table, nullptr);
    table->rec.clear();
    table->rec.setField("ID", "fremd");
    table->rec.setField("NAME", "Fremd");
    table->rec.setField("COMMENT", "kennt den Bauleiter");
    ASSERT_TRUE(table->rec.insert());
    EXPECT_EQ(found("bauleiter"), std::vector<std::string>{"person fremd Anmerkung"});
}

// Every word must occur, each in any field; the first word's field is named.
TEST_F(SearchTest, SeveralWordsMustAllOccur)
{
    EXPECT_EQ(found("koeln hannelore"), std::vector<std::string>{"person hmue Ort"});
    EXPECT_TRUE(found("koeln ulm").empty());
}

// Another user's private appointment is never found, nor counted; a group's appointment only by
// its members; the owner finds their own.
TEST_F(SearchTest, OnlyWhatTheUserMaySee)
{
    add("bert", termin("Geheimtreff Planung", at(4, 2, 2026, 8), at(4, 2, 2026, 9), "Pbert"));
    add("bert", termin("Teamsitzung Planung", at(5, 2, 2026, 8), at(5, 2, 2026, 9), "Gteam"));
    struct tUserCase {
        const char *user;
        std::vector<std::string> titles;
    };
    const tUserCase cases[] = {
        {"carl", {"09:30 Planung"}},
        {"anna", {"08:00 Teamsitzung Planung", "09:30 Planung"}},
        {"bert", {"08:00 Teamsitzung Planung", "08:00 Geheimtreff Planung", "09:30 Planung"}},
    };
    for (const tUserCase &c : cases) {
        setCurrentUser(c.user);
        std::vector<std::string> titles;
        for (const tSearchHit &h : index.find("planung")) titles.push_back(h.title);
        EXPECT_EQ(titles, c.titles) << c.user;
        EXPECT_EQ(searchStores("geheimtreff").size(), std::strcmp(c.user, "bert") == 0 ? 1u : 0u)
            << c.user;
    }
}

// Sections in kind order, appointments newest first; the kind filter and the date range.
TEST_F(SearchTest, OrderAndFilters)
{
    add("carl", termin("Planung Q2", at(1, 4, 2026, 10), at(1, 4, 2026, 11)));
    add("carl", termin("Planung alt", at(1, 4, 2025, 10), at(1, 4, 2025, 11)));
    tSearchFilter all;
    std::vector<tSearchHit> hits = index.find("an", all);
    ASSERT_FALSE(hits.empty());
    for (size_t i = 1; i < hits.size(); i++)
        EXPECT_LE(int(hits[i - 1].kind), int(hits[i].kind)) << i;
    std::vector<std::string> titles;
    for (const tSearchHit &h : index.find("planung")) titles.push_back(h.title);
    EXPECT_EQ(titles,
              (std::vector<std::string>{"10:00 Planung Q2", "09:30 Planung", "10:00 Planung alt"}));

    tSearchFilter persons;
    persons.kinds = searchKindBit(tSearchKind::Person);
    EXPECT_EQ(found("mueller", persons), std::vector<std::string>{"person hmue Name"});

    // A range keeps the appointments touching it and the tasks due in it; persons stay.
    tSearchFilter march;
    march.from = at(1, 3, 2026);
    march.till = at(31, 3, 2026);
    EXPECT_EQ(found("mueller", march),
              (std::vector<std::string>{"termin " + std::string(besuch.ID) + " Teilnehmer",
                                        "person hmue Name"}));
    march.from = at(1, 3, 2027);
    march.till = at(31, 3, 2027);
    EXPECT_EQ(found("dachdecker", march), std::vector<std::string>{"aufgabe T-DACH Titel"});
    EXPECT_TRUE(found("neubau", march).empty()); // due in June
}

// Searching again reads nothing again; a change reads again only the kinds it touches, and a
// new user reads everything.
TEST_F(SearchTest, ReadsAgainOnlyWhatChanged)
{
    auto reads = [&] {
        std::vector<int> out;
        for (int k = 0; k < kSearchKinds; k++) out.push_back(index.reads(tSearchKind(k)));
        return out;
    };
    using V = std::vector<int>;
    ASSERT_EQ(found("mueller").size(), 3u);
    EXPECT_EQ(reads(), (V{1, 1, 1, 1, 1, 1}));
    found("koeln");
    found("planung");
    EXPECT_EQ(reads(), (V{1, 1, 1, 1, 1, 1}));

    tTask k;
    ASSERT_TRUE(k.find("T-DACH"));
    k.setTitle("Dachrinne pruefen");
    ASSERT_EQ(k.update(), tStoreStatus::Stored);
    EXPECT_EQ(found("dachrinne"), std::vector<std::string>{"aufgabe T-DACH Titel"});
    EXPECT_EQ(reads(), (V{1, 1, 1, 1, 1, 2}));

    // A person's new name reaches the appointments they take part in.
    tPerson p;
    ASSERT_TRUE(p.find("hmue"));
    p.setName("Schulze");
    ASSERT_EQ(p.update("hmue"), tStoreStatus::Stored);
    EXPECT_EQ(found("schulze").size(), 3u);
    EXPECT_TRUE(found("mueller").empty());
    EXPECT_EQ(reads(), (V{2, 2, 1, 1, 1, 2}));

    index.forget(NoticeProjects);
    found("x");
    EXPECT_EQ(reads(), (V{2, 2, 1, 1, 2, 3}));

    setCurrentUser("bert");
    found("x");
    EXPECT_EQ(reads(), (V{3, 3, 2, 2, 3, 4}));

    // A kind filtered out is not read.
    tSearchFilter tasks;
    tasks.kinds = searchKindBit(tSearchKind::Task);
    ASSERT_TRUE(k.find("T-DACH"));
    k.setTitle("Dach fertig");
    ASSERT_EQ(k.update(), tStoreStatus::Stored);
    resource("R-NEU");
    found("x", tasks);
    EXPECT_EQ(reads(), (V{3, 3, 2, 2, 3, 5}));
}

} // namespace

#include "exchange/person_exchange.h"

#include "exchange/batch_hold.h"
#include "exchange/fullexport.h"
#include "exchange/text_out.h"
#include "model/tables.h"

namespace velk {

namespace {

constexpr const char *kPersons = "Personen";

tExchangeResult cancelled(const char *unit, long done)
{
    tExchangeResult r;
    r.outcome = tExchangeResult::Cancelled;
    r.unit = unit;
    r.done = done;
    return r;
}

} // namespace

std::string dbfErrorText(int code)
{
    switch (code) {
    case kDbfNoHeader:
        return "die Datei ist zu kurz f\xFCr eine dBASE-Datei";
    case kDbfNoMemory:
        return "zu wenig Speicher";
    case kDbfCannotOpen:
        return "die Datei kann nicht ge\xF6"
               "ffnet werden";
    case kDbfBadHeader:
        return "keine dBASE-Datei, oder ihr Kopf passt nicht zur Dateigr\xF6\xDF"
               "e";
    case kDbfReadFailed:
        return "ein Datensatz kann nicht gelesen werden";
    case kDbfWriteFailed:
        return "die Datei kann nicht geschrieben werden";
    case kDbfNotRegular:
        return "keine gew\xF6hnliche Datei";
    default:
        return "dBASE-Fehler " + std::to_string(code);
    }
}

// ---- tPersonDBF ----

tCreateDBF tPersonDBF::layout()
{
    tCreateDBF l;
    l.addField("ID", 'C', 8);
    l.addField("CHRNAME", 'C', 25);
    l.addField("NAME", 'C', 25);
    l.addField("TEL", 'C', 30);
    l.addField("BIRTHDAY", 'N', 2);
    l.addField("BIRTHMONTH", 'N', 2);
    l.addField("BIRTHYEAR", 'N', 4);
    l.addField("STREET", 'C', 80);
    l.addField("CITY", 'C', 40);
    l.addField("ZIP", 'C', 30);
    l.addField("COUNTRY", 'C', 40);
    return l;
}

std::vector<tFeld *> tPersonDBF::handles()
{
    return {&ID,        &CHRNAME, &NAME, &TEL, &BIRTHDAY, &BIRTHMONTH,
            &BIRTHYEAR, &STREET,  &CITY, &ZIP, &COUNTRY};
}

void tPersonDBF::put(const tPerson &p)
{
    ID.set(p.ID);
    CHRNAME.set(p.CHRNAME);
    NAME.set(p.NAME);
    TEL.set(p.TEL);
    BIRTHDAY.set(p.BIRTH.day);
    BIRTHMONTH.set(p.BIRTH.month);
    BIRTHYEAR.set(p.BIRTH.year);
    STREET.set(p.STREET);
    CITY.set(p.CITY);
    ZIP.set(p.ZIP);
    COUNTRY.set(p.COUNTRY);
}

tPerson tPersonDBF::get()
{
    tPerson p;
    p.setId(ID.get());
    p.setChrName(CHRNAME.get());
    p.setName(NAME.get());
    p.setTel(TEL.get());
    p.BIRTH.day = (int)BIRTHDAY.get();
    p.BIRTH.month = (int)BIRTHMONTH.get();
    p.BIRTH.year = (int)BIRTHYEAR.get();
    // A birthday the person dialog would refuse, or one PERSON cannot hold, is left out.
    if (!birthdayAcceptable(p.BIRTH.day, p.BIRTH.month, p.BIRTH.year) || p.BIRTH.year < 0 ||
        p.BIRTH.year > 9999)
        p.BIRTH = tDate{};
    p.setStreet(STREET.get());
    p.setCity(CITY.get());
    p.setZip(ZIP.get());
    p.setCountry(COUNTRY.get());
    return p;
}

// ---- dBASE export and import ----

tExchangeResult exportPersonsDbf(const std::string &fileName, const tExchangeProgress &progress)
{
    std::vector<tPerson> persons = allPersons(PersonById);
    if (persons.empty()) return nothingToWrite(kPersons);
    tPersonDBF file;
    if (!file.createFile(fileName))
        return notStarted(kPersons, "Die Datei kann nicht angelegt werden",
                          dbfErrorText(file.lastError()));
    return writeEach(
        kPersons, (long)persons.size(), progress,
        [&](long i) {
            if (!file.append()) return tWritten::Failed;
            file.put(persons[i]);
            return tWritten::Yes;
        },
        [&] { file.discard(); }, [&] { return file.close(); });
}

tExchangeResult importPersonsDbf(const std::string &fileName, const tExchangeProgress &progress)
{
    tPersonDBF file;
    if (!file.openFile(fileName))
        return notStarted(kPersons, "Fehler beim Lesen", dbfErrorText(file.lastError()));
    if (!file.hasId())
        return notStarted(kPersons, "Fehler beim Lesen", "keine Personendatei (ohne Feld ID)");
    tExchangeResult r;
    r.unit = kPersons;
    long total = file.recordCount();
    tBatchHold hold(tPersTable::instance(), progress);
    for (long n = 0; n < total; n++) {
        if (!hold.before(n, total)) {
            tExchangeResult c = cancelled(kPersons, r.done);
            c.skipped = r.skipped;
            return c;
        }
        if (!file.goTo(n)) {
            r.outcome = tExchangeResult::Failed;
            r.message = "Fehler beim Lesen";
            r.detail = dbfErrorText(file.lastError());
            return r;
        }
        if (file.isDeleted()) {
            r.skipped++;
            continue;
        }
        tPerson p = file.get();
        if (std::string_view(p.ID).find_first_not_of(' ') == std::string_view::npos) {
            r.skipped++; // no ID: no person can be stored or found by it
            continue;
        }
        if (p.insert() == tStoreStatus::Stored) {
            r.done++;
        } else if (tPerson stored; stored.find(p.ID)) {
            r.skipped++; // the ID is taken: the insert refuses a second person with it
        } else {
            r.outcome = tExchangeResult::Failed;
            r.message = "Fehler beim Speichern";
            r.detail = std::string("Person ") + p.ID;
            return r;
        }
    }
    hold.release();
    goOn(progress, total, total);
    return r;
}

// ---- the text file ----

tExchangeResult exportPersonsText(const std::string &fileName, const tExchangeProgress &progress)
{
    std::vector<tFieldDef> rows = fieldRows("PERSON");
    tPersTable *table = tPersTable::instance();
    if (!table || rows.empty())
        return notStarted(kPersons, "Die Personentabelle kann nicht gelesen werden");
    std::vector<std::string> lines;
    {
        tTableHold hold(table);
        if (!table->selectIndex(PersonById))
            return notStarted(kPersons, "Die Personentabelle kann nicht gelesen werden");
        tRecord &rec = table->rec;
        for (long prev = rec.first(); prev > 0;) {
            std::string line;
            for (const tFieldDef &row : rows) {
                std::string_view value;
                if (row.offset >= 0 && row.offset + row.length <= rec.size())
                    value = std::string_view(rec.data() + row.offset, row.length);
                while (!value.empty() && (value.back() == ' ' || value.back() == '\0'))
                    value.remove_suffix(1);
                line += '"';
                line += value;
                line += "\";";
            }
            lines.push_back(line + "\r\n");
            long cur = rec.next();
            if (cur == prev || cur <= 0) break;
            prev = cur;
        }
    }
    tTextOut out;
    if (!out.open(fileName)) return notStarted(kPersons, "Die Datei kann nicht angelegt werden");
    std::string header;
    for (const tFieldDef &row : rows) header += std::string(row.field) + ";";
    out.write(header + "\r\n");
    return writeEach(
        kPersons, (long)lines.size(), progress,
        [&](long i) { return out.write(lines[i]) ? tWritten::Yes : tWritten::Failed; },
        [&] { out.discard(); }, [&] { return out.commit(); });
}

} // namespace velk

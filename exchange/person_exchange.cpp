#include "exchange/person_exchange.h"

#include "exchange/dbf_exchange.h"
#include "exchange/fullexport.h"
#include "exchange/text_out.h"
#include "model/tables.h"

namespace velk {

namespace {

constexpr const char *kPersons = "Personen";

} // namespace

// ---- tPersonDBF ----

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
    return exportDbf<tPersonDBF>(fileName, kPersons, allPersons(PersonById), progress);
}

tExchangeResult importPersonsDbf(const std::string &fileName, const tExchangeProgress &progress)
{
    tPersonDBF file;
    if (std::optional<tExchangeResult> refused = refusedDbf(
            file, fileName, kPersons, [&] { return file.hasId(); },
            "keine Personendatei (ohne Feld ID)"))
        return *refused;
    return readEach(kPersons, tPersTable::instance(), file.recordCount(), progress,
                    [&](long n, tExchangeResult &r) {
                        if (std::optional<tRead> record = recordAt(file, n, r)) return *record;
                        tPerson p = file.get();
                        // No ID: no person can be stored or found by it.
                        if (std::string_view(p.ID).find_first_not_of(' ') == std::string_view::npos)
                            return tRead::Skipped;
                        if (p.insert() == tStoreStatus::Stored) return tRead::Stored;
                        // The ID is taken: the insert refuses a second person with it.
                        if (tPerson stored; stored.find(p.ID)) return tRead::Skipped;
                        r.message = "Fehler beim Speichern";
                        r.detail = std::string("Person ") + p.ID;
                        return tRead::Failed;
                    });
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
        tTableHold hold(table, tTableHold::Read);
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

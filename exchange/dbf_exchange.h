// dbf_exchange.h - what the dBASE exports and imports of persons and appointments share.
//
// An export writes every item as one record of a new file (nothing made when there is none); an
// import opens a file of its kind, skips the records marked deleted, as dBASE readers do, and
// gives each live record to the conversion of its kind.
#ifndef VELK_EXCHANGE_DBF_EXCHANGE_H
#define VELK_EXCHANGE_DBF_EXCHANGE_H

#include "exchange/dbf.h"
#include "exchange/exchange.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velk {

// The German words of a dBASE error code, for the detail of a message.
std::string dbfErrorText(int code);

// Every item in its order into a new file of File's layout (File::put).  With no item no file is
// made (done 0).
template <class File, class Item>
tExchangeResult exportDbf(const std::string &fileName, const char *unit,
                          const std::vector<Item> &items, const tExchangeProgress &progress)
{
    if (items.empty()) return nothingToWrite(unit);
    File file;
    if (!file.createFile(fileName))
        return notStarted(unit, "Die Datei kann nicht angelegt werden",
                          dbfErrorText(file.lastError()));
    return writeEach(
        unit, (long)items.size(), progress,
        [&](long i) {
            if (!file.append()) return tWritten::Failed;
            file.put(items[i]);
            return tWritten::Yes;
        },
        [&] { file.discard(); }, [&] { return file.close(); });
}

// Opens the file of an import.  When it cannot be opened, or `fits` (asked of the open file)
// finds it of another kind, the import does not start: "Fehler beim Lesen" with the dBASE error,
// or with `otherKind`.
std::optional<tExchangeResult> refusedDbf(tBoundDBF &file, const std::string &fileName,
                                          const char *unit, const std::function<bool()> &fits,
                                          const char *otherKind);

// Makes record n of an imported file current: Skipped when it is marked deleted, Failed ("Fehler
// beim Lesen" with the dBASE error, set on r) when it cannot be read, nothing when it is there to
// convert.
std::optional<tRead> recordAt(tDBF &file, long n, tExchangeResult &r);

} // namespace velk

#endif

#include "exchange/dbf_exchange.h"

namespace velk {

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

std::optional<tExchangeResult> refusedDbf(tBoundDBF &file, const std::string &fileName,
                                          const char *unit, const std::function<bool()> &fits,
                                          const char *otherKind)
{
    if (!file.openFile(fileName))
        return notStarted(unit, "Fehler beim Lesen", dbfErrorText(file.lastError()));
    if (!fits()) return notStarted(unit, "Fehler beim Lesen", otherKind);
    return std::nullopt;
}

std::optional<tRead> recordAt(tDBF &file, long n, tExchangeResult &r)
{
    if (!file.goTo(n)) {
        r.message = "Fehler beim Lesen";
        r.detail = dbfErrorText(file.lastError());
        return tRead::Failed;
    }
    if (file.isDeleted()) return tRead::Skipped;
    return std::nullopt;
}

} // namespace velk

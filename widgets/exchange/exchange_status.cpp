#include "widgets/exchange/exchange_status.h"

#include "exchange/ical_text.h"

namespace velk {

namespace {

// "1 Termin", "2 Termine" in UTF-8.
std::string countedText(long n, const char *unit) { return cp1252ToUtf8(counted(n, unit)); }

std::string lastComponent(const std::string &path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string importStatus(const tExchangeResult &r, const std::string &shown)
{
    const std::string stored = countedText(r.done, r.unit) + " aus " + shown + " gespeichert, " +
                               std::to_string(r.skipped) + " übersprungen";
    switch (r.outcome) {
    case tExchangeResult::Done:
        return stored;
    case tExchangeResult::Cancelled:
        return "Import abgebrochen: " + stored;
    case tExchangeResult::Failed:
        return "Import unvollständig: " + stored;
    case tExchangeResult::NotStarted:
        break;
    }
    return "Nichts aus " + shown + " gespeichert";
}

std::string exportStatus(const tExchangeResult &r, const std::string &shown)
{
    switch (r.outcome) {
    case tExchangeResult::Done:
        if (!r.fileWritten)
            return "Keine " + cp1252ToUtf8(r.unit) + " vorhanden, keine Datei angelegt";
        return countedText(r.done, r.unit) + " nach " + shown + " geschrieben";
    case tExchangeResult::Cancelled:
        return "Export abgebrochen, nichts nach " + shown + " geschrieben";
    case tExchangeResult::Failed:
    case tExchangeResult::NotStarted:
        break;
    }
    return "Nichts nach " + shown + " geschrieben";
}

} // namespace

std::string shownFileName(const std::string &path, tExchangeKind kind)
{
    if (kind != tExchangeKind::Komplett) return lastComponent(path);
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return lastComponent(path.substr(0, slash));
}

std::string exchangeStatus(const tExchangeResult &r, bool import, const std::string &shown)
{
    return import ? importStatus(r, shown) : exportStatus(r, shown);
}

} // namespace velk

// exchange_status.h - the line the main frame's status bar shows after "Öffnen..." or "Sichern
// als...": what was done, how many, and with which file.
//
//   "5000 Termine aus termine.dry gespeichert, 0 übersprungen"
//   "120 Termine nach termine.ics geschrieben"
#ifndef VELK_WIDGETS_EXCHANGE_EXCHANGE_STATUS_H
#define VELK_WIDGETS_EXCHANGE_EXCHANGE_STATUS_H

#include <string>

#include "exchange/exchange.h"

namespace velk {

// The name the line shows for the chosen file: its last component; for the complete export,
// which writes into the file's directory, that directory's.
std::string shownFileName(const std::string &path, tExchangeKind kind);

// The line, UTF-8, for an import (`import`) or an export that ended with `r`; `shown` is the
// file's name as shownFileName gives it (UTF-8).
std::string exchangeStatus(const tExchangeResult &r, bool import, const std::string &shown);

} // namespace velk

#endif

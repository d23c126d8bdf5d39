#include "model/share_locks.h"

#include "btree/btree.h"

namespace velk {

std::string unlockedShareText(const std::string &dir, const std::string &why)
{
    std::string reason = why == MU_LOCKPROBE_GRANTED
                             ? std::string("eine zweite, widersprechende Sperre wurde gewährt")
                             : why;
    return "Das Verzeichnis „" + dir + "“ sperrt keine Dateibereiche (" + reason +
           "). VELK kann dort nicht sicher mit mehreren Benutzern arbeiten. Bitte die Freigabe "
           "mit Sperren einbinden (NFSv4, oder NFSv3 mit lockd ohne „nolock“ und „local_lock“; "
           "SMB 3 ohne „nobrl“).";
}

std::string unlockedShareRefusal(const std::string &dir)
{
    std::string shown = dir;
    while (shown.size() > 1 && (shown.back() == '/' || shown.back() == '\\')) shown.pop_back();
    char why[64];
    if (muProbeLocks(shown.c_str(), why, int(sizeof why)) != 1) return std::string();
    return unlockedShareText(shown.empty() ? "." : shown, why);
}

} // namespace velk

// peer_clients.h - khal and khard as another user's programs, each with its own vdirsyncer.
//
// A tPeer lives in a temporary home of its own: HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and
// XDG_CACHE_HOME point into it, TZ is Europe/Berlin and the locale C.UTF-8, so that nothing of
// the machine's user leaks in.  Its vdirsyncer configuration has one pair, "peer", from its
// vdir root (one collection, the same name as on the server) to the server with the peer's
// login; a plain password in the file is good enough for a test.
//
//   khal  (0.10.5): $XDG_CONFIG_HOME/khal/config, one calendar "velk" at the vdir, type
//         calendar, ISO date formats, Europe/Berlin; its cache in $XDG_DATA_HOME/khal/.
//   khard (0.18):   $XDG_CONFIG_HOME/khard/khard.conf, one address book "velk" at the vdir,
//         vCard 3.0; "khard new" reads its YAML template from standard input.
#ifndef VELK_TESTS_SYNC_PEER_CLIENTS_H
#define VELK_TESTS_SYNC_PEER_CLIENTS_H

#include "radicale_fixture.h"

#include "exchange/child_process.h"

#include <string>
#include <vector>

namespace velk::synctest {

struct tPeerRun {
    tRunResult result;
    std::string output; // every line, each ending in '\n'
};

class tPeer {
public:
    enum tKind { Calendar, Contacts };
    tPeer(tKind kind, const std::string &serverUrl, const tDavUser &login,
          const std::string &collection);

    const std::string &vdir() const { return vdir_; } // with a trailing '/'
    const std::string &home() const { return home_.path(); }

    // vdirsyncer with the peer's configuration: discover (answering yes) and sync.
    tPeerRun discover() const;
    tPeerRun sync() const;

    // khal (Calendar peers): "khal list FROM TO", "khal new ARGS...".
    tPeerRun khalList(const std::string &from, const std::string &to) const;
    tPeerRun khalNew(const std::vector<std::string> &args) const;
    // khard (Contacts peers): "khard list", and "khard new" with a person of that name.
    tPeerRun khardList() const;
    tPeerRun khardNew(const std::string &firstName, const std::string &lastName) const;

    tPeerRun run(const std::vector<std::string> &argv, const std::string &input = "") const;

private:
    void writeKhalConfig() const;
    void writeKhardConfig() const;
    void writeVdirsyncerConfig(const std::string &serverUrl, const tDavUser &login,
                               const std::string &collection) const;

    tKind kind_;
    tTempDir home_{"velk-peer"};
    std::string root_, vdir_;
};

} // namespace velk::synctest

#endif // VELK_TESTS_SYNC_PEER_CLIENTS_H

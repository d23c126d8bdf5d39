// radicale_fixture.h - a Radicale CalDAV/CardDAV server for one test, and its temporary places.
//
// tRadicale starts "radicale" on 127.0.0.1 and a free port (asked of the kernel by binding port
// 0; started again on another port when that one was taken meanwhile), with its collections in a
// temporary directory, htpasswd logins with plain-text passwords (anna/geheim1, bert/geheim2)
// and rights "owner_only" (each user sees only his own collections).  It waits until the server
// answers an HTTP request on the port, and ends it (SIGTERM, then SIGKILL) in stop() or the
// destructor.
#ifndef VELK_TESTS_SYNC_RADICALE_FIXTURE_H
#define VELK_TESTS_SYNC_RADICALE_FIXTURE_H

#include <string>
#include <sys/types.h>
#include <vector>

namespace velk::synctest {

// A directory made with mkdtemp (under $TMPDIR or /tmp), removed with its contents at the end.
class tTempDir {
public:
    explicit tTempDir(const std::string &prefix = "velk-sync");
    ~tTempDir();
    tTempDir(const tTempDir &) = delete;
    tTempDir &operator=(const tTempDir &) = delete;
    const std::string &path() const { return path_; } // without a trailing '/'
    std::string sub(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

bool writeTextFile(const std::string &path, const std::string &text);
std::string readTextFile(const std::string &path); // "" when missing
// The names of the regular files in dir ending in ext, sorted.
std::vector<std::string> filesIn(const std::string &dir, const std::string &ext);

struct tDavUser {
    const char *name;
    const char *password;
};
extern const tDavUser kAnna; // anna / geheim1
extern const tDavUser kBert; // bert / geheim2

class tRadicale {
public:
    tRadicale();
    ~tRadicale();
    tRadicale(const tRadicale &) = delete;
    tRadicale &operator=(const tRadicale &) = delete;

    bool running() const { return pid_ > 0; }
    const std::string &error() const { return error_; } // why it does not run
    int port() const { return port_; }
    std::string url() const; // "http://127.0.0.1:<port>/"
    // The server's own storage folder of a collection ("<root>/collection-root/<user>/<coll>").
    std::string collectionFolder(const std::string &user, const std::string &collection) const;
    void stop();
    // Starts the stopped server again on its port with its collections; false when it does not
    // answer (the port taken meanwhile).
    bool restart();

    // Whether the radicale program is installed (the tests skip without it).
    static bool installed();

private:
    bool startOnce(int port);
    bool waitUntilAnswering(int seconds);

    tTempDir dir_{"velk-radicale"};
    pid_t pid_ = -1;
    int port_ = 0;
    std::string error_;
};

// A free TCP port of 127.0.0.1 (bound to port 0 and let go again), or 0.
int freeLoopbackPort();

} // namespace velk::synctest

#endif // VELK_TESTS_SYNC_RADICALE_FIXTURE_H

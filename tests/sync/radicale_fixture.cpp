// radicale_fixture.cpp - starts and stops Radicale for the sync tests.
#include "radicale_fixture.h"

#include "exchange/child_process.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velk::synctest {

const tDavUser kAnna = {"anna", "geheim1"};
const tDavUser kBert = {"bert", "geheim2"};

tTempDir::tTempDir(const std::string &prefix)
{
    const char *tmp = getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data())) path_ = buf.data();
}

tTempDir::~tTempDir()
{
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

bool writeTextFile(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return bool(out.flush());
}

std::string readTextFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> filesIn(const std::string &dir, const std::string &ext)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(dir, ec)) {
        std::string name = e.path().filename().string();
        if (e.is_regular_file() && name.size() > ext.size() &&
            name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

int freeLoopbackPort()
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    close(fd);
    return port;
}

namespace {

// Whether an HTTP server answers on the port: a request, and "HTTP/" back within two seconds
// (a port that only takes connections is not a server).
bool httpAnswers(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    timeval limit{2, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(uint16_t(port));
    const char request[] = "OPTIONS / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    char reply[5] = {};
    size_t got = 0;
    if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
        send(fd, request, sizeof request - 1, MSG_NOSIGNAL) == ssize_t(sizeof request - 1)) {
        for (ssize_t n;
             got < sizeof reply && (n = recv(fd, reply + got, sizeof reply - got, 0)) > 0;)
            got += size_t(n);
    }
    close(fd);
    return got == sizeof reply && std::string(reply, got) == "HTTP/";
}

} // namespace

bool tRadicale::installed() { return programInPath("radicale"); }

tRadicale::tRadicale()
{
    if (dir_.path().empty()) {
        error_ = "no temporary directory";
        return;
    }
    if (!installed()) {
        error_ = "radicale is not installed";
        return;
    }
    std::string users = std::string(kAnna.name) + ":" + kAnna.password + "\n" + kBert.name + ":" +
                        kBert.password + "\n";
    writeTextFile(dir_.sub("users"), users);
    // A port found free may be taken before radicale binds it: then another one.
    for (int attempt = 0; attempt < 5 && pid_ <= 0; ++attempt) {
        int port = freeLoopbackPort();
        if (port > 0 && startOnce(port) && !waitUntilAnswering(20)) stop();
    }
    if (pid_ <= 0 && error_.empty()) error_ = "radicale did not start";
}

tRadicale::~tRadicale() { stop(); }

bool tRadicale::startOnce(int port)
{
    std::string config = "[server]\n"
                         "hosts = 127.0.0.1:" +
                         std::to_string(port) +
                         "\n"
                         "[auth]\n"
                         "type = htpasswd\n"
                         "htpasswd_filename = " +
                         dir_.sub("users") +
                         "\n"
                         "htpasswd_encryption = plain\n"
                         "[rights]\n"
                         "type = owner_only\n"
                         "[storage]\n"
                         "filesystem_folder = " +
                         dir_.sub("collections") +
                         "\n"
                         "[web]\n"
                         "type = none\n"
                         "[logging]\n"
                         "level = warning\n";
    error_.clear();
    writeTextFile(dir_.sub("config"), config);
    std::string configPath = dir_.sub("config"), logPath = dir_.sub("radicale.log");
    char prog[] = "radicale", opt[] = "--config";
    char *argv[] = {prog, opt, configPath.data(), nullptr};
    // fork rather than posix_spawn, for PR_SET_PDEATHSIG: a test process that dies without its
    // destructors (a sanitizer's report, a signal) takes its server with it.
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        int in = open("/dev/null", O_RDONLY);
        int out = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0)
            _exit(127);
        execvp(prog, argv);
        _exit(127);
    }
    if (pid < 0) {
        error_ = std::string("radicale: ") + strerror(errno);
        return false;
    }
    pid_ = pid;
    port_ = port;
    return true;
}

bool tRadicale::waitUntilAnswering(int seconds)
{
    for (int i = 0; i < seconds * 20; ++i) {
        if (httpAnswers(port_)) return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            error_ = "radicale ended: " + readTextFile(dir_.sub("radicale.log"));
            return false;
        }
        usleep(50 * 1000);
    }
    error_ = "radicale does not answer on port " + std::to_string(port_);
    return false;
}

void tRadicale::stop()
{
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        usleep(50 * 1000);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

bool tRadicale::restart()
{
    if (pid_ > 0) return true;
    if (!startOnce(port_)) return false;
    if (waitUntilAnswering(20)) return true;
    stop();
    return false;
}

std::string tRadicale::url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

std::string tRadicale::collectionFolder(const std::string &user,
                                        const std::string &collection) const
{
    return dir_.sub("collections") + "/collection-root/" + user + "/" + collection;
}

} // namespace velk::synctest

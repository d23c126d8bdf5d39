// peer_clients.cpp - the configurations of khal, khard and their vdirsyncer, and their runs.
#include "peer_clients.h"

#include <filesystem>

namespace velk::synctest {

namespace {

const char *const kKhalConfig = R"([calendars]
[[velk]]
path = VDIR
type = calendar

[locale]
local_timezone = Europe/Berlin
default_timezone = Europe/Berlin
timeformat = %H:%M
dateformat = %Y-%m-%d
longdateformat = %Y-%m-%d
datetimeformat = %Y-%m-%d %H:%M
longdatetimeformat = %Y-%m-%d %H:%M

[default]
default_calendar = velk
)";

const char *const kKhardConfig = R"([addressbooks]
[[velk]]
path = VDIR

[general]
editor = /bin/true
merge_editor = /bin/true

[vcard]
preferred_version = 3.0
)";

std::string replaced(std::string text, const std::string &what, const std::string &with)
{
    for (size_t at; (at = text.find(what)) != std::string::npos;)
        text.replace(at, what.size(), with);
    return text;
}

} // namespace

tPeer::tPeer(tKind kind, const std::string &serverUrl, const tDavUser &login,
             const std::string &collection)
    : kind_(kind)
{
    root_ = home_.sub(kind == Calendar ? "calendars/" : "contacts/");
    vdir_ = root_ + collection + "/";
    std::error_code ec;
    std::filesystem::create_directories(vdir_, ec);
    std::filesystem::create_directories(home_.sub("config/vdirsyncer/status"), ec);
    std::filesystem::create_directories(home_.sub("data"), ec);
    std::filesystem::create_directories(home_.sub("cache"), ec);
    if (kind == Calendar)
        writeKhalConfig();
    else
        writeKhardConfig();
    writeVdirsyncerConfig(serverUrl, login, collection);
}

void tPeer::writeKhalConfig() const
{
    std::filesystem::create_directories(home_.sub("config/khal"));
    writeTextFile(home_.sub("config/khal/config"), replaced(kKhalConfig, "VDIR", vdir_));
}

void tPeer::writeKhardConfig() const
{
    std::filesystem::create_directories(home_.sub("config/khard"));
    writeTextFile(home_.sub("config/khard/khard.conf"), replaced(kKhardConfig, "VDIR", vdir_));
}

void tPeer::writeVdirsyncerConfig(const std::string &serverUrl, const tDavUser &login,
                                  const std::string &collection) const
{
    std::string dav = kind_ == Calendar ? "caldav" : "carddav";
    std::string ext = kind_ == Calendar ? ".ics" : ".vcf";
    std::string text = "[general]\nstatus_path = \"" + home_.sub("config/vdirsyncer/status/") +
                       "\"\n\n[pair peer]\na = \"peer_local\"\nb = \"peer_server\"\n"
                       "collections = [\"" +
                       collection +
                       "\"]\n\n[storage peer_local]\ntype = \"filesystem\"\npath = \"" + root_ +
                       "\"\nfileext = \"" + ext + "\"\n\n[storage peer_server]\ntype = \"" + dav +
                       "\"\nurl = \"" + serverUrl + "\"\nusername = \"" + login.name +
                       "\"\npassword = \"" + login.password + "\"\n";
    writeTextFile(home_.sub("config/vdirsyncer/config"), text);
}

tPeerRun tPeer::run(const std::vector<std::string> &argv, const std::string &input) const
{
    tRunRequest request;
    request.argv = argv;
    request.input = input;
    request.timeoutSeconds = 60;
    request.workDir = home_.path();
    request.setEnv = {"HOME=" + home_.path(),
                      "XDG_CONFIG_HOME=" + home_.sub("config"),
                      "XDG_DATA_HOME=" + home_.sub("data"),
                      "XDG_CACHE_HOME=" + home_.sub("cache"),
                      "TZ=Europe/Berlin",
                      "LC_ALL=C.UTF-8",
                      "LANG=C.UTF-8"};
    tPeerRun r;
    r.result = runProgram(request, [&](const std::string &line) { r.output += line + "\n"; });
    return r;
}

tPeerRun tPeer::discover() const
{
    return run({"vdirsyncer", "discover", "--no-list"}, "y\ny\ny\ny\n");
}

tPeerRun tPeer::sync() const { return run({"vdirsyncer", "sync"}); }

tPeerRun tPeer::khalList(const std::string &from, const std::string &to) const
{
    return run({"khal", "list", from, to});
}

tPeerRun tPeer::khalNew(const std::vector<std::string> &args) const
{
    std::vector<std::string> argv = {"khal", "new"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv);
}

tPeerRun tPeer::khardList() const { return run({"khard", "list"}); }

tPeerRun tPeer::khardNew(const std::string &firstName, const std::string &lastName) const
{
    std::string yaml = "First name : " + firstName + "\nLast name : " + lastName + "\n";
    return run({"khard", "new", "-a", "velk"}, yaml);
}

} // namespace velk::synctest

// The private runtime directory given to Qt where the session set none.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "shell/core/runtime_dir.h"

using namespace velk;
namespace fs = std::filesystem;

namespace {

class RuntimeDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/velk-rt-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        tmp = pattern;
        if (const char *v = std::getenv("XDG_RUNTIME_DIR")) savedRuntime = v;
        if (const char *v = std::getenv("TMPDIR")) savedTmp = v;
        setenv("TMPDIR", tmp.c_str(), 1);
        unsetenv("XDG_RUNTIME_DIR");
    }
    void TearDown() override
    {
        restore("XDG_RUNTIME_DIR", savedRuntime);
        restore("TMPDIR", savedTmp);
        fs::remove_all(tmp);
    }
    static void restore(const char *name, const std::string &value)
    {
        if (value.empty())
            unsetenv(name);
        else
            setenv(name, value.c_str(), 1);
    }
    std::string ownName() const { return tmp + "/velk-runtime-" + std::to_string(getuid()); }
    static unsigned modeOf(const std::string &path)
    {
        struct stat st;
        return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }

    std::string tmp, savedRuntime, savedTmp;
};

} // namespace

TEST_F(RuntimeDirTest, APrivateDirectoryWhereTheSessionGivesNone)
{
    const struct {
        const char *what;
        std::function<void(const std::string &own)> before; // what lies at the name already
        bool ownName;                                       // the directory made is that name
    } cases[] = {
        {"nothing there", [](const std::string &) {}, true},
        {"our own, too open", [](const std::string &own) { mkdir(own.c_str(), 0755); }, true},
        {"a symbolic link to a directory of ours",
         [this](const std::string &own) {
             mkdir((tmp + "/elsewhere").c_str(), 0700);
             ASSERT_EQ(symlink((tmp + "/elsewhere").c_str(), own.c_str()), 0);
         },
         false},
        {"a file",
         [](const std::string &own) {
             std::FILE *f = std::fopen(own.c_str(), "w");
             ASSERT_TRUE(f);
             std::fclose(f);
         },
         false},
        {"another user's directory",
         [](const std::string &own) {
             if (getuid() != 0) GTEST_SKIP() << "needs root to give a directory away";
             mkdir(own.c_str(), 0700);
             ASSERT_EQ(chown(own.c_str(), 65534, 65534), 0);
         },
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(tmp);
        fs::create_directory(tmp);
        unsetenv("XDG_RUNTIME_DIR");
        c.before(ownName());
        if (IsSkipped()) continue;
        const std::string dir = ensureRuntimeDir();
        ASSERT_FALSE(dir.empty());
        EXPECT_EQ(std::getenv("XDG_RUNTIME_DIR"), dir);
        EXPECT_EQ(dir == ownName(), c.ownName) << dir;
        EXPECT_EQ(dir.rfind(tmp + "/velk-runtime-", 0), 0u) << dir;
        EXPECT_EQ(modeOf(dir), 0700u);
        struct stat st;
        ASSERT_EQ(lstat(dir.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_uid, getuid());
    }
}

TEST_F(RuntimeDirTest, ASetVariableStaysAsItIs)
{
    setenv("XDG_RUNTIME_DIR", "/run/user/4711", 1);
    EXPECT_EQ(ensureRuntimeDir(), "/run/user/4711");
    EXPECT_STREQ(std::getenv("XDG_RUNTIME_DIR"), "/run/user/4711");
    EXPECT_FALSE(fs::exists(ownName()));
}

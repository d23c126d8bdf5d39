#include "tests/exchange/exchange_support.h"

#include "model/schema.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace velk::exchangetest {

std::string systemProgram(const std::string &name)
{
    size_t n = confstr(_CS_PATH, nullptr, 0);
    std::string path(n, '\0');
    confstr(_CS_PATH, path.data(), n);
    path.resize(n ? n - 1 : 0);
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::string();
}

int runProgram(const std::vector<std::string> &argv, std::string *out)
{
    int fds[2];
    if (pipe(fds) != 0) return -1;
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        execv(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        if (out) out->append(buf, n);
    close(fds[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string dbfreadDump(const std::string &path, const std::string &encoding)
{
    std::string python = systemProgram("python3");
    if (python.empty()) {
        ADD_FAILURE() << "no python3 in the system's PATH (scripts/install-deps)";
        return std::string();
    }
    std::string out;
    int rc = runProgram({python, VELK_EXCHANGE_TEST_DIR "/dbf_dump.py", path, encoding}, &out);
    if (rc != 0) {
        ADD_FAILURE() << "dbfread could not read " << path << " (exit " << rc
                      << "; python3-dbfread installed?)";
        return std::string();
    }
    return out;
}

int schemaLength(const char *table, const char *field)
{
    for (const tFieldDef *f = kFieldDefs; f->table[0]; f++)
        if (std::strcmp(f->table, table) == 0 && std::strcmp(f->field, field) == 0)
            return f->length;
    return 0;
}

tCreateDBF personLayout()
{
    tCreateDBF layout;
    for (const char *name : {"ID", "CHRNAME", "NAME", "TEL"})
        layout.addField(name, 'C', schemaLength("PERSON", name));
    layout.addField("BIRTHDAY", 'N', 2);
    layout.addField("BIRTHMONTH", 'N', 2);
    layout.addField("BIRTHYEAR", 'N', 4);
    for (const char *name : {"STREET", "CITY", "ZIP", "COUNTRY"})
        layout.addField(name, 'C', schemaLength("PERSON", name));
    return layout;
}

} // namespace velk::exchangetest

// Fuzz target of the dBASE reader: any bytes as a file.  open() must refuse them or give a file
// whose every field of every record reads within its record, and an append to it must give a
// file that opens again with one record more.  Violations abort.
#include "exchange/dbf.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

using namespace velk;

namespace {

// The input lives in an anonymous file in memory, opened by its /proc path like any file: no
// disk between two runs.
int g_memfd = -1;

std::string scratchFile(const uint8_t *data, size_t size)
{
    if (g_memfd < 0) g_memfd = memfd_create("velk-fuzz-dbf", MFD_CLOEXEC);
    if (g_memfd < 0 || ftruncate(g_memfd, 0) != 0) abort();
    for (size_t done = 0; done < size;) {
        ssize_t n = pwrite(g_memfd, data + done, size - done, done);
        if (n <= 0) abort();
        done += n;
    }
    return "/proc/self/fd/" + std::to_string(g_memfd);
}

void check(bool ok)
{
    if (!ok) abort();
}

void readEverything(tDBF &dbf, long fileSize)
{
    check(dbf.headerLength() + (long long)dbf.recordCount() * dbf.recordLength() <= fileSize);
    int end = 1;
    for (int i = 0; i < dbf.fieldCount(); i++) {
        check(dbf.field(i).length >= 1 && dbf.field(i).length <= 254);
        check(dbf.field(i).offset == end);
        end += dbf.field(i).length;
    }
    check(end <= dbf.recordLength());
    tCharField text(dbf.fieldCount() ? dbf.field(0).name : "X");
    text.bind(dbf);
    long records = dbf.recordCount() < 50 ? dbf.recordCount() : 50;
    for (long n = 0; n < records; n++) {
        check(dbf.goTo(n));
        dbf.isDeleted();
        for (int i = 0; i < dbf.fieldCount(); i++) {
            check((int)dbf.getText(i).size() <= dbf.field(i).length);
            dbf.getNumber(i);
        }
        text.get();
    }
    check(!dbf.goTo(dbf.recordCount()) && dbf.lastError() == kDbfNoSuchRecord);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string path = scratchFile(data, size);
    tDBF dbf;
    if (!dbf.open(path)) {
        check(!dbf.isOpen() && dbf.lastError() != 0);
        return 0;
    }
    readEverything(dbf, (long)size);
    long count = dbf.recordCount();
    check(dbf.append());
    for (int i = 0; i < dbf.fieldCount(); i++) {
        dbf.setText(i, "\\\"a value longer than most fields, to be cut at its length");
        if (dbf.field(i).type == 'N') dbf.setNumber(i, -1234567);
    }
    check(dbf.close());
    check(dbf.open(path) && dbf.recordCount() == count + 1);
    return 0;
}

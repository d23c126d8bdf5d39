#include "model/shared_file.h"

#include "btree/btree.h"
#include "model/blob.h"

namespace velk {

int openShared(const char *path, Bt3File *&fd, char *&buf)
{
    closeShared(fd, buf);
    if (bt3SetCache(nullptr, -1, 1, 5) != 0) return kCacheFailed;
    fd = bt3Open(path, LIO_SHARED | LIO_RDWR);
    if (!fd) return kOpenFailed;
    buf = bt3GetBuff(fd, 0);
    if (!buf) {
        closeShared(fd, buf);
        return kNoBuffer;
    }
    return 0;
}

void closeShared(Bt3File *&fd, char *&buf)
{
    if (buf) bt3FreeBuff(buf);
    buf = nullptr;
    if (fd) bt3Close(fd);
    fd = nullptr;
}

} // namespace velk

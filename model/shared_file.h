// shared_file.h - a B-tree file of the database opened shared for reading and writing, with the
// record buffer its calls fill (a table's file and the text store).
#ifndef VELK_MODEL_SHARED_FILE_H
#define VELK_MODEL_SHARED_FILE_H

struct Bt3File;

namespace velk {

// Opens the file at path with its buffer: 0, or kCacheFailed, kOpenFailed or kNoBuffer (blob.h)
// with both left null.
int openShared(const char *path, Bt3File *&fd, char *&buf);
// Frees the buffer and closes the file (either may be null); both null after.
void closeShared(Bt3File *&fd, char *&buf);

} // namespace velk

#endif

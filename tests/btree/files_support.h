// files_support.h - byte-level helpers for the engine's tests.
//
// A fresh temporary directory per test, and small operations on a file's raw bytes: read or patch
// one 32-bit little-endian word at a byte offset (or word N of header H), flip a byte, shrink a
// file.  They work on closed files; a test patches a file, then checks what the engine reports.
#ifndef VELK_TESTS_BTREE_FILES_SUPPORT_H
#define VELK_TESTS_BTREE_FILES_SUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "btree/check/rawfile.h"

namespace velk::apptest {

// A directory made with mkdtemp under /tmp and removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

using Bytes = std::vector<unsigned char>;

Bytes readFileBytes(const std::string &path);
void writeFileBytes(const std::string &path, const Bytes &bytes);
long fileSize(const std::string &path); // -1 when the file does not exist
bool fileExists(const std::string &path);

// Little-endian words, read and written as the checker does.
using velkcheck::loadWord;
using velkcheck::storeWord;

int32_t fileWord(const std::string &path, long byteOffset);
void setFileWord(const std::string &path, long byteOffset, int32_t value);

// Word `word` of header `header` (0-based: header 0 is the data file's or sub-file 1's).
long headerWordOffset(int header, int word);
int32_t headerWord(const std::string &path, int header, int word);
void setHeaderWord(const std::string &path, int header, int word, int32_t value);
std::vector<int32_t> headerWords(const std::string &path, int header);

void setFileByte(const std::string &path, long byteOffset, unsigned char value);
void flipByte(const std::string &path, long byteOffset, unsigned char mask = 0xFF);
void truncateFile(const std::string &path, long size);

} // namespace velk::apptest

#endif

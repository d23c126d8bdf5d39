#include "tests/btree/files_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

namespace velk::apptest {

TempDir::TempDir()
{
    char pattern[] = "/tmp/velk-btree-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

Bytes readFileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::string &path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

long fileSize(const std::string &path)
{
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    return ec ? -1 : long(size);
}

bool fileExists(const std::string &path) { return std::filesystem::exists(path); }

int32_t fileWord(const std::string &path, long byteOffset)
{
    Bytes b = readFileBytes(path);
    if (byteOffset < 0 || size_t(byteOffset) + 4 > b.size())
        throw std::runtime_error("word outside " + path);
    return loadWord(b.data() + byteOffset);
}

void setFileWord(const std::string &path, long byteOffset, int32_t value)
{
    Bytes b = readFileBytes(path);
    if (byteOffset < 0 || size_t(byteOffset) + 4 > b.size())
        throw std::runtime_error("word outside " + path);
    storeWord(b.data() + byteOffset, value);
    writeFileBytes(path, b);
}

long headerWordOffset(int header, int word) { return long(header) * 340 + long(word) * 4; }

int32_t headerWord(const std::string &path, int header, int word)
{
    return fileWord(path, headerWordOffset(header, word));
}

void setHeaderWord(const std::string &path, int header, int word, int32_t value)
{
    setFileWord(path, headerWordOffset(header, word), value);
}

std::vector<int32_t> headerWords(const std::string &path, int header)
{
    Bytes b = readFileBytes(path);
    std::vector<int32_t> words(85);
    if (size_t(header + 1) * 340 > b.size()) throw std::runtime_error("header outside " + path);
    for (int i = 0; i < 85; ++i) words[i] = loadWord(b.data() + headerWordOffset(header, i));
    return words;
}

void setFileByte(const std::string &path, long byteOffset, unsigned char value)
{
    Bytes b = readFileBytes(path);
    if (byteOffset < 0 || size_t(byteOffset) >= b.size())
        throw std::runtime_error("byte outside " + path);
    b[byteOffset] = value;
    writeFileBytes(path, b);
}

void flipByte(const std::string &path, long byteOffset, unsigned char mask)
{
    Bytes b = readFileBytes(path);
    if (byteOffset < 0 || size_t(byteOffset) >= b.size())
        throw std::runtime_error("byte outside " + path);
    b[byteOffset] ^= mask;
    writeFileBytes(path, b);
}

void truncateFile(const std::string &path, long size)
{
    if (::truncate(path.c_str(), size) != 0) throw std::runtime_error("truncate failed on " + path);
}

} // namespace velk::apptest

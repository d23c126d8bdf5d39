#include "exchange/dbf.h"

#include "exchange/codepage.h"
#include "exchange/file_access.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iterator>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

namespace {

constexpr int kDescriptorSize = 32;
constexpr unsigned char kHeaderEnd = 0x0D;
constexpr unsigned char kFileEnd = 0x1A;

// Version bytes of dBASE III to V and FoxPro tables, with and without memo files.
bool knownVersion(unsigned char v)
{
    static const unsigned char known[] = {0x03, 0x04, 0x05, 0x30, 0x31, 0x32, 0x43,
                                          0x63, 0x7B, 0x83, 0x8B, 0xCB, 0xF5, 0xFB};
    return std::find(std::begin(known), std::end(known), v) != std::end(known);
}

unsigned le16(const unsigned char *p) { return p[0] | p[1] << 8; }
unsigned long le32(const unsigned char *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | (unsigned long)p[3] << 24;
}
void putLe16(unsigned char *p, unsigned v) { p[0] = v & 0xFF, p[1] = (v >> 8) & 0xFF; }
void putLe32(unsigned char *p, unsigned long v)
{
    for (int i = 0; i < 4; i++) p[i] = (v >> (8 * i)) & 0xFF;
}

// pread or pwrite until all of size bytes are moved; false at an error or the end of the file.
template <typename Byte, typename Io>
bool moveAll(Io io, int fd, Byte *p, size_t size, off_t at)
{
    while (size > 0) {
        ssize_t n = io(fd, p, size, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n, size -= n, at += n;
    }
    return true;
}

bool writeAll(int fd, const void *data, size_t size, off_t at)
{
    return moveAll(pwrite, fd, static_cast<const char *>(data), size, at);
}

bool readAll(int fd, void *data, size_t size, off_t at)
{
    return moveAll(pread, fd, static_cast<char *>(data), size, at);
}

// A new file beside the file that target names (its links followed); -1 with *error set when
// target is not a regular file or a free name, or nothing can be created beside it.
int createTemp(const std::string &target, tExportTarget *resolved, std::string *tempName,
               int *error)
{
    if (!exportTarget(target, resolved)) {
        *error = kDbfNotRegular;
        return -1;
    }
    int fd = createTempFile(*resolved, tempName);
    if (fd < 0) *error = kDbfCannotOpen;
    return fd;
}

} // namespace

// ---- tCreateDBF ----

bool tCreateDBF::addField(std::string_view name, char type, int length, int decimals)
{
    if ((int)fields_.size() >= kMaxFields || name.empty() || length < 1 ||
        length > kMaxFieldLength || decimals < 0 || decimals > kMaxFieldLength)
        return false;
    if (name.find('\0') != std::string_view::npos) return false;
    tDbfField f;
    f.name = std::string(name.substr(0, 10));
    for (char &c : f.name) c = (char)std::toupper((unsigned char)c);
    f.type = (char)std::toupper((unsigned char)type);
    f.length = length;
    f.decimals = decimals;
    f.offset = recordLength();
    fields_.push_back(f);
    return true;
}

int tCreateDBF::recordLength() const
{
    int length = 1;
    for (const tDbfField &f : fields_) length += f.length;
    return length;
}

std::vector<unsigned char> tCreateDBF::fileBytes() const
{
    std::vector<unsigned char> bytes(headerLength() + 1, 0);
    std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    bytes[0] = 0x03;
    bytes[29] = kDbfCodePage850;
    bytes[1] = (unsigned char)today.tm_year; // years since 1900
    bytes[2] = (unsigned char)(today.tm_mon + 1);
    bytes[3] = (unsigned char)today.tm_mday;
    putLe16(&bytes[8], headerLength());
    putLe16(&bytes[10], recordLength());
    for (size_t i = 0; i < fields_.size(); i++) {
        unsigned char *d = &bytes[kDescriptorSize * (i + 1)];
        std::memcpy(d, fields_[i].name.data(), fields_[i].name.size());
        d[11] = (unsigned char)fields_[i].type;
        d[16] = (unsigned char)fields_[i].length;
        d[17] = (unsigned char)fields_[i].decimals;
        d[20] = 1;
    }
    bytes[headerLength() - 1] = kHeaderEnd;
    bytes[headerLength()] = kFileEnd;
    return bytes;
}

int tCreateDBF::create(const std::string &fileName) const
{
    if (fields_.empty()) return kDbfBadHeader;
    std::string temp;
    tExportTarget target;
    int error = 0;
    int fd = createTemp(fileName, &target, &temp, &error);
    if (fd < 0) return error;
    std::vector<unsigned char> bytes = fileBytes();
    bool written =
        writeAll(fd, bytes.data(), bytes.size(), 0) && adoptTarget(fd, target) && fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (written && replaceTarget(temp, target)) return 0;
    unlink(temp.c_str());
    return kDbfWriteFailed;
}

// ---- tDBF: opening and closing ----

tDBF::~tDBF() { close(); }

void tDBF::fail(int code)
{
    if (code == kDbfWriteFailed) writeFailed_ = true;
    error(code);
}

void tDBF::reset()
{
    fd_ = -1;
    readOnly_ = writeFailed_ = modified_ = false;
    tempName_.clear();
    target_ = tExportTarget{};
    std::memset(header_, 0, sizeof header_);
    languageDriver_ = 0;
    count_ = current_ = 0;
    headerLength_ = recordLength_ = 0;
    fields_.clear();
    record_.clear();
}

bool tDBF::openFd(const std::string &path)
{
    // Non-blocking, so that a FIFO given as the file cannot hang the open; only a regular file
    // is taken, and then read blocking.
    int flags = O_CLOEXEC | O_NONBLOCK;
    fd_ = ::open(path.c_str(), O_RDWR | flags);
    if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM || errno == EISDIR)) {
        fd_ = ::open(path.c_str(), O_RDONLY | flags);
        readOnly_ = fd_ >= 0;
    }
    struct stat st;
    if (fd_ >= 0 && (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd_);
        fd_ = -1;
        fail(kDbfNotRegular);
        return false;
    }
    int fl = fd_ >= 0 ? fcntl(fd_, F_GETFL) : -1;
    if (fd_ >= 0 && (fl < 0 || fcntl(fd_, F_SETFL, fl & ~O_NONBLOCK) != 0)) {
        ::close(fd_);
        fd_ = -1;
    }
    if (fd_ < 0) {
        fail(kDbfCannotOpen);
        return false;
    }
    return true;
}

bool tDBF::open(const std::string &fileName)
{
    close();
    reset();
    lastError_ = 0;
    if (!openFd(fileName)) return false;
    if (!readHeader()) {
        ::close(fd_);
        reset();
        return false;
    }
    return true;
}

bool tDBF::openNew(const tCreateDBF &layout, const std::string &fileName)
{
    close();
    reset();
    lastError_ = 0;
    std::string temp;
    tExportTarget target;
    int error = 0;
    int fd = createTemp(fileName, &target, &temp, &error);
    if (fd < 0) {
        fail(error);
        return false;
    }
    std::vector<unsigned char> bytes = layout.fileBytes();
    bool written = writeAll(fd, bytes.data(), bytes.size(), 0);
    ::close(fd);
    if (!written) fail(kDbfWriteFailed);
    if (!written || !open(temp)) {
        unlink(temp.c_str());
        return false;
    }
    tempName_ = temp;
    target_ = target;
    return true;
}

bool tDBF::close()
{
    if (fd_ < 0) return true;
    writeRecord();
    if (!tempName_.empty() && !writeFailed_ && (!adoptTarget(fd_, target_) || fsync(fd_) != 0))
        fail(kDbfWriteFailed);
    if (::close(fd_) != 0 && !readOnly_) fail(kDbfWriteFailed);
    bool ok = !writeFailed_;
    if (!tempName_.empty()) {
        if (ok && !replaceTarget(tempName_, target_)) {
            fail(kDbfWriteFailed);
            ok = false;
        }
        if (!ok) unlink(tempName_.c_str());
    }
    reset();
    return ok;
}

void tDBF::discard()
{
    if (fd_ < 0) return;
    ::close(fd_);
    if (!tempName_.empty()) unlink(tempName_.c_str());
    reset();
}

// Takes from the header the record count, header length and record length, and the field
// descriptors; each checked against the file's real size before it is used.
bool tDBF::readHeader()
{
    struct stat st;
    if (fstat(fd_, &st) != 0) {
        fail(kDbfCannotOpen);
        return false;
    }
    unsigned char head[32];
    if (st.st_size < (off_t)sizeof head || !readAll(fd_, head, sizeof head, 0)) {
        fail(kDbfNoHeader);
        return false;
    }
    std::memcpy(header_, head, sizeof header_);
    languageDriver_ = head[29];
    count_ = (long)le32(head + 4);
    headerLength_ = (int)le16(head + 8);
    recordLength_ = (int)le16(head + 10);
    long long size = st.st_size;
    if (!knownVersion(head[0]) || headerLength_ < 2 * kDescriptorSize + 1 || headerLength_ > size ||
        recordLength_ < 2 || headerLength_ + (long long)count_ * recordLength_ > size) {
        fail(kDbfBadHeader);
        return false;
    }
    if (!readFields(size)) return false;
    try {
        record_.assign(recordLength_, ' ');
    } catch (const std::bad_alloc &) {
        fail(kDbfNoMemory);
        return false;
    }
    current_ = 0;
    return count_ == 0 || readRecord(0);
}

bool tDBF::readFields(long fileSize)
{
    int slots = headerLength_ / kDescriptorSize - 1;
    std::vector<unsigned char> area((size_t)slots * kDescriptorSize);
    if (kDescriptorSize + (long)area.size() > fileSize ||
        !readAll(fd_, area.data(), area.size(), kDescriptorSize)) {
        fail(kDbfNoHeader);
        return false;
    }
    int offset = 1;
    for (int i = 0; i < slots; i++) {
        const unsigned char *d = &area[(size_t)i * kDescriptorSize];
        if (d[0] == kHeaderEnd) break;
        tDbfField f;
        f.name.assign(reinterpret_cast<const char *>(d), strnlen((const char *)d, 10));
        f.type = (char)d[11];
        f.length = d[16];
        f.decimals = d[17];
        f.offset = offset;
        if (f.length == 0 || f.length == 255 || offset + f.length > recordLength_) {
            fail(kDbfBadHeader);
            return false;
        }
        offset += f.length;
        fields_.push_back(std::move(f));
    }
    if (fields_.empty()) {
        fail(kDbfBadHeader);
        return false;
    }
    return true;
}

// ---- tDBF: records ----

void tDBF::blankRecord() { std::fill(record_.begin(), record_.end(), ' '); }

bool tDBF::readRecord(long n)
{
    off_t at = headerLength_ + (off_t)n * recordLength_;
    if (!readAll(fd_, record_.data(), record_.size(), at)) {
        blankRecord();
        current_ = count_; // nothing unsound is current
        fail(kDbfReadFailed);
        return false;
    }
    current_ = n;
    modified_ = false;
    return true;
}

bool tDBF::writeRecord()
{
    if (fd_ < 0 || !modified_) return true;
    modified_ = false;
    off_t at = headerLength_ + (off_t)current_ * recordLength_;
    if (readOnly_ || !writeAll(fd_, record_.data(), record_.size(), at)) {
        fail(kDbfWriteFailed);
        return false;
    }
    return true;
}

bool tDBF::writeHeader()
{
    putLe32(header_ + 4, (unsigned long)count_);
    if (readOnly_ || !writeAll(fd_, header_, sizeof header_, 0)) {
        fail(kDbfWriteFailed);
        return false;
    }
    return true;
}

bool tDBF::append()
{
    if (fd_ < 0) return false;
    writeRecord();
    blankRecord();
    current_ = count_; // until the new record is written, writes to fields are ignored
    if (count_ >= 0xFFFFFFFFL) {
        fail(kDbfWriteFailed);
        return false;
    }
    std::vector<char> bytes(record_);
    bytes.push_back((char)kFileEnd);
    off_t at = headerLength_ + (off_t)count_ * recordLength_;
    if (readOnly_ || !writeAll(fd_, bytes.data(), bytes.size(), at)) {
        fail(kDbfWriteFailed);
        return false;
    }
    count_++;
    modified_ = false;
    return writeHeader();
}

bool tDBF::goTo(long n)
{
    if (fd_ < 0) return false;
    writeRecord();
    if (n < 0 || n >= count_) {
        fail(kDbfNoSuchRecord);
        return false;
    }
    return readRecord(n);
}

bool tDBF::isDeleted() const { return fd_ >= 0 && !eof() && record_[0] == '*'; }

// ---- tDBF: fields ----

int tDBF::findField(std::string_view name)
{
    for (int i = (int)fields_.size() - 1; i >= 0; i--)
        if (fields_[i].name == name) return i;
    if (lastError_ == 0) fail(kDbfNoSuchField);
    return -1;
}

std::string tDBF::getText(int index)
{
    if (fd_ < 0 || eof() || index < 0 || index >= fieldCount()) {
        fail(kDbfNoValue);
        return std::string();
    }
    const tDbfField &f = fields_[index];
    int n = f.length;
    while (n > 0 && record_[f.offset + n - 1] == ' ') n--;
    return std::string(&record_[f.offset], n);
}

void tDBF::setText(int index, std::string_view text)
{
    if (fd_ < 0 || eof() || index < 0 || index >= fieldCount()) return;
    const tDbfField &f = fields_[index];
    size_t n = std::min(text.size(), (size_t)f.length);
    std::memcpy(&record_[f.offset], text.data(), n);
    std::memset(&record_[f.offset + n], ' ', f.length - n);
    modified_ = true;
}

long tDBF::getNumber(int index)
{
    if (index < 0 || index >= fieldCount() || fields_[index].type != 'N') return 0;
    std::string text = getText(index);
    return std::strtol(text.c_str(), nullptr, 10);
}

void tDBF::setNumber(int index, long value)
{
    if (index < 0 || index >= fieldCount() || fields_[index].type != 'N') {
        fail(kDbfNotNumeric);
        return;
    }
    int width = fields_[index].length;
    std::string digits = std::to_string(value);
    if ((int)digits.size() > width)
        digits.assign(width, '*');
    else
        digits.insert(0, width - digits.size(), ' ');
    setText(index, digits);
}

// ---- field handles ----

int tFeld::bind(tDBF &file)
{
    file_ = &file;
    index_ = file.findField(name_);
    return index_;
}

std::string tDBF::systemText(std::string_view stored) const
{
    switch (languageDriver_) {
    case 0x03: // Windows ANSI
    case 0x57:
        return std::string(stored);
    case 0x01:
        return cp437ToCp1252(stored);
    default: // 0x02, none, and what is not known here: code page 850
        return toCp1252(stored);
    }
}

std::string tCharField::get()
{
    return file_ ? file_->systemText(file_->getText(index_)) : std::string();
}

void tCharField::set(std::string_view cp1252)
{
    if (file_) file_->setText(index_, toExchangeText(cp1252));
}

long tNumField::get() { return file_ ? file_->getNumber(index_) : 0; }

void tNumField::set(long value)
{
    if (file_) file_->setNumber(index_, value);
}

void tBoundDBF::bindAll()
{
    for (tFeld *f : handles()) f->bind(*this);
}

tCreateDBF tBoundDBF::handleLayout()
{
    tCreateDBF l;
    for (tFeld *f : handles()) l.addField(f->name(), f->type(), f->length());
    return l;
}

bool tBoundDBF::openFile(const std::string &fileName)
{
    if (!open(fileName)) return false;
    bindAll();
    return true;
}

bool tBoundDBF::createFile(const std::string &fileName)
{
    if (!openNew(handleLayout(), fileName)) return false;
    bindAll();
    return true;
}

} // namespace velk

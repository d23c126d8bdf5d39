// dbf.h - dBASE III table files (".dbf"), the exchange format for persons and appointments and
// the target of the complete export.
//
// File (multi-byte numbers little-endian):
//
//   offset          size      meaning
//   0               1         0x03: dBASE III without memo (other versions are read, see below)
//   1               3         creation date: year - 1900, month, day
//   4               4         number of records, unsigned
//   8               2         header length = 32 * (fields + 1) + 1
//   10              2         record length = 1 + sum of the field lengths
//   12              17        zero
//   29              1         language driver: 0x02, code page 850 (see below for reading)
//   30              2         zero
//   32              32 each   field descriptors, in field order
//   header len - 1  1         0x0D, end of the header
//   header len      rec len   records, one after the other
//   after the last  1         0x1A, end of the file
//
// Field descriptor:
//
//   offset  size  meaning
//   0       11    name, at most 10 characters, upper case, padded with zero bytes
//   11      1     type: "C" text, "N" number, "D" date (other types are read as text)
//   12      4     zero
//   16      1     length in bytes, 1 to 254
//   17      1     decimals (0 in files written here)
//   18      2     zero
//   20      1     1
//   21      11    zero
//
// Record: a flag byte, blank for a valid record and "*" for a deleted one, then the fields in
// descriptor order, each exactly its length.  Text left-aligned and padded with blanks; a number
// written by setNumber right-aligned, padded with leading blanks, "-" before the first digit, and
// a row of "*" when it does not fit; a date as "%04d%02d%02d".
//
// A file with the one field ID (C, 8) and two records, created on 5.3.2026, begins
//   03 7E 03 05  02 00 00 00  41 00 09 00  00 x 17  02  00 00     header: 65 bytes, records 9
//   49 44 00 00 00 00 00 00 00 00 00  43  00 00 00 00  08 00  00 00  01  00 x 11
//   0D                                                               at 64 = header length - 1
//   20 "P1      "  20 "P2      "  1A                                records at 65 and 74, the end
//
// Invariants (a file written here keeps them; open() refuses one that breaks (2) to (4)):
//   (1) The header length is 32 * (fields + 1) + 1, and its last byte is 0x0D.
//   (2) header length + record count * record length <= file size.
//   (3) 1 + the sum of the field lengths <= record length; every field length is 1 to 254.
//   (4) At least one field descriptor lies inside the header length.
//   (5) A file written through openNew() gets its name only after every write succeeded; until
//       then it lies under a temporary name beside it, which is removed on failure.
//
// Reading trusts nothing in the file: the version byte must be one of the dBASE and FoxPro ones,
// every length is checked against the file's size before use, and the descriptors end at the
// first 0x0D (FoxPro files keep more bytes after it inside the header length).
#ifndef VELK_EXCHANGE_DBF_H
#define VELK_EXCHANGE_DBF_H

#include "exchange/file_access.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

// The language driver byte of the files written here: code page 850.
constexpr unsigned char kDbfCodePage850 = 0x02;

// Codes passed to tDBF::error.
enum tDbfError : int {
    kDbfNoHeader = 1,     // the first header bytes cannot be read (empty or short file)
    kDbfNoMemory = 2,     // no memory for the record buffer or the field table
    kDbfCannotOpen = 3,   // the file cannot be opened or created
    kDbfWriteFailed = 4,  // a record or the header cannot be written
    kDbfNoSuchRecord = 5, // go to a record number outside 0 .. record count - 1
    kDbfNoSuchField = 6,  // a field name is not found (only while no other code is stored)
    kDbfNoValue = 7,      // a field's text at end of file or of an invalid field index
    kDbfBadHeader = 8,    // no dBASE file, or a header that disagrees with the file's size
    kDbfReadFailed = 9,   // a record cannot be read (the file shrank while open)
    kDbfNotRegular = 10,  // the name is a directory, FIFO, device or the like
    kDbfNotNumeric = 20,  // a number set on a field whose type is not "N"
};

struct tDbfField {
    std::string name; // at most 10 characters
    char type = 'C';
    int length = 0;
    int decimals = 0;
    int offset = 0; // in the record, after the flag byte
};

// The field list of a new file.
class tCreateDBF {
public:
    static constexpr int kMaxFields = 256;
    static constexpr int kMaxFieldLength = 254;

    // The name is cut at 10 characters and upper-cased, as is the type.  False (nothing added)
    // when the list is full, the name empty, the length outside 1 to 254 or decimals outside
    // 0 to 254.
    bool addField(std::string_view name, char type, int length, int decimals = 0);
    const std::vector<tDbfField> &fields() const { return fields_; }
    int headerLength() const { return 32 * ((int)fields_.size() + 1) + 1; }
    int recordLength() const;

    // The bytes create() writes: header, descriptors, 0x0D and 0x1A; dated today.
    std::vector<unsigned char> fileBytes() const;
    // Writes them under a temporary name beside fileName and renames that to fileName,
    // replacing a file of that name: 0, or kDbfCannotOpen / kDbfWriteFailed with no file made
    // (kDbfBadHeader for a list without fields).
    int create(const std::string &fileName) const;

private:
    std::vector<tDbfField> fields_;
};

// One open dBASE file with one current record.  Records are written back when another record is
// selected, a record is appended, on writeRecord() and at close.
class tDBF {
public:
    tDBF() = default;
    virtual ~tDBF();
    tDBF(const tDBF &) = delete;
    tDBF &operator=(const tDBF &) = delete;

    // Opens an existing file for reading and writing (reading only where writing is not
    // allowed) with record 0 current.  False, with the code reported, when it cannot be opened
    // or its header is not sound.
    bool open(const std::string &fileName);
    // Creates a file with the layout under a temporary name beside fileName and opens it; the
    // file gets its name at close(), and only when every write succeeded.
    bool openNew(const tCreateDBF &layout, const std::string &fileName);
    // Writes back a modified record and closes.  False when any write since opening failed; a
    // file of openNew() is then removed instead of named.
    bool close();
    // Closes without writing back the current record; a file of openNew() is removed.
    void discard();
    bool isOpen() const { return fd_ >= 0; }

    long recordCount() const { return count_; }
    long recordNumber() const { return current_; }
    bool eof() const { return current_ >= count_; }
    // Appends a blank record and makes it current.
    bool append();
    // Makes record n (from 0) current; kDbfNoSuchRecord outside 0 .. count - 1.
    bool goTo(long n);
    // Writes the current record back if it was modified.
    bool writeRecord();
    // Whether the current record carries the deletion flag "*"; importers skip those.
    bool isDeleted() const;

    int fieldCount() const { return (int)fields_.size(); }
    const tDbfField &field(int index) const { return fields_[index]; }
    // Exact name comparison, from the last field to the first; -1 when absent.
    int findField(std::string_view name);

    // The field's bytes without trailing blanks, unconverted; "" (kDbfNoValue) at end of file
    // or for an invalid index.
    std::string getText(int index);
    // Stored text in Windows-1252, by the header's language driver: 0x03 and 0x57 (Windows ANSI)
    // as it stands, 0x01 from code page 437, anything else (0x02, 0) from code page 850.
    std::string systemText(std::string_view stored) const;
    unsigned char languageDriver() const { return languageDriver_; }
    // Copies at most the field's length and pads with blanks; ignored for an invalid index or at
    // end of file.
    void setText(int index, std::string_view text);
    // Type "N" only (others give 0): the text as a decimal integer, leading blanks and a sign
    // allowed.
    long getNumber(int index);
    // Type "N" only (else kDbfNotNumeric): right-aligned, a row of "*" when it does not fit.
    void setNumber(int index, long value);

    int lastError() const { return lastError_; }
    void clearError() { lastError_ = 0; }
    int headerLength() const { return headerLength_; }
    int recordLength() const { return recordLength_; }

protected:
    // Every failure passes its code here; this one stores it as the last error.
    virtual void error(int code) { lastError_ = code; }

private:
    bool openFd(const std::string &path);
    bool readHeader();
    bool readFields(long fileSize);
    bool readRecord(long n);
    bool writeHeader();
    void fail(int code);
    void blankRecord();
    void reset();

    int fd_ = -1;
    bool readOnly_ = false;
    bool writeFailed_ = false;
    std::string tempName_; // set while a file of openNew() lies under its temporary name
    tExportTarget target_; // the file it replaces at close (links followed)
    unsigned char header_[16] = {};
    unsigned char languageDriver_ = 0;
    long count_ = 0;
    int headerLength_ = 0;
    int recordLength_ = 0;
    std::vector<tDbfField> fields_;
    std::vector<char> record_;
    long current_ = 0;
    bool modified_ = false;
    int lastError_ = 0;
};

// A handle on one field of an open file, found by its name when bound.  Its type and length are
// those of the field in a new file (a handle only read with may leave the length 0).
class tFeld {
public:
    tFeld(std::string name, char type, int length)
        : name_(std::move(name)), type_(type), length_(length)
    {}
    virtual ~tFeld() = default;

    // Binds the handle to the field of that name in file (index -1 when the file has none).
    int bind(tDBF &file);
    int index() const { return index_; }
    const std::string &name() const { return name_; }
    char type() const { return type_; }
    int length() const { return length_; }

protected:
    tDBF *file_ = nullptr;
    int index_ = -1;
    std::string name_;
    char type_;
    int length_;
};

// Text held in Windows-1252 here and in code page 850 in the file, accent escapes applied on
// the way in.  An unbound or absent field reads as "" and ignores writes.
class tCharField : public tFeld {
public:
    explicit tCharField(std::string name, int length = 0) : tFeld(std::move(name), 'C', length) {}
    std::string get();
    void set(std::string_view cp1252);
};

// An integer; an absent field reads as 0, and a number set on it reports kDbfNotNumeric.
class tNumField : public tFeld {
public:
    explicit tNumField(std::string name, int length = 0) : tFeld(std::move(name), 'N', length) {}
    long get();
    void set(long value);
};

// A file of one known layout whose fields are handles of the derived class, bound whenever a
// file is opened or created.
class tBoundDBF : public tDBF {
public:
    // Opens an existing file and binds the fields; false when it cannot be opened.
    bool openFile(const std::string &fileName);
    // A new file with the layout (named at close, see openNew).
    bool createFile(const std::string &fileName);

protected:
    // The handles in the order of the fields of a new file.
    virtual std::vector<tFeld *> handles() = 0;
    // The layout of a new file: the handles with their types and lengths.
    tCreateDBF handleLayout();

private:
    void bindAll();
};

} // namespace velk

#endif

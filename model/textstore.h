// The text store: texts of any length up to the store's limit, kept in one
// variable-length file set per database ("blob.mp"/"blob.st").
//
// Text record: bytes 0..15 the text ID padded with spaces, then the text
// and its terminating zero byte.  The counter record has the key
// "########" and holds the last ID handed out: 8 characters and a zero.
#ifndef VELK_MODEL_TEXTSTORE_H
#define VELK_MODEL_TEXTSTORE_H

#include <string>

struct Bt3File;

namespace velk {

constexpr int kTextKeySize = 16;
// The store takes records of at most 10000 bytes with its length word and
// the record serial; key and terminator leave this much for the text.
constexpr int kTextMaxLength = 10000 - 8 - kTextKeySize - 1;

class tTextStore {
public:
    tTextStore() = default;
    tTextStore(const tTextStore &) = delete;
    tTextStore &operator=(const tTextStore &) = delete;
    ~tTextStore();

    int create(const char *basePath);
    int open(const char *basePath);
    void close();
    bool isOpen() const { return fd_ != nullptr; }

    // The next ID into id (8 characters and a terminator); false when the
    // counter stays locked by another process or cannot be stored.
    bool newTextId(char *id);
    // Takes a new ID into id (empty when none could be taken) and stores the
    // text under it; true when stored.
    bool addText(const char *text, char *id);
    // Rewrites the text of that ID (adds it when the ID has no record).
    bool writeText(const char *id, const char *text);
    // Bytes copied, terminator included, at most size; 0 for an unknown ID.
    int readText(const char *id, char *buffer, int size);
    // Stored length with the terminator; 0 for an unknown ID.
    int textLength(const char *id);
    bool deleteText(const char *id);

    // Holds the store's files for reading until release (tTextReadHold below); answers what to
    // give to release, 0 when nothing could be held.
    int holdForReading();
    void release(int held);

private:
    int findById(const char *id); // the record's length, 0 when none
    int build(const char *id, const char *text);

    Bt3File *fd_ = nullptr;
    char *buf_ = nullptr;
};

// Keeps the text store locked for reading across many reads (a search reading every task's
// comment): one lock and one header read instead of one per text.  Readers do not wait for each
// other; a writer waits until the hold ends.  Never hold it while waiting on the user.
class tTextReadHold {
public:
    explicit tTextReadHold(tTextStore *store)
        : store_(store), held_(store ? store->holdForReading() : 0)
    {}
    ~tTextReadHold()
    {
        if (store_) store_->release(held_);
    }
    tTextReadHold(const tTextReadHold &) = delete;
    tTextReadHold &operator=(const tTextReadHold &) = delete;

private:
    tTextStore *store_;
    int held_;
};

// The value a text field exchanges with its owners.
struct tTextValue {
    bool modified = false;
    char id[9] = "";
    bool hasText = false;
    std::string text;
};

} // namespace velk

#endif

// row_store.h - the reads and writes of a keyed table, written once over a row type and the
// mapping that ties it to its table.
//
// A mapping M derives from tRowOf<Row, Table> (the row value and its table class,
// model/tables.h) and says:
//   static constexpr std::tuple columns      the row's fields and the table's fields they are
//                                            stored in: column(&Row::X, &Table::Y) each, or
//                                            VELK_COLUMNS(X, ...) for fields of the same name
// and, where it applies:
//   static tTextValue &comment(Row &)        a comment kept in the text store, through the
//                                            table's text field COMMENT
//   static constexpr bool kWalksSkipCommentText
//                                            a walk brings the comment's ID only, a find its text
//   static constexpr bool kRefusalDropsText  an insert the table refuses deletes the comment
//                                            text it has just stored (the comment stays to be
//                                            stored again)
//
// A column stores a text (char array) in a C field, a one-letter code (char, a blank when the
// field is empty) in a C field, a number in a U field, a date in a D field and the time of a
// tDateTime in a T field (its date in a D field).
//
// Every table has the unique ID field and index 0 on it.  Walks answer the record number of the
// row they filled, 0 at the end; a step goes on from the record the previous step answered, and
// from the key the row still holds when that record was deleted meanwhile (walk.h).
#ifndef VELK_BASE_ROW_STORE_H
#define VELK_BASE_ROW_STORE_H

#include "base/date.h"
#include "base/store_status.h"
#include "base/walk.h"
#include "model/blob.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace velk {

// One field of a row and the field of the table that stores it.
template <class Row, class Value, class Table, class Field>
struct tColumn {
    Value Row::*value;
    Field Table::*field;
};

template <class Row, class Value, class Table, class Field>
constexpr tColumn<Row, Value, Table, Field> column(Value Row::*value, Field Table::*field)
{
    return {value, field};
}

// Column X of the same name in the row and the table, for each name given.
#define VELK_COLUMNS(...) VELK_COLUMNS_MORE(VELK_COLUMNS_EACH(__VA_ARGS__))
#define VELK_COLUMN(X) ::velk::column(&Row::X, &Table::X)
// Rescans the list until every name is expanded (up to 14 names).
#define VELK_COLUMNS_MORE(...)                                                                     \
    VELK_COLUMNS_MORE3(VELK_COLUMNS_MORE3(VELK_COLUMNS_MORE3(__VA_ARGS__)))
#define VELK_COLUMNS_MORE3(...)                                                                    \
    VELK_COLUMNS_MORE1(VELK_COLUMNS_MORE1(VELK_COLUMNS_MORE1(__VA_ARGS__)))
#define VELK_COLUMNS_MORE1(...) __VA_ARGS__
#define VELK_COLUMNS_EACH(X, ...)                                                                  \
    VELK_COLUMN(X) __VA_OPT__(, VELK_COLUMNS_AGAIN VELK_COLUMNS_PARENS(__VA_ARGS__))
#define VELK_COLUMNS_PARENS ()
#define VELK_COLUMNS_AGAIN() VELK_COLUMNS_EACH

// A comment typed anew: written with its row, where an empty one removes the stored text.
inline void setCommentText(tTextValue &comment, std::string_view text)
{
    comment.text = std::string(text);
    comment.hasText = !text.empty();
    comment.modified = true;
}

// What every mapping has: its row, its table and the table's object of the process (null when
// the table is not open).
template <class R, class T>
struct tRowOf {
    using Row = R;
    using Table = T;
    static Table *table() { return T::instance(); }
};

// The value of a column into its field and back (the kinds of row_store.h).
inline void putColumn(tDBCharField &f, const char *text) { f.setText(text); }
inline void putColumn(tDBCharField &f, char code)
{
    const char text[2] = {code, 0};
    f.setText(text);
}
inline void putColumn(tDBUIntField &f, unsigned long n) { f.setNumber(n); }
inline void putColumn(tDBDateField &f, const tDate &d) { f.setDate(d.day, d.month, d.year); }
inline void putColumn(tDBTimeField &f, const tDateTime &t) { f.setTime(t.hour, t.minute); }

template <std::size_t N>
void getColumn(tDBCharField &f, char (&text)[N])
{
    copyText(text, f.getText());
}
inline void getColumn(tDBCharField &f, char &code)
{
    const char *text = f.getText();
    code = text[0] ? text[0] : ' ';
}
inline void getColumn(tDBUIntField &f, unsigned long &n) { n = f.getNumber(); }
inline void getColumn(tDBDateField &f, tDate &d) { f.getDate(&d.day, &d.month, &d.year); }
inline void getColumn(tDBTimeField &f, tDateTime &t) { f.getTime(&t.hour, &t.minute); }

// An add's or a rewrite's answer from the engine (model/table.h) as a status.
inline tStoreStatus writtenStatus(int engineAnswer)
{
    if (engineAnswer == 0) return tStoreStatus::Duplicate;
    return engineAnswer > 0 ? tStoreStatus::Stored : tStoreStatus::Failed;
}

template <class M>
class tRowStore {
public:
    using Row = typename M::Row;
    using Table = typename M::Table;
    static constexpr bool hasComment = requires(Row & r) { M::comment(r); };

    // The row's fields into the working record (the comment apart).
    static void put(Table &t, const Row &r)
    {
        std::apply([&](const auto &...c) { (putColumn(t.*c.field, r.*c.value), ...); }, M::columns);
    }

    // The working record's fields into the row; `found` for a find by ID, else a walk.
    static void get(Table &t, Row &r, bool found = false)
    {
        std::apply([&](const auto &...c) { (getColumn(t.*c.field, r.*c.value), ...); }, M::columns);
        if constexpr (hasComment) {
            tTextValue &comment = M::comment(r);
            if (found || !walksSkipCommentText()) {
                comment = t.COMMENT.getValue();
            } else {
                comment = tTextValue();
                copyText(comment.id, t.COMMENT.getText());
            }
        }
    }

    // The row of `id` by index 0 into the working record; false when there is none.
    static bool seekId(Table &t, std::string_view id)
    {
        if (!t.selectIndex(0)) return false;
        t.rec.clear();
        t.ID.setText(std::string(id).c_str());
        return t.rec.find();
    }

    // The record after `cursor` in index `key` into the working record; `last` is the row the
    // walk stood on, whose key the walk goes on from should that record be gone.
    static long resume(Table &t, const Row &last, int key, long cursor)
    {
        t.rec.clear();
        if (key == 0)
            t.ID.setText(last.ID); // index 0 is the ID alone
        else
            put(t, last);
        return walkNext(t, t.rec, key, cursor);
    }

    // Walks the table in the order of index `key`, each step filling r.
    static long first(Row &r, int key = 0)
    {
        Table *t = M::table();
        long cur = t ? walkFirst(*t, t->rec, key) : 0;
        if (cur) get(*t, r);
        return cur;
    }

    static long next(Row &r, long cursor, int key = 0)
    {
        Table *t = M::table();
        long cur = t ? resume(*t, r, key, cursor) : 0;
        if (cur) get(*t, r);
        return cur;
    }

    // Every row in the order of index `key`, the table held for the walk.
    static std::vector<Row> all(int key = 0)
    {
        std::vector<Row> out;
        tTableHold hold(M::table(), tTableHold::Read);
        Row r;
        for (long c = first(r, key); c; c = next(r, c, key)) out.push_back(r);
        return out;
    }

    // Exact search by ID; false (r unchanged) when there is no such row.
    static bool find(Row &r, std::string_view id)
    {
        Table *t = M::table();
        if (!t || !seekId(*t, id)) return false;
        get(*t, r, true);
        return true;
    }

    // Stores r as a new row; Duplicate when its ID is taken.  R is Row, or const Row for a
    // mapping without a comment.
    template <class R>
    static tStoreStatus insert(R &r)
    {
        Table *t = M::table();
        if (!t) return tStoreStatus::NoTable;
        t->rec.clear();
        put(*t, r);
        if constexpr (hasComment) {
            tTextValue &comment = M::comment(r);
            const bool newText = comment.modified && !comment.id[0];
            if (!putComment(*t, comment)) return tStoreStatus::Failed;
            tStoreStatus status = writtenStatus(t->add(t->rec));
            if (status != tStoreStatus::Stored && dropsText() && newText && comment.id[0]) {
                if (tTextStore *store = tBlob::instance().textStore())
                    store->deleteText(comment.id);
                comment.id[0] = 0;
                comment.modified = true;
            }
            return status;
        } else {
            return writtenStatus(t->add(t->rec));
        }
    }

    // Rewrites the row of oldId with r (its ID may change); NotFound when oldId is not stored,
    // Duplicate when the new ID is taken.
    template <class R>
    static tStoreStatus update(std::string_view oldId, R &r)
    {
        Table *t = M::table();
        if (!t) return tStoreStatus::NoTable;
        if (!seekId(*t, oldId)) return tStoreStatus::NotFound;
        put(*t, r);
        if constexpr (hasComment)
            if (!putComment(*t, M::comment(r))) return tStoreStatus::Failed;
        return writtenStatus(t->rewrite(t->rec));
    }

    // Deletes the row of `id` (and the texts of its text fields, model/table.h).
    static tStoreStatus remove(std::string_view id)
    {
        Table *t = M::table();
        if (!t) return tStoreStatus::NoTable;
        if (!seekId(*t, id)) return tStoreStatus::NotFound;
        return t->rec.remove() ? tStoreStatus::Stored : tStoreStatus::Failed;
    }

    static long count()
    {
        Table *t = M::table();
        return t ? t->recordCount() : 0;
    }

private:
    static constexpr bool dropsText()
    {
        if constexpr (requires { M::kRefusalDropsText; })
            return M::kRefusalDropsText;
        else
            return false;
    }

    static constexpr bool walksSkipCommentText()
    {
        if constexpr (requires { M::kWalksSkipCommentText; })
            return M::kWalksSkipCommentText;
        else
            return false;
    }

    // Puts the comment into the working record.  A modified, empty comment deletes its stored
    // text and leaves the field empty; any other goes through the text field.  False when the
    // text could not be stored (the comment stays modified).
    static bool putComment(Table &t, tTextValue &comment)
    {
        if (comment.modified && comment.text.empty()) {
            if (comment.id[0]) {
                tTextStore *store = tBlob::instance().textStore();
                if (store) store->deleteText(comment.id);
                comment.id[0] = 0;
            }
            comment.hasText = false;
            comment.modified = false;
            t.COMMENT.setEmpty();
            return true;
        }
        t.COMMENT.setValue(comment);
        return !comment.modified;
    }
};

} // namespace velk

#endif

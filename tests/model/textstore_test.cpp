// The text store and the text fields built on it.
#include "model_support.h"

#include "model/textstore.h"

#include <string>

using namespace velk;

namespace {

std::string longText(size_t n)
{
    std::string s;
    for (size_t i = 0; s.size() < n; i++)
        s += "Zeile " + std::to_string(i) + ": \xe4\xf6\xfc \x80 Text\r\n";
    s.resize(n);
    return s;
}

tTextValue value(const std::string &text)
{
    tTextValue v;
    v.modified = v.hasText = true;
    v.text = text;
    return v;
}

} // namespace

TEST_F(ModelTest, TextsRoundTripUpToTheLimit)
{
    tTextStore *store = tBlob::instance().textStore();
    ASSERT_NE(store, nullptr);
    char id[9];
    ASSERT_TRUE(store->addText("erste", id));
    EXPECT_STREQ(id, "00000001") << "a new store starts with its counter";
    ASSERT_TRUE(store->addText("zweite", id));
    EXPECT_STREQ(id, "00000002");

    for (size_t n : {size_t(9000), size_t(kTextMaxLength)}) {
        std::string text = longText(n);
        ASSERT_TRUE(store->addText(text.c_str(), id)) << n;
        ASSERT_EQ(store->textLength(id), (int)n + 1);
        std::string back(n + 1, 'x');
        EXPECT_EQ(store->readText(id, back.data(), (int)n + 1), (int)n + 1);
        EXPECT_EQ(back, text + '\0');
    }
    char small[6];
    EXPECT_EQ(store->readText("00000001", small, sizeof small), 6);
    EXPECT_STREQ(small, "erste");
    EXPECT_EQ(store->readText("00000001", small, 3), 3);
    EXPECT_STREQ(small, "er") << "a cut text stays terminated";

    EXPECT_EQ(store->readText("ZZZZZZZZ", small, sizeof small), 0);
    EXPECT_EQ(store->textLength("ZZZZZZZZ"), 0);
    EXPECT_FALSE(store->deleteText("ZZZZZZZZ"));
    EXPECT_TRUE(store->writeText("00000001", "neu"));
    EXPECT_EQ(store->textLength("00000001"), 4);
    EXPECT_TRUE(store->deleteText("00000001"));
    EXPECT_EQ(store->textLength("00000001"), 0);

    std::string tooLong = longText(kTextMaxLength + 1);
    char none[9] = "x";
    EXPECT_FALSE(store->addText(tooLong.c_str(), none));
    EXPECT_STREQ(none, "") << "a text the store cannot take costs no ID";
    ASSERT_TRUE(store->addText("danach", id));
    EXPECT_STREQ(id, "00000005");
}

TEST_F(ModelTest, TextFieldsStoreOnlyModifiedTexts)
{
    tTaskTable *t = tTaskTable::instance();
    ASSERT_NE(t, nullptr);
    tTextStore *store = tBlob::instance().textStore();
    t->rec.clear();
    EXPECT_FALSE(t->COMMENT.getValue().hasText) << "8 spaces: no text";

    tTextValue v = value("Angebot\nschreiben");
    t->COMMENT.setValue(v);
    EXPECT_FALSE(v.modified);
    EXPECT_STREQ(v.id, "00000001");
    EXPECT_EQ(std::string(t->rec.data() + 90, 8), "00000001");
    tTextValue back = t->COMMENT.getValue();
    EXPECT_TRUE(back.hasText);
    EXPECT_FALSE(back.modified);
    EXPECT_EQ(back.text, "Angebot\nschreiben");

    // not modified: only the ID is copied, the store is untouched
    tTextValue stale;
    std::snprintf(stale.id, sizeof stale.id, "%s", "00000001");
    stale.hasText = true;
    stale.text = "nicht gespeichert";
    t->COMMENT.setValue(stale);
    EXPECT_EQ(t->COMMENT.getValue().text, "Angebot\nschreiben");

    back.text = "Angebot verschickt";
    back.modified = true;
    t->COMMENT.setValue(back);
    EXPECT_FALSE(back.modified);
    EXPECT_STREQ(back.id, "00000001") << "rewritten under its ID";
    EXPECT_EQ(t->COMMENT.getValue().text, "Angebot verschickt");

    tTextValue huge = value(std::string(kTextMaxLength + 1, 'x'));
    t->rec.clear();
    t->COMMENT.setValue(huge);
    EXPECT_TRUE(huge.modified) << "refused: still to be stored";
    EXPECT_EQ(std::string(t->rec.data() + 90, 8), "        ");
    EXPECT_EQ(store->textLength("00000002"), 0) << "no ID taken for it";
}

TEST_F(ModelTest, ANewStoreHoldsItsCounterAndAMissingOneStartsAgain)
{
    tTextStore *store = tBlob::instance().textStore();
    ASSERT_NE(store, nullptr);
    char counter[16];
    EXPECT_EQ(store->readText("########", counter, sizeof counter), 9);
    EXPECT_STREQ(counter, "00000000");
    ASSERT_TRUE(store->deleteText("########"));
    char id[9];
    ASSERT_TRUE(store->addText("erste", id));
    EXPECT_STREQ(id, "00000000") << "the counter is made with the first ID";
    ASSERT_TRUE(store->addText("zweite", id));
    EXPECT_STREQ(id, "00000001");
}

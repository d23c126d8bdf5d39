// Stored encodings of the field kinds and the record's by-name access.
#include "model_support.h"

#include <cstring>
#include <string>

using namespace velk;

namespace {

std::string bytes(tRecord &rec, int offset, int length)
{
    return std::string(rec.data() + offset, length);
}

} // namespace

TEST_F(ModelTest, DatesAndTimesAreStoredAsDigits)
{
    tTermTable *t = tTermTable::instance();
    ASSERT_NE(t, nullptr);
    t->rec.clear();
    EXPECT_EQ(bytes(t->rec, 48, 8), "        ") << "an empty date is spaces";
    t->FROMDATE.setDate(7, 3, 1996);
    t->FROMTIME.setTime(9, 5);
    EXPECT_EQ(bytes(t->rec, 48, 12), "199603070905");
    int d, m, y, h, min;
    t->FROMDATE.getDate(&d, &m, &y);
    t->FROMTIME.getTime(&h, &min);
    EXPECT_EQ(d * 10000 + m * 100 + y % 100, 70396);
    EXPECT_EQ(h * 100 + min, 905);

    t->TILLDATE.getDate(&d, &m, &y);
    EXPECT_EQ(d + m + y, 0) << "spaces read as 0";
    std::memcpy(t->rec.data() + 60, " 812 3 4", 8);
    t->TILLDATE.getDate(&d, &m, &y);
    EXPECT_EQ(y, 812);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(d, 4);
}

TEST_F(ModelTest, TextsAreCutAndPadded)
{
    tPersTable *p = tPersTable::instance();
    ASSERT_NE(p, nullptr);
    p->rec.clear();
    p->NAME.setText("0123456789");
    EXPECT_STREQ(p->NAME.getText(), "0123456789");
    EXPECT_EQ(bytes(p->rec, 8, 25), "0123456789               ");
    p->NAME.setText("abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_STREQ(p->NAME.getText(), "abcdefghijklmnopqrstuvwxy");
    EXPECT_EQ(bytes(p->rec, 33, 1), " ") << "the next field is untouched";
    p->NAME.setText("short");
    EXPECT_STREQ(p->NAME.getText(), "short") << "set text clears the field first";

    // by name: copies at most the length and leaves the rest of the field
    p->rec.setField("TEL", "0711 12345");
    p->rec.setField("TEL", "0228");
    EXPECT_EQ(std::string(p->rec.getField("TEL")), "0228 12345" + std::string(20, ' '));
    EXPECT_STREQ(p->rec.getField("NOSUCH"), "");
    p->rec.setField("NOSUCH", "x");
    EXPECT_EQ(std::string(p->rec.data(), p->rec.size()).find('x'), std::string::npos);
}

TEST_F(ModelTest, NumbersModuloTheWidthAndNonDigitsAsZero)
{
    tTaskTable *t = tTaskTable::instance();
    ASSERT_NE(t, nullptr);
    t->rec.clear();
    t->TIME.setNumber(42);
    EXPECT_EQ(bytes(t->rec, 74, 8), "00000042");
    t->TIME.setNumber(1234567890);
    EXPECT_EQ(bytes(t->rec, 74, 8), "34567890");
    EXPECT_EQ(t->TIME.getNumber(), 34567890u);
    std::memcpy(t->rec.data() + 74, "      12", 8);
    EXPECT_EQ(t->TIME.getNumber(), 12u);
    std::memcpy(t->rec.data() + 74, "00001a2 ", 8);
    EXPECT_EQ(t->TIME.getNumber(), 1020u);
}

TEST_F(ModelTest, AFieldUnknownToTheDictionaryIsInert)
{
    tResTable *r = tResTable::instance();
    ASSERT_NE(r, nullptr);
    r->rec.clear();
    tDBUIntField missing(&r->rec, "NOSUCH");
    missing.setNumber(77);
    missing.setText("zz");
    EXPECT_EQ(missing.getNumber(), 0u);
    EXPECT_STREQ(missing.getText(), "");
    EXPECT_EQ(std::string(r->rec.data(), r->rec.size()), std::string(48, ' '));
}

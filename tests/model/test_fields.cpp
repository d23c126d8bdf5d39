/* Stored encodings of the field kinds and the record's by-name access. */
#include "model_support.h"

#include <cstring>
#include <string>

namespace {

std::string bytes(tRecord &rec, int offset, int length) { return std::string(rec.Data() + offset, length); }

} // namespace

TEST_F(ModelTest, DatesAndTimesAreStoredAsDigits)
{
    tTermTable *t = tTermTable::Instance();
    ASSERT_NE(t, nullptr);
    t->rec.Clear();
    EXPECT_EQ(bytes(t->rec, 48, 8), "        ") << "an empty date is spaces";
    t->FROMDATE.SetDate(7, 3, 1996);
    t->FROMTIME.SetTime(9, 5);
    EXPECT_EQ(bytes(t->rec, 48, 12), "199603070905");
    int d, m, y, h, min;
    t->FROMDATE.GetDate(&d, &m, &y);
    t->FROMTIME.GetTime(&h, &min);
    EXPECT_EQ(d * 10000 + m * 100 + y % 100, 70396);
    EXPECT_EQ(h * 100 + min, 905);

    t->TILLDATE.GetDate(&d, &m, &y);
    EXPECT_EQ(d + m + y, 0) << "spaces read as 0";
    std::memcpy(t->rec.Data() + 60, " 812 3 4", 8);
    t->TILLDATE.GetDate(&d, &m, &y);
    EXPECT_EQ(y, 812);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(d, 4);
}

TEST_F(ModelTest, TextsAreCutAndPadded)
{
    tPersTable *p = tPersTable::Instance();
    ASSERT_NE(p, nullptr);
    p->rec.Clear();
    p->NAME.SetText("0123456789");
    EXPECT_STREQ(p->NAME.GetText(), "0123456789");
    EXPECT_EQ(bytes(p->rec, 8, 25), "0123456789               ");
    p->NAME.SetText("abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_STREQ(p->NAME.GetText(), "abcdefghijklmnopqrstuvwxy");
    EXPECT_EQ(bytes(p->rec, 33, 1), " ") << "the next field is untouched";
    p->NAME.SetText("short");
    EXPECT_STREQ(p->NAME.GetText(), "short") << "set text clears the field first";

    /* by name: copies at most the length and leaves the rest of the field */
    p->rec.SetField("TEL", "0711 12345");
    p->rec.SetField("TEL", "0228");
    EXPECT_EQ(std::string(p->rec.GetField("TEL")), "0228 12345" + std::string(20, ' '));
    EXPECT_STREQ(p->rec.GetField("NOSUCH"), "");
    p->rec.SetField("NOSUCH", "x");
    EXPECT_EQ(std::string(p->rec.Data(), p->rec.Size()).find('x'), std::string::npos);
}

TEST_F(ModelTest, NumbersModuloTheWidthAndNonDigitsAsZero)
{
    tTaskTable *t = tTaskTable::Instance();
    ASSERT_NE(t, nullptr);
    t->rec.Clear();
    t->TIME.SetNumber(42);
    EXPECT_EQ(bytes(t->rec, 74, 8), "00000042");
    t->TIME.SetNumber(1234567890);
    EXPECT_EQ(bytes(t->rec, 74, 8), "34567890");
    EXPECT_EQ(t->TIME.GetNumber(), 34567890u);
    std::memcpy(t->rec.Data() + 74, "      12", 8);
    EXPECT_EQ(t->TIME.GetNumber(), 12u);
    std::memcpy(t->rec.Data() + 74, "00001a2 ", 8);
    EXPECT_EQ(t->TIME.GetNumber(), 1020u);
}

TEST_F(ModelTest, AFieldUnknownToTheDictionaryIsInert)
{
    tResTable *r = tResTable::Instance();
    ASSERT_NE(r, nullptr);
    r->rec.Clear();
    tDBUIntField missing(&r->rec, "NOSUCH");
    missing.SetNumber(77);
    missing.SetText("zz");
    EXPECT_EQ(missing.GetNumber(), 0u);
    EXPECT_STREQ(missing.GetText(), "");
    EXPECT_EQ(std::string(r->rec.Data(), r->rec.Size()), std::string(48, ' '));
}

// The conversion between the interface's strings and stored Windows-1252 text.
#include <gtest/gtest.h>

#include "shell/ui/cp1252.h"

using velk::fromCp1252;
using velk::toCp1252;

TEST(Cp1252, EveryByteSurvivesTheRoundTrip)
{
    for (int b = 1; b < 256; ++b) {
        std::string one(1, char(b));
        QString text = fromCp1252(one);
        ASSERT_EQ(text.size(), 1) << b;
        EXPECT_EQ(toCp1252(text), one) << "byte " << b;
    }
}

TEST(Cp1252, TheCodePagesOwnCharacters)
{
    EXPECT_EQ(fromCp1252(std::string("\x80")), QStringLiteral("€"));
    EXPECT_EQ(fromCp1252(std::string("\x84\x93")), QStringLiteral("„“"));
    EXPECT_EQ(fromCp1252(std::string("\x8a\x9a\x9f")), QStringLiteral("ŠšŸ"));
    EXPECT_EQ(toCp1252(QStringLiteral("Grüße – €5")), std::string("Gr\xfc\xdf"
                                                                  "e \x96 \x80"
                                                                  "5"));
    EXPECT_EQ(toCp1252(QStringLiteral("…‰™")), std::string("\x85\x89\x99"));
}

TEST(Cp1252, LatinOneOutsideTheHighBlock)
{
    EXPECT_EQ(fromCp1252(std::string("\xe4\xf6\xfc\xc4\xd6\xdc\xdf\xa0\xff")),
              QStringLiteral("äöüÄÖÜß\u00a0ÿ"));
    EXPECT_EQ(fromCp1252("Abc"), QStringLiteral("Abc"));
    EXPECT_EQ(fromCp1252(static_cast<const char *>(nullptr)), QString());
}

TEST(Cp1252, UnmappableCharactersBecomeOneQuestionMarkEach)
{
    EXPECT_EQ(toCp1252(QStringLiteral("a\u0100b")), "a?b");         // Ā
    EXPECT_EQ(toCp1252(QStringLiteral("\u4e2d\u6587")), "??");      // two CJK characters
    EXPECT_EQ(toCp1252(QString::fromUcs4(U"x\U0001F600y")), "x?y"); // one character, two units
    QString lone;
    lone.append(QChar(0xD800));
    EXPECT_EQ(toCp1252(lone), "?");
}

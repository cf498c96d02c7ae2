#include "platform/text_characters.h"

#include <gtest/gtest.h>

namespace {

TEST(TextCharacters, SplitKeepsMarksAndModifiersWithTheirCharacter)
{
    const QString text = QString::fromUtf8("e\u0301x👍🏽1");
    const QStringList characters = TextCharacters::split(text);
    ASSERT_EQ(characters.size(), 4);
    EXPECT_EQ(characters[0], QString::fromUtf8("e\u0301"));
    EXPECT_EQ(characters[1], QStringLiteral("x"));
    EXPECT_EQ(characters[2], QString::fromUtf8("👍🏽"));
    EXPECT_EQ(characters[3], QStringLiteral("1"));
    EXPECT_EQ(characters.join(QString()), text);
    EXPECT_EQ(TextCharacters::count(text), 4);
    EXPECT_EQ(TextCharacters::prefix(text, 2), QString::fromUtf8("e\u0301x"));
}

TEST(TextCharacters, EmptyTextHasNoCharacters)
{
    EXPECT_TRUE(TextCharacters::split(QString()).isEmpty());
    EXPECT_EQ(TextCharacters::count(QString()), 0);
}

}  // namespace

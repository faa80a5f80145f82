#include "framework/archive.h"

#include <gtest/gtest.h>

namespace corvane::fw {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A wide text as a wide-character build of the framework writes it: 0xFF, 0xFFFE, the count of
// UTF-16 units, then the units, low byte first.
Bytes WideText(std::u16string_view text) {
    Bytes bytes = {0xFF, 0xFE, 0xFF, static_cast<std::uint8_t>(text.size())};
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

TEST(Archive, wideTextsAreConvertedToTheCodePageWhereAsked) {
    Bytes file = WideText(u"25 \u00B0C \u20AC \u4E2D");
    file.push_back(0x01);  // the next value is read from where the wide text ended
    file.push_back('x');
    ArchiveReader converting(file, WideTexts::Convert);
    Bytes text;
    ASSERT_TRUE(converting.Text(text));
    EXPECT_EQ(text, (Bytes{'2', '5', ' ', 0xB0, 'C', ' ', 0x80, ' ', '?'}));
    ASSERT_TRUE(converting.Text(text));
    EXPECT_EQ(text, Bytes{'x'});
    EXPECT_TRUE(converting.AtEnd());

    ArchiveReader refusing(file);
    EXPECT_FALSE(refusing.Text(text));
}

TEST(Archive, aWideTextThatRunsPastTheEndFails) {
    Bytes file = WideText(u"abc");
    file.pop_back();
    ArchiveReader reader(file, WideTexts::Convert);
    Bytes text;
    EXPECT_FALSE(reader.Text(text));
    EXPECT_TRUE(reader.Failed());
    const Bytes nested = {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00};
    ArchiveReader twice(nested, WideTexts::Convert);
    EXPECT_FALSE(twice.Text(text)) << "a wide marker where its length should be";
}

TEST(Archive, lengthPrefixesGrowWithTheText) {
    for (const std::size_t length : {0u, 254u, 255u, 0xFFFDu, 0xFFFEu, 70000u}) {
        ArchiveWriter writer;
        writer.Text(Bytes(length, 'a'));
        ArchiveReader reader(writer.Bytes());
        Bytes text;
        ASSERT_TRUE(reader.Text(text)) << length;
        EXPECT_EQ(text.size(), length);
        EXPECT_TRUE(reader.AtEnd()) << length;
        const std::size_t prefix = length < 0xFF ? 1 : length < 0xFFFE ? 3 : 7;
        EXPECT_EQ(writer.Bytes().size(), prefix + length) << length;
    }
}

}  // namespace
}  // namespace corvane::fw

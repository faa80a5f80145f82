#include "framework/text_codec.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(TextCodec, degreeSignIsByteB0OnTheWire) {
    EXPECT_EQ(Utf8ToWire("°C"), (std::vector<std::uint8_t>{0xB0, 'C'}));
    const std::vector<std::uint8_t> wire{0xB0, 'F'};
    EXPECT_EQ(WireToUtf8(wire), "°F");
}

TEST(TextCodec, everyWireByteSurvivesARoundTrip) {
    std::vector<std::uint8_t> all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
    EXPECT_EQ(Utf8ToWire(WireToUtf8(all)), all);
}

TEST(TextCodec, codePageSpecialsMapBothWays) {
    EXPECT_EQ(WireByteToUtf8(0x80), "€");
    EXPECT_EQ(Utf8ToWire("€œ"), (std::vector<std::uint8_t>{0x80, 0x9C}));
}

TEST(TextCodec, unmappableAndMalformedTextBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToWire("a\xE2\x82"), (std::vector<std::uint8_t>{'a', '?', '?'}));
    EXPECT_EQ(Utf8ToWire("\xFF"), (std::vector<std::uint8_t>{'?'}));
    EXPECT_EQ(Utf8ToWire("Ω"), (std::vector<std::uint8_t>{'?'}));
    EXPECT_EQ(Utf8ToWire("😀x"), (std::vector<std::uint8_t>{'?', 'x'}));
    EXPECT_EQ(WireLength("é°x"), 3u);
}

}  // namespace
}  // namespace corvane

#include "text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "test_support.h"

namespace {

TEST(Trim, RemovesCharactersBelow33AtBothEnds) {
  EXPECT_EQ(kd::Trim("  a b \t\r\n"), "a b");
  EXPECT_EQ(kd::Trim(std::string("\x01x\x1F", 3)), "x");
  EXPECT_EQ(kd::Trim("   "), "");
  EXPECT_EQ(kd::Trim(""), "");
  // A non-breaking space (0xA0) is no blank.
  EXPECT_EQ(kd::Trim("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(UpperAscii, MapsOnlyAToZ) {
  EXPECT_EQ(kd::UpperAscii("lexware"), "LEXWARE");
  EXPECT_EQ(kd::UpperAscii("ja "), "JA ");
  EXPECT_EQ(kd::UpperAscii("\xE4\xF6\xFC.xls"), "\xE4\xF6\xFC.XLS");
}

struct IntCase {
  std::string text;
  std::int64_t value;
};

void PrintTo(const IntCase& c, std::ostream* os) {
  *os << "[" << kdtest::Printable(c.text) << "]";
}

class LeadingIntegerTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(LeadingIntegerTest, Reads) {
  EXPECT_EQ(kd::LeadingInteger(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, LeadingIntegerTest,
    ::testing::Values(IntCase{"12", 12}, IntCase{"  12abc", 12}, IntCase{"+7", 7},
                      IntCase{"-3", -3}, IntCase{"", 0}, IntCase{"abc", 0}, IntCase{"-", 0},
                      IntCase{"0", 0}, IntCase{"9998", 9998}, IntCase{"\t 42", 42},
                      IntCase{"1 2", 1}, IntCase{"00012", 12},
                      IntCase{"99999999999999999999999", std::numeric_limits<std::int64_t>::max()},
                      IntCase{"-99999999999999999999999",
                              std::numeric_limits<std::int64_t>::min()}));

struct SplitCase {
  std::string contents;
  std::vector<std::string> lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
  *os << "[" << kdtest::Printable(c.contents) << "]";
}

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLinesTest, SplitsAtEveryKindOfLineBreak) {
  const auto views = kd::SplitLines(GetParam().contents);
  const std::vector<std::string> lines(views.begin(), views.end());
  EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SplitLinesTest,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"a", {"a"}}, SplitCase{"a\r\n", {"a"}},
                      SplitCase{"a\r\nb", {"a", "b"}}, SplitCase{"a\nb\n", {"a", "b"}},
                      SplitCase{"a\rb\r", {"a", "b"}}, SplitCase{"\r\n", {""}},
                      SplitCase{"\r\r\r", {"", "", ""}}, SplitCase{"a\n\r\nb", {"a", "", "b"}},
                      SplitCase{"a\r\n\r\n", {"a", ""}},
                      SplitCase{std::string("x\0y\n", 4), {std::string("x\0y", 3)}}));

TEST(Padding, CutsAndFills) {
  EXPECT_EQ(kd::PadRight("abc", 5), "abc  ");
  EXPECT_EQ(kd::PadRight("abcdef", 3), "abc");
  EXPECT_EQ(kd::PadRightNoCut("abcdef", 3), "abcdef");
  EXPECT_EQ(kd::PadLeftNoCut("12", 5), "   12");
  EXPECT_EQ(kd::PadLeftNoCut("123456", 5), "123456");
}

TEST(Cut, StaysInsideTheText) {
  EXPECT_EQ(kd::Cut("abcdef", 2, 3), "bcd");
  EXPECT_EQ(kd::Cut("abcdef", 5, 10), "ef");
  EXPECT_EQ(kd::Cut("abcdef", 7, 1), "");
  EXPECT_EQ(kd::Cut("abcdef", 0, 2), "");
  EXPECT_EQ(kd::Cut("", 1, 1), "");
}

struct OemCase {
  unsigned char ansi;
  unsigned char oem;
};

void PrintTo(const OemCase& c, std::ostream* os) {
  *os << kdtest::Printable(std::string(1, static_cast<char>(c.ansi)));
}

class CharToOemTest : public ::testing::TestWithParam<OemCase> {};

TEST_P(CharToOemTest, MapsAsGermanWindows) {
  const std::string in(1, static_cast<char>(GetParam().ansi));
  const std::string out = kd::CharToOem(in);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(static_cast<unsigned char>(out[0]), GetParam().oem);
}

INSTANTIATE_TEST_SUITE_P(Umlauts, CharToOemTest,
                         ::testing::Values(OemCase{0xE4, 0x84},  // ä
                                           OemCase{0xF6, 0x94},  // ö
                                           OemCase{0xFC, 0x81},  // ü
                                           OemCase{0xC4, 0x8E},  // Ä
                                           OemCase{0xD6, 0x99},  // Ö
                                           OemCase{0xDC, 0x9A},  // Ü
                                           OemCase{0xDF, 0xE1},  // ß
                                           OemCase{0xE9, 0x82},  // é
                                           OemCase{0xA7, 0xF5},  // §
                                           OemCase{0xB0, 0xF8},  // °
                                           OemCase{0xA0, 0xFF},  // no-break space
                                           OemCase{0xFF, 0x98},  // ÿ
                                           OemCase{0x80, 'E'},   // euro sign
                                           OemCase{0x83, 0x9F},  // f-hook
                                           OemCase{0x84, '"'},   // low double quote
                                           OemCase{0x8A, 'S'},   // Š
                                           OemCase{0x96, '-'},   // en dash
                                           OemCase{0x9F, 'Y'},   // Ÿ
                                           OemCase{0x81, '?'},   // undefined
                                           OemCase{'A', 'A'}, OemCase{0x7F, 0x7F},
                                           OemCase{0x00, 0x00}));

TEST(CharToOem, ConvertsAWholeLine) {
  EXPECT_EQ(kd::CharToOem("M\xFC"
                          "ller, J\xF6rg Stra\xDF"
                          "e"),
            "M\x81"
            "ller, J\x94rg Stra\xE1"
            "e");
}

TEST(Encoding, Cp1252RoundTripsThroughUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = kd::Cp1252ToUtf8(all);
  EXPECT_EQ(kd::Utf8ToCp1252(utf8), all);
  EXPECT_EQ(kd::Cp1252ToUtf8("\xFC\x80"), "ü€");
  EXPECT_EQ(kd::Utf8ToCp1252("Übernahme €"),
            "\xDC"
            "bernahme \x80");
}

TEST(Encoding, UnknownAndMalformedUtf8BecomeQuestionMarks) {
  EXPECT_EQ(kd::Utf8ToCp1252("a\xE2\x82"), "a??");  // truncated sequence
  EXPECT_EQ(kd::Utf8ToCp1252("\xFF"), "?");         // no UTF-8 lead byte
  EXPECT_EQ(kd::Utf8ToCp1252("Ω"), "?");            // not in Windows-1252
  EXPECT_EQ(kd::Utf8ToCp1252("😀x"), "?x");          // outside the BMP
}

}  // namespace

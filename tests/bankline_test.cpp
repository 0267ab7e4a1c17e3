#include <gtest/gtest.h>

#include "bankcodes.h"
#include "importformat.h"
#include "test_support.h"

namespace {

using kdtest::PrintTo;

std::string Blanks(std::size_t n) {
  return std::string(n, ' ');
}

TEST(FormatBankLine, IbanStyleLineHas186Characters) {
  kd::BankConnection bank;
  bank.personnelNumber = "12";
  bank.holder = "Muster, Max";
  bank.bankName = "Sparkasse";
  bank.iban = "DE00123456789012345678";
  bank.bic = "TESTDEFFXXX";
  const std::string expected =
      "   12 " + std::string("Muster, Max") + Blanks(17) + Blanks(22) + "Sparkasse" + Blanks(19) +
      Blanks(51) + "0" + "DE00123456789012345678" + Blanks(13) + "TESTDEFFXXX" + Blanks(3) + "E";
  const std::string line = kd::FormatBankLine(bank);
  EXPECT_EQ(line, expected);
  EXPECT_EQ(line.size(), 186u);
  EXPECT_EQ(line.substr(136, 22), "DE00123456789012345678");  // positions 137-158
  EXPECT_EQ(line[135], '0');
  EXPECT_EQ(line[185], 'E');
}

TEST(FormatBankLine, BankCodeStyleLine) {
  kd::BankConnection bank;
  bank.personnelNumber = "4711";
  bank.holder = "Schmidt, Anna";
  bank.bankCode = "12345678";
  bank.accountNumber = "987654";
  bank.bankName = "Volksbank";
  const std::string line = kd::FormatBankLine(bank);
  ASSERT_EQ(line.size(), 186u);
  EXPECT_EQ(line.substr(0, 6), " 4711 ");
  EXPECT_EQ(line.substr(34, 8), "12345678");  // positions 35-42
  EXPECT_EQ(line[42], ' ');
  EXPECT_EQ(line.substr(43, 13), "987654       ");
  EXPECT_EQ(line.substr(56, 28), "Volksbank" + Blanks(19));
  EXPECT_EQ(line.substr(136, 49), Blanks(49));
}

TEST(FormatBankLine, EmptyConnectionIsBlanksWithTheFixedMarks) {
  const std::string line = kd::FormatBankLine({});
  EXPECT_EQ(line, Blanks(135) + "0" + Blanks(49) + "E");
}

struct CutCase {
  const char* what;
  kd::BankConnection bank;
  std::size_t length;
  std::size_t offset;
  std::string expectedAtOffset;
};

class BankLineCutTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(BankLineCutTest, CutsAndShifts) {
  const std::string line = kd::FormatBankLine(GetParam().bank);
  EXPECT_EQ(line.size(), GetParam().length) << GetParam().what;
  EXPECT_EQ(line.substr(GetParam().offset, GetParam().expectedAtOffset.size()),
            GetParam().expectedAtOffset)
      << GetParam().what;
  EXPECT_EQ(line.back(), 'E');
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BankLineCutTest,
    ::testing::Values(CutCase{"holder of 30 is cut to 28",
                              {"1", "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234", "", "", "", "", ""},
                              186,
                              6,
                              "ABCDEFGHIJKLMNOPQRSTUVWXYZ12"},
                      CutCase{"account number cut to 13",
                              {"1", "", "12345678", "12345678901234567", "", "", ""},
                              186,
                              43,
                              "1234567890123"},
                      CutCase{"bank name cut to 28",
                              {"1", "", "", "", "Kreissparkasse Musterstadt-Neudorf", "", ""},
                              186,
                              56,
                              "Kreissparkasse Musterstadt-N"},
                      CutCase{"6-character personnel number shifts the rest",
                              {"123456", "Holder", "", "", "", "", ""},
                              187,
                              0,
                              "123456 Holder"},
                      CutCase{"5-character personnel number fills 1-5",
                              {"12345", "H", "", "", "", "", ""},
                              186,
                              0,
                              "12345 H"},
                      CutCase{"IBAN of 36 is not cut",
                              {"1", "", "", "", "", "DE001234567890123456789012345678901X", ""},
                              187,
                              136,
                              "DE001234567890123456789012345678901X"},
                      CutCase{"BIC of 15 is not cut",
                              {"1", "", "", "", "", "", "ABCDEFGHIJKLMNO"},
                              187,
                              171,
                              "ABCDEFGHIJKLMNOE"}));

std::string TableLine(const std::string& prefix, const std::string& name, const std::string& bic) {
  std::string line = prefix;
  line.resize(107, ' ');
  line += name;
  line.resize(139, ' ');
  line += bic;
  return line;
}

TEST(BankCodeTable, FirstLineContainingTheBicGivesTrimmedShortName) {
  const std::string contents = TableLine("10000000", "Bundesbank Berlin", "MARKDEF1100") + "\r\n" +
                               TableLine("37050198", "Sparkasse KölnBonn", "COLSDE33XXX") + "\r\n" +
                               TableLine("37050199", "Sparkasse Zweite", "COLSDE33XXX") + "\r\n";
  kd::BankCodeTable table(contents);
  EXPECT_EQ(table.LineCount(), 3u);
  EXPECT_EQ(table.Lookup("COLSDE33XXX"), "Sparkasse KölnBonn");
  EXPECT_EQ(table.Lookup("COLSDE33"), "Sparkasse KölnBonn");  // 8-character BIC
  EXPECT_EQ(table.Lookup("colsde33xxx"), "");                 // case-sensitive
  EXPECT_EQ(table.Lookup(""), "");
  EXPECT_EQ(table.Lookup("NOTTHERE"), "");
  // Remembered answers give the same result.
  EXPECT_EQ(table.Lookup("COLSDE33XXX"), "Sparkasse KölnBonn");
}

TEST(BankCodeTable, ShortMatchingLineEndsTheSearchWithEmptyName) {
  const std::string contents =
      "12345678 short line SHORTBIC\r\n" + TableLine("12345678", "Long Bank", "SHORTBIC") + "\r\n";
  kd::BankCodeTable table(contents);
  EXPECT_EQ(table.Lookup("SHORTBIC"), "");
}

TEST(BankCodeTable, NameIsCharacters108To134) {
  std::string line(107, 'x');
  line += std::string("  Name With 27 Characters! ");  // 27 characters
  line += "TAILBIC";
  kd::BankCodeTable table(line);
  EXPECT_EQ(table.Lookup("TAILBIC"), "Name With 27 Characters!");
}

}  // namespace

namespace {

TEST(BankCodeTable, MatchAnywhereInTheLineAndNeverAcrossLines) {
  // The BIC text stands in the first line's town field: that line is the first hit.
  std::string first = "11111111Erste Bank";
  first.resize(67, ' ');
  first += "ABCDEF12";
  first.resize(107, ' ');
  first += "Erste";
  std::string second = "22222222Zweite Bank";
  second.resize(107, ' ');
  second += "Zweite";
  second.resize(139, ' ');
  second += "ABCDEF12XXX";
  kd::BankCodeTable table(first + "\r\n" + second + "\n");
  EXPECT_EQ(table.Lookup("ABCDEF12"), "Erste");
  EXPECT_EQ(table.Lookup("ABCDEF12XXX"), "Zweite");
  // The end of one line and the start of the next are no match.
  EXPECT_EQ(table.Lookup("Erste\r\n2222"), "");
  EXPECT_EQ(table.Lookup("Erste2222"), "");
  EXPECT_EQ(table.LineCount(), 2u);
}

}  // namespace

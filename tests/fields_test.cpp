#include "fields.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct FieldCase {
  std::string line;
  int column;
  std::size_t width;
  std::string expected;
};

void PrintTo(const FieldCase& c, std::ostream* os) {
  *os << "column " << c.column << " width " << c.width << " of [" << kdtest::Printable(c.line)
      << "]";
}

class FieldNoTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldNoTest, GivesTheColumnAndAgreesWithColumns) {
  const FieldCase& c = GetParam();
  EXPECT_EQ(kd::FieldNo(c.line, c.column, c.width), c.expected);
  EXPECT_EQ(kd::Columns(c.line).Field(c.column, c.width), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FieldNoTest,
    ::testing::Values(FieldCase{"4711;Muster;Max;", 1, 0, "Muster"},
                      FieldCase{"4711;Muster;Max;", 2, 0, "Max"},
                      FieldCase{"4711;Muster;Max;", 0, 0, "4711"},
                      FieldCase{"1;7;x;", 1, 4, "0007"}, FieldCase{"1;12345;x;", 1, 4, "12345"},
                      FieldCase{"1;;x;", 1, 4, "0000"}, FieldCase{"1;;x;", 1, 0, ""},
                      // The text after the last semicolon is no column.
                      FieldCase{"4711;Muster;Max", 2, 0, ""},
                      FieldCase{"4711;Muster;Max", 2, 4, "0000"},
                      FieldCase{"4711;Muster;Max", 9, 0, ""},
                      // A line without a semicolon has an empty column 0.
                      FieldCase{"4711", 0, 0, ""}, FieldCase{"", 0, 0, ""},
                      FieldCase{"", 3, 2, "00"}, FieldCase{";;;", 2, 0, ""},
                      FieldCase{"a;b;c;", -1, 0, ""}, FieldCase{"\"x\";\"y\";", 1, 0, "\"y\""}));

TEST(FieldNo, TenThousandColumns) {
  std::string line;
  for (int i = 0; i < 10000; ++i) line += std::to_string(i) + ";";
  EXPECT_EQ(kd::FieldNo(line, 9999), "9999");
  EXPECT_EQ(kd::FieldNo(line, 10000), "");
  const kd::Columns columns(line);
  EXPECT_EQ(columns.Count(), 10000);
  EXPECT_EQ(columns[5000], "5000");
}

struct QuotedCase {
  std::string line;
  int column;
  std::string expected;
};

void PrintTo(const QuotedCase& c, std::ostream* os) {
  *os << "column " << c.column << " of [" << kdtest::Printable(c.line) << "]";
}

class QuotedFieldNoTest : public ::testing::TestWithParam<QuotedCase> {};

TEST_P(QuotedFieldNoTest, DropsFirstAndLastCharacter) {
  const QuotedCase& c = GetParam();
  EXPECT_EQ(kd::QuotedFieldNo(c.line, c.column), c.expected);
  EXPECT_EQ(kd::Columns(c.line).Quoted(c.column), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Examples, QuotedFieldNoTest,
                         ::testing::Values(QuotedCase{"1;\"Muster\";", 1, "Muster"},
                                           QuotedCase{"1;Muster;", 1, "uste"},
                                           QuotedCase{"1;;", 1, ""}, QuotedCase{"1;x;", 1, ""},
                                           QuotedCase{"1;\"\";", 1, ""},
                                           QuotedCase{"1;\"Muster\"", 1, ""},
                                           QuotedCase{"\"12\";x;", 0, "12"}));

TEST(FieldAt, ReadsColumnKPlusOneAndColumnZeroForMinusOne) {
  EXPECT_EQ(kd::FieldAt("1;Muster;Max;", 0), "Muster");
  EXPECT_EQ(kd::FieldAt("1;Muster;Max;", 1), "Max");
  EXPECT_EQ(kd::FieldAt("1;Muster;Max;", -1), "1");
  EXPECT_EQ(kd::FieldAt("1;7;", 0, 3), "007");
}

class FieldByHeaderTest : public ::testing::Test {
 protected:
  void SetUp() override { kd::FillColumnTable(header, table); }
  std::string header = "Nr;Name;Vorname;";
  kd::ColumnTable table;
};

TEST_F(FieldByHeaderTest, FindsTheColumnUnderTheName) {
  EXPECT_EQ(table.positions[0], 3);
  EXPECT_EQ(table.positions[1], 8);
  EXPECT_EQ(table.positions[2], 0);  // the appended semicolon is not entered
  EXPECT_EQ(kd::FieldByHeader(";Name;", "1;Muster;Max", header, table), "Muster");
  // Vorname is closed only by the appended semicolon: the data line has no closed column 2.
  EXPECT_EQ(kd::FieldByHeader(";Vorname;", "1;Muster;Max", header, table), "");
  EXPECT_EQ(kd::FieldByHeader(";Vorname;", "1;Muster;Max;", header, table), "Max");
}

TEST_F(FieldByHeaderTest, ShiftReadsOneColumnLeft) {
  table.shift = 1;
  EXPECT_EQ(kd::FieldByHeader(";Name;", "1;Muster;Max", header, table), "1");
}

TEST_F(FieldByHeaderTest, MissingOrUnanchoredNamesGiveEmptyText) {
  EXPECT_EQ(kd::FieldByHeader(";Ort;", "1;Muster;Max;", header, table), "");
  // The first column has no semicolon in front of it.
  EXPECT_EQ(kd::FieldByHeader("Nr;", "1;Muster;Max;", header, table), "");
  EXPECT_EQ(kd::FieldByHeader("", "1;Muster;Max;", header, table), "");
}

TEST(FieldByHeader, FirstOccurrenceOfARepeatedNameCounts) {
  const std::string header = "Nr;Ort;Ort;";
  kd::ColumnTable table;
  kd::FillColumnTable(header, table);
  EXPECT_EQ(kd::FieldByHeader(";Ort;", "1;A;B;", header, table), "A");
}

TEST(FillColumnTable, KeepsOnlyTheFirst500Semicolons) {
  std::string header;
  for (int i = 0; i < 600; ++i) header += "C" + std::to_string(i) + ";";
  header += ";";
  kd::ColumnTable table;
  table.shift = 1;
  kd::FillColumnTable(header, table);
  EXPECT_EQ(table.shift, 0);
  EXPECT_NE(table.positions[499], 0);
  std::string data;
  for (int i = 0; i < 600; ++i) data += "v" + std::to_string(i) + ";";
  EXPECT_EQ(kd::FieldByHeader(";C10;", data, header, table), "v10");
  EXPECT_EQ(kd::FieldByHeader(";C499;", data, header, table), "v499");
  EXPECT_EQ(kd::FieldByHeader(";C550;", data, header, table), "");
}

TEST(StripBlanks, RemovesBlanksOnly) {
  EXPECT_EQ(kd::StripBlanks("DE00 1234 5678 9012 3456 78"), "DE00123456789012345678");
  EXPECT_EQ(kd::StripBlanks(" a\tb "), "a\tb");
  EXPECT_EQ(kd::StripBlanks(""), "");
}

struct DateCase {
  std::string in;
  std::string out;
};

void PrintTo(const DateCase& c, std::ostream* os) {
  *os << "[" << kdtest::Printable(c.in) << "]";
}

class NormalizeDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(NormalizeDateTest, GivesDayMonthYear) {
  EXPECT_EQ(kd::NormalizeDate(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, NormalizeDateTest,
    ::testing::Values(DateCase{"1.2.1960", "01.02.1960"}, DateCase{"01.02.1960", "01.02.1960"},
                      DateCase{"1.12.1960", "01.12.1960"}, DateCase{"7.10.1955", "07.10.1955"},
                      DateCase{"17.3.1955", "17.03.1955"}, DateCase{"1.2.60", "01.02.60"},
                      DateCase{"01.02.1960 00:00:00", "01.02.1960"}, DateCase{"1.2.", "01.02."},
                      DateCase{"", ""}, DateCase{"1960", "1960"}, DateCase{"1.2", "1.2"},
                      DateCase{"..", "....."}, DateCase{".1.2000", ".1.01.2000"}));

struct WordCase {
  std::string in;
  std::string out;
};

void PrintTo(const WordCase& c, std::ostream* os) {
  *os << "[" << kdtest::Printable(c.in) << "]";
}

class TaxClassWordTest : public ::testing::TestWithParam<WordCase> {};

TEST_P(TaxClassWordTest, ExactWordsOnly) {
  EXPECT_EQ(kd::TaxClassWordToDigit(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Examples, TaxClassWordTest,
                         ::testing::Values(WordCase{"EINS", "1"}, WordCase{"ZWEI", "2"},
                                           WordCase{"DREI", "3"}, WordCase{"VIER", "4"},
                                           WordCase{"F\xDCNF", "5"}, WordCase{"SECHS", "6"},
                                           WordCase{"F\xFCnf", ""}, WordCase{"Eins", ""},
                                           WordCase{"EINS ", ""}, WordCase{" EINS", ""},
                                           WordCase{"FUNF", ""}, WordCase{"1", ""},
                                           WordCase{"", ""}));

TEST(CheckPersonnelNumber, ShortNumbersPassSilently) {
  kdtest::RecordingUi ui;
  EXPECT_EQ(kd::CheckPersonnelNumber("123", ui), "123");
  EXPECT_EQ(kd::CheckPersonnelNumber("4711", ui), "4711");
  EXPECT_EQ(kd::CheckPersonnelNumber("", ui), "");
  EXPECT_TRUE(ui.messages.empty());
}

TEST(CheckPersonnelNumber, LongNumbersKeepTheirLastFourWithANotice) {
  kdtest::RecordingUi ui;
  EXPECT_EQ(kd::CheckPersonnelNumber("12345", ui), "2345");
  EXPECT_EQ(kd::CheckPersonnelNumber("ab 123", ui), " 123");
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text,
            "Personalnummer 12345 geändert in 2345, da Kandrel nur mit 4-stelligen "
            "Personalnummern arbeitet.");
  EXPECT_EQ(ui.messages[0].caption, "Hinweis");
  EXPECT_EQ(ui.messages[0].icon, kd::Icon::Information);
}

}  // namespace

namespace {

// The lookup a reader resolves once per file gives what FieldByHeader gives for every line.
TEST(HeaderColumnIndex, AgreesWithFieldByHeaderUnderEveryShift) {
  const std::string header = "Nr;Name;Vorname;Ort;Name;";
  kd::ColumnTable table;
  kd::FillColumnTable(header, table);
  const std::vector<std::string> lines = {"1;Muster;Max;Neustadt;", "2;A;B", "", "3", ";;;;;;"};
  const std::vector<std::string> names = {";Name;", ";Vorname;", ";Ort;", "Nr;", ";Fehlt;", ""};
  for (const int shift : {0, 1}) {
    table.shift = shift;
    for (const auto& name : names) {
      const int index = kd::HeaderColumnIndex(name, header, table);
      for (const auto& line : lines) {
        EXPECT_EQ(std::string(kd::FieldUnderHeader(kd::Columns(line), index, shift)),
                  kd::FieldByHeader(name, line, header, table))
            << name << " in " << line << " shift " << shift;
      }
    }
  }
  EXPECT_EQ(kd::HeaderColumnIndex(";Name;", header, table), 0);
  EXPECT_EQ(kd::HeaderColumnIndex(";Fehlt;", header, table), -1);
}

}  // namespace

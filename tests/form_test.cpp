// The window's logic without a toolkit: a recording view and scripted dialogs stand in for the
// window, so these tests run wherever the core runs, under Wine too.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "formdefinition.h"
#include "scriptedservices.h"
#include "test_support.h"
#include "text.h"
#include "textfile.h"
#include "tform1.h"

using kd::form::Control;
using kdtest::ReadFile;
using kdtest::TempDir;
using kdtest::WriteFile;

namespace kd::form {
void PrintTo(const Rect& r, std::ostream* out) {
  *out << r.x << "/" << r.y << " " << r.width << "x" << r.height;
}
}  // namespace kd::form

namespace {

constexpr char S = kd::kPathSeparator;

// The controls as a window holds them: texts, what the person typed, and what the logic did.
class RecordingView : public kd::form::FormView {
 public:
  RecordingView() {
    for (const kd::form::ControlDefinition& c : kd::form::Controls()) {
      if (c.control) texts[*c.control] = std::string(c.text);
    }
  }
  std::string Text(Control control) const override {
    const auto found = texts.find(control);
    return found == texts.end() ? std::string() : found->second;
  }
  void SetText(Control control, const std::string& text) override {
    texts[control] = text;
    edited.erase(control);
    ++setCount[control];
  }
  void AppendLines(Control control, const std::string& lines) override {
    std::string& text = texts[control];
    if (!text.empty()) text += '\n';
    text += lines;
    appended.push_back(lines);
  }
  bool Edited(Control control) const override { return edited.count(control) != 0; }
  void Enable(Control control) override { enabled.insert(control); }
  void Focus(Control control) override { focused = control; }
  void CloseWindow() override { closed = true; }

  // The person types a new text into a control.
  void Type(Control control, const std::string& text) {
    texts[control] = text;
    edited.insert(control);
  }
  std::vector<std::string> Lines(Control control) const {
    std::vector<std::string> lines;
    std::string text = Text(control);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
  }

  std::map<Control, std::string> texts;
  std::set<Control> edited;
  std::map<Control, int> setCount;
  std::vector<std::string> appended;
  std::set<Control> enabled;
  std::optional<Control> focused;
  bool closed = false;
};

// Each test runs with a program folder of its own as the current directory.
class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    start_ = std::filesystem::current_path();
    std::filesystem::current_path(kd::ToNativePath(program.Path()));
    services.programFolder = kd::ToNativePath(program.Path());
  }
  void TearDown() override {
    kd::SetWriteFaultHook(nullptr);
    std::filesystem::current_path(start_);
  }

  std::string Settings(const std::string& program, const std::string& source,
                       const std::string& data, const std::string& bank = "Ja ",
                       const std::string& year = "19") {
    return program + "\r\n" + source + "\r\n" + data + "\r\nJa\r\n" + bank + "\r\n" + year + "\r\n";
  }
  // A data directory in the program folder with the marker of the year; with its separator.
  std::string DataDirectory(const std::string& name, const std::string& year = "19") {
    const std::string folder = program.File(name);
    std::filesystem::create_directories(kd::ToNativePath(folder));
    WriteFile(folder + S + "Konfi-" + year, "");
    return folder + S;
  }
  bool InProgramFolder() const {
    const auto folder = [](const std::filesystem::path& p) { return (p / "").lexically_normal(); };
    return folder(std::filesystem::current_path()) == folder(kd::ToNativePath(program.Path()));
  }

  TempDir program;
  TempDir elsewhere;
  ScriptedServices services;
  RecordingView view;

 private:
  std::filesystem::path start_;
};

// An Agenda export of two employees (81 columns), one with an umlaut and a bank connection.
std::string AgendaExport() {
  std::string out = "Personalnummer;Anrede;Nachname;Vorname\r\n";
  for (const auto& [number, surname, iban] :
       {std::tuple{"17", "M\xFCller", "DE12 3705 0198 0000 1234 56"},
        std::tuple{"18", "Schmidt", ""}}) {
    std::vector<std::string> fields(81);
    fields[0] = number;
    fields[2] = surname;
    fields[3] = "Anna";
    fields[9] = "12345";
    fields[10] = "Bonn";
    fields[24] = iban;
    fields[36] = "1";
    for (std::size_t i = 0; i < fields.size(); ++i) out += (i ? ";" : "") + fields[i];
    out += "\r\n";
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Helpers of the logic

struct YearCase {
  const char* shortDate;
  int year;
  const char* line;
};

class YearLineTest : public ::testing::TestWithParam<YearCase> {};

TEST_P(YearLineTest, TakesTheYearFromTheShortDate) {
  EXPECT_EQ(kd::form::YearLine({GetParam().shortDate, GetParam().year}), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, YearLineTest,
    ::testing::Values(YearCase{"07.01.2019", 2019, "19"}, YearCase{"31.12.2005", 2005, "05"},
                      YearCase{"01.06.2100", 2100, "00"},
                      // US form with a four-digit year: characters 9 and 10 are the year too.
                      YearCase{"12/31/2005", 2005, "05"},
                      // The day stands there: the year comes from the date.
                      YearCase{"2019-01-07", 2019, "19"},
                      // Too short for characters 9 and 10.
                      YearCase{"07.01.19", 2019, "19"}, YearCase{"1/7/2019", 2019, "19"},
                      YearCase{"", 2024, "24"},
                      // Another calendar's year (Buddhist era 2562 is 2019).
                      YearCase{"07/01/2562", 2019, "19"},
                      // Non-ASCII characters count one each.
                      YearCase{"07.01.\xC3\xA4\xC3\xA4"
                               "19",
                               2019, "19"}));

TEST(CutBackToFolderTest, KeepsTheFolderOfTheChosenName) {
  const std::string s(1, S);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {s + "daten" + s + "FIRMA" + s + "Konfi-19", s + "daten" + s + "FIRMA" + s},
      {s + "daten" + s + "FIRMA" + s, s + "daten" + s + "FIRMA" + s},
      {"C:" + s + "Konfi-19", "C:" + s},
      {"Konfi-19", s},
      {s + "Konfi-19", s},
      {"", s},
      {s, s},
  };
  for (const auto& [path, folder] : cases)
    EXPECT_EQ(kd::form::CutBackToFolder(path), folder) << path;
}

TEST(MemoTextTest, EveryLineEndEndsOneLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a;\r\nb;\r\n", "a;\nb;"},
      {"a;\rb;\nc;\n\nd;", "a;\nb;\nc;\n\nd;"},
      {"", ""},
      {"\r\n", ""},
      {"a\r\r\n", "a\n"},
      {"x", "x"},
  };
  for (const auto& [file, memo] : cases) EXPECT_EQ(kd::form::MemoText(file), memo) << file;
}

// ---------------------------------------------------------------------------------------------
// The window's definition

TEST(FormDefinitionTest, PlacesFollowTheWindowSize) {
  struct Case {
    const char* name;
    int width, height;
    kd::form::Rect place;
  };
  const Case cases[] = {
      {"Memo2", 805, 699, {8, 8, 761, 313}},         {"Memo2", 905, 750, {8, 8, 861, 339}},
      {"Panel3", 905, 750, {8, 361, 233, 25}},       {"Button1", 905, 750, {708, 441, 161, 41}},
      {"Memo1", 905, 750, {8, 585, 531, 139}},       {"Memo3", 905, 751, {554, 586, 315, 139}},
      {"Panel1", 905, 750, {554, 553, 315, 33}},     {"Memo2", 600, 500, {8, 8, 761, 313}},
      {"EndeButton", 806, 700, {609, 480, 161, 25}},
  };
  for (const Case& c : cases) {
    const kd::form::ControlDefinition* control = kd::form::FindControl(c.name);
    ASSERT_NE(control, nullptr) << c.name;
    EXPECT_EQ(kd::form::Placed(*control, c.width, c.height), c.place)
        << c.name << " at " << c.width << "x" << c.height;
  }
}

TEST(FormDefinitionTest, TabStopsAreExactlyTheTabOrder) {
  std::set<std::string_view> stops;
  for (const kd::form::ControlDefinition& c : kd::form::Controls()) {
    if (c.flags & kd::form::kTabStop) stops.insert(c.name);
  }
  const std::set<std::string_view> order(kd::form::TabOrder().begin(), kd::form::TabOrder().end());
  EXPECT_EQ(stops, order);
  EXPECT_EQ(kd::form::TabOrder().front(), "Button1");
  EXPECT_EQ(stops.count("Memo5"), 0u);
}

// ---------------------------------------------------------------------------------------------
// Start and settings file

TEST_F(FormTest, FirstStartShowsTheDefaultsAndTheYear) {
  kd::form::TForm1 form(view, services);
  form.FormShow();
  EXPECT_TRUE(view.enabled.count(Control::Button1));
  EXPECT_EQ(view.focused, Control::Button1);
  EXPECT_EQ(view.Text(Control::FormelMemo), "c:\\Kandrel\\Firma\\\n\nJa\nJa \n19");
  EXPECT_EQ(view.Lines(Control::Memo5).at(4), "Jahr der ersten Abrechnung (z.B. 19)");
  EXPECT_EQ(view.Lines(Control::Memo5).at(3), "Bankverbindungen übernehmen:");
  EXPECT_EQ(form.Settings().SourcePath, "");
  EXPECT_EQ(form.Settings().DataDirectory, "");
  EXPECT_TRUE(services.boxes.empty());
}

TEST_F(FormTest, ANonGermanDateStillGivesTheYear) {
  services.today = {"2021-03-04", 2021};
  kd::form::TForm1 form(view, services);
  form.FormShow();
  EXPECT_EQ(view.Lines(Control::FormelMemo).at(4), "21");
  EXPECT_EQ(view.Lines(Control::Memo5).at(4), "Jahr der ersten Abrechnung (z.B. 21)");
}

struct SettingsFileCase {
  const char* name;
  std::string file;
  std::string program;  // UTF-8
  std::string memo;     // UTF-8, after the year line was set
  std::string savedAgain;
};

void PrintTo(const SettingsFileCase& c, std::ostream* out) {
  *out << c.name;
}

class SettingsFileTest : public FormTest, public ::testing::WithParamInterface<SettingsFileCase> {};

TEST_P(SettingsFileTest, IsRestoredAndSavedAgain) {
  WriteFile(program.File("KDIMPORT.INI"), GetParam().file);
  kd::form::TForm1 form(view, services);
  form.FormShow();
  EXPECT_EQ(view.Text(Control::ProgrammCombo), GetParam().program);
  EXPECT_EQ(view.Text(Control::FormelMemo), GetParam().memo);
  form.EndeButtonClick();
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(ReadFile(program.File("KDIMPORT.INI")), GetParam().savedAgain);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SettingsFileTest,
    ::testing::Values(
        SettingsFileCase{"complete",
                         "lexware alt\r\n/lohn/M\xFCller.csv\r\n/d/\r\nnein\r\nJa \r\n17\r\n",
                         "lexware alt", "/lohn/Müller.csv\n/d/\nnein\nJa \n19",
                         "lexware alt\r\n/lohn/M\xFCller.csv\r\n/d/\r\nnein\r\nJa \r\n19\r\n"},
        SettingsFileCase{"empty", "", "", "\n\n\n\n19", "\r\n\r\n\r\n\r\n\r\n19\r\n"},
        SettingsFileCase{"program and source only", "Datev\r\n/x/a.csv\r\n", "Datev",
                         "/x/a.csv\n\n\n\n19", "Datev\r\n/x/a.csv\r\n\r\n\r\n\r\n19\r\n"},
        SettingsFileCase{"lines without CR", "SBS\n/a\n/b/\nJa\nnein\n18", "SBS",
                         "/a\n/b/\nJa\nnein\n19", "SBS\r\n/a\r\n/b/\r\nJa\r\nnein\r\n19\r\n"},
        SettingsFileCase{"further lines kept",
                         "GDI\r\n/a\r\n/b/\r\nJa\r\nJa \r\n18\r\nnotiz \xE4\r\n", "GDI",
                         "/a\n/b/\nJa\nJa \n19\nnotiz ä",
                         "GDI\r\n/a\r\n/b/\r\nJa\r\nJa \r\n19\r\nnotiz \xE4\r\n"}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST_F(FormTest, TheStoredYearHoldsUntilTheSettingsAreReadAgain) {
  WriteFile(program.File("KDIMPORT.INI"), Settings("Sage", "/q.csv", "/d/", "Ja ", "17"));
  services.today = {"01.02.2020", 2020};
  kd::form::TForm1 form(view, services);
  form.FormShow();
  EXPECT_EQ(view.Lines(Control::FormelMemo).at(4), "20");
  EXPECT_EQ(form.Settings().PayrollYear, "17");
  EXPECT_EQ(form.Settings().DataDirectory, "/d/" + std::string(S == '/' ? "" : "\\"));
  EXPECT_EQ(form.Settings().TakeBankData, "JA");
  form.Button4Click();
  EXPECT_EQ(services.saveCalls.at(0).proposedName, "Konfi-20");
  EXPECT_EQ(form.Settings().PayrollYear, "20");
}

TEST_F(FormTest, EndeKeepsTheWindowAndTheFileWhenItCannotBeWritten) {
  const std::string old = Settings("Sage", "/alt.csv", "/daten/", "Ja ", "18");
  WriteFile(program.File("KDIMPORT.INI"), old);
  kd::form::TForm1 form(view, services);
  form.FormShow();
  kd::SetWriteFaultHook([](std::string_view, std::size_t) { return false; });
  form.EndeButtonClick();
  kd::SetWriteFaultHook(nullptr);
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].kind, "error");
  EXPECT_EQ(services.boxes[0].text, "Datei KDIMPORT.INI kann nicht erstellt werden");
  EXPECT_FALSE(view.closed);
  EXPECT_EQ(ReadFile(program.File("KDIMPORT.INI")), old);
  form.EndeButtonClick();
  EXPECT_TRUE(view.closed);
}

// ---------------------------------------------------------------------------------------------
// Source and target selection

TEST_F(FormTest, SourceDialogCancelledOrConfirmed) {
  WriteFile(program.File("KDIMPORT.INI"), Settings("Lexware", "/alt/quelle.csv", ""));
  kd::form::TForm1 form(view, services);
  form.FormShow();

  // Cancelled after the person typed another path: line 1 shows the path last chosen or read.
  view.Type(Control::FormelMemo, "/getippt.csv\n/\nJa\nJa \n19");
  std::filesystem::current_path(kd::ToNativePath(elsewhere.Path()));
  form.Button3Click();
  EXPECT_EQ(services.openTitles, std::vector<std::string>{"Lexware -Exportdatei suchen"});
  EXPECT_EQ(view.Text(Control::FormelMemo), "/alt/quelle.csv\n/\nJa\nJa \n19");
  EXPECT_TRUE(InProgramFolder());

  // Confirmed: the chosen file is the source at once, umlauts and all.
  const std::string chosen = program.File("Lohn M\xFCller.csv");
  WriteFile(chosen, "1;2\r\n");
  services.openAnswers.push_back(kd::Cp1252ToUtf8(chosen));
  view.texts[Control::ProgrammCombo] = "Datev";
  std::filesystem::current_path(kd::ToNativePath(elsewhere.Path()));
  form.Button3Click();
  EXPECT_EQ(services.openTitles.back(), "Datev -Exportdatei suchen");
  EXPECT_EQ(view.Lines(Control::FormelMemo).front(), kd::Cp1252ToUtf8(chosen));
  EXPECT_EQ(form.Settings().SourcePath, chosen);
  EXPECT_TRUE(InProgramFolder());
  EXPECT_TRUE(services.boxes.empty());
}

struct TargetCase {
  const char* name;
  std::optional<std::string> answer;  // relative to the program folder, "/" as separator
  std::string line2;                  // relative to the program folder
};

void PrintTo(const TargetCase& c, std::ostream* out) {
  *out << c.name;
}

class TargetTest : public FormTest, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(TargetTest, TheDataDirectoryIsTheChosenFolder) {
  const auto native = [](std::string path) {
    for (char& c : path) c = c == '/' ? S : c;
    return path;
  };
  WriteFile(program.File("KDIMPORT.INI"),
            Settings("Agenda", program.File("src.csv"), program.File("ALT")));
  kd::form::TForm1 form(view, services);
  form.FormShow();
  if (GetParam().answer) {
    services.saveAnswers.push_back(kd::Cp1252ToUtf8(program.Path() + native(*GetParam().answer)));
  }
  std::filesystem::current_path(kd::ToNativePath(elsewhere.Path()));
  form.Button4Click();
  ASSERT_EQ(services.saveCalls.size(), 1u);
  EXPECT_EQ(services.saveCalls[0].title, "Kandrel - Verzeichnis suchen");
  EXPECT_EQ(services.saveCalls[0].startFolder, kd::Cp1252ToUtf8(program.File("ALT") + S));
  EXPECT_EQ(services.saveCalls[0].proposedName, "Konfi-19");
  const std::string expected = program.Path() + native(GetParam().line2);
  EXPECT_EQ(view.Lines(Control::FormelMemo).at(1), kd::Cp1252ToUtf8(expected));
  EXPECT_EQ(form.Settings().DataDirectory, expected);
  EXPECT_TRUE(InProgramFolder());
  EXPECT_TRUE(services.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, TargetTest,
                         ::testing::Values(TargetCase{"ProposedName", "FIRMA/Konfi-19", "FIRMA/"},
                                           TargetCase{"OtherNameDeeper", "A/B/xyz", "A/B/"},
                                           TargetCase{"Cancelled", std::nullopt, "ALT/"},
                                           TargetCase{"UmlautFolder", "M\xFCller/Konfi-19",
                                                      "M\xFCller/"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, TargetSelectionRereadsHandEditedLines) {
  const std::string source = program.File("Personaldaten.csv");
  WriteFile(source, AgendaExport());
  WriteFile(program.File("KDIMPORT.INI"), Settings("Agenda", source, ""));
  const std::string data = DataDirectory("FIRMA");
  kd::form::TForm1 form(view, services);
  form.FormShow();
  EXPECT_EQ(view.Text(Control::Panel4), "Datei aus Agenda: " + source);
  std::vector<std::string> lines = view.Lines(Control::FormelMemo);
  lines[3] = "nein";
  view.Type(Control::FormelMemo,
            lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\nnein\n" + lines[4]);
  EXPECT_EQ(form.Settings().TakeBankData, "JA");
  services.saveAnswers.push_back(data + "Konfi-19");
  form.Button4Click();
  EXPECT_EQ(form.Settings().TakeBankData, "NEIN");
  form.Button1Click();
  EXPECT_TRUE(kdtest::FileExists(data + "KDIMPORT.TXT"));
  EXPECT_FALSE(kdtest::FileExists(data + "Bank-19"));
}

TEST_F(FormTest, ClicksReachTheirHandlers) {
  kd::form::TForm1 form(view, services);
  form.FormShow();
  form.Click(Control::Memo1);
  form.Click(Control::ProgrammCombo);
  EXPECT_TRUE(services.openTitles.empty());
  EXPECT_TRUE(services.saveCalls.empty());
  form.Click(Control::Button3);
  form.Click(Control::Button4);
  form.Click(Control::Button1);
  EXPECT_EQ(services.openTitles.size(), 1u);
  EXPECT_EQ(services.saveCalls.size(), 1u);
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].caption, "Hinweis");
  EXPECT_FALSE(view.closed);
  form.Click(Control::EndeButton);
  EXPECT_TRUE(view.closed);
}

// ---------------------------------------------------------------------------------------------
// Conversion runs

TEST_F(FormTest, RunWritesWhatTheConversionWritesAndAppendsTheRecords) {
  kdtest::ConversionHarness direct;
  direct.year = "19";
  direct.bank = "Ja ";
  ASSERT_EQ(direct.Run("Agenda", AgendaExport()), kd::RunResult::Written);

  const std::string source = program.File("Personaldaten.csv");
  WriteFile(source, AgendaExport());
  const std::string data = DataDirectory("FIRMA");
  WriteFile(program.File("KDIMPORT.INI"), Settings("Agenda", source, data));
  kd::form::TForm1 form(view, services);
  form.FormShow();
  std::vector<std::string> recordsAtBox;
  services.onBox = [&] { recordsAtBox.push_back(view.Text(Control::Memo3)); };
  const int sourceViewSets = view.setCount[Control::Memo1];
  form.Button1Click();

  EXPECT_EQ(ReadFile(data + "KDIMPORT.TXT"), direct.ImportFile());
  EXPECT_EQ(ReadFile(data + "Bank-19"), direct.BankFile());
  ASSERT_EQ(services.boxes.size(), 2u);
  EXPECT_EQ(services.boxes[0].text,
            "1 Bankverbindungen in der Datei " + data + "Bank-19 gespeichert.");
  EXPECT_EQ(services.boxes[1].text,
            "2 Datensätze in der Datei " + data + "KDIMPORT.TXT gespeichert.");
  EXPECT_EQ(services.boxes[1].caption, "Datei erfolgreich hergestellt.");
  // Both records went to the list in one block before the first message.
  const std::string import = direct.ImportFile();
  const std::vector<std::string_view> records = kd::SplitLines(import);
  ASSERT_EQ(records.size(), 3u);
  const std::string shown =
      kd::Cp1252ToUtf8(std::string(records[1]) + "\n" + std::string(records[2]));
  EXPECT_EQ(recordsAtBox, (std::vector<std::string>{shown, shown}));
  EXPECT_EQ(view.appended, std::vector<std::string>{shown});
  // The source view already showed this file, unedited: it was not filled again.
  EXPECT_EQ(view.setCount[Control::Memo1], sourceViewSets);
  EXPECT_EQ(view.Text(Control::Panel4), "Quelldatei: " + source);
  EXPECT_NE(view.Text(Control::Memo1).find("M\xC3\xBCller"), std::string::npos);

  // After typing into the source view a second run shows the file again; the list keeps
  // growing.
  view.Type(Control::Memo1, "xy");
  form.Button1Click();
  EXPECT_EQ(view.Text(Control::Memo1), kd::Cp1252ToUtf8(kd::form::MemoText(AgendaExport())));
  EXPECT_EQ(view.Text(Control::Memo3), shown + "\n" + shown);
  EXPECT_EQ(ReadFile(data + "KDIMPORT.TXT"), direct.ImportFile());
}

TEST_F(FormTest, AFailedWriteIsShownAndTheWindowGoesOn) {
  const std::string source = program.File("Personaldaten.csv");
  WriteFile(source, AgendaExport());
  const std::string data = DataDirectory("FIRMA");
  WriteFile(program.File("KDIMPORT.INI"), Settings("Agenda", source, data, "nein"));
  kd::form::TForm1 form(view, services);
  form.FormShow();
  kd::SetWriteFaultHook([](std::string_view, std::size_t) { return false; });
  form.Button1Click();
  kd::SetWriteFaultHook(nullptr);
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].kind, "error");
  EXPECT_EQ(services.boxes[0].text, "Datei " + data + "KDIMPORT.TXT kann nicht erstellt werden");
  EXPECT_FALSE(kdtest::FileExists(data + "KDIMPORT.TXT"));
  form.Button1Click();
  EXPECT_TRUE(kdtest::FileExists(data + "KDIMPORT.TXT"));
  EXPECT_EQ(view.Lines(Control::Memo3).size(), 4u);
}

TEST_F(FormTest, RunBeforeAnyDataDirectoryStopsAtTheMarker) {
  const std::string source = program.File("Personaldaten.csv");
  WriteFile(source, AgendaExport());
  kd::form::TForm1 form(view, services);
  form.FormShow();
  view.texts[Control::ProgrammCombo] = "Agenda";
  services.openAnswers.push_back(source);
  form.Button3Click();
  form.Button1Click();
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text,
            "Entweder existiert das Datenverzeichnis >< nicht oder es enthält keinerlei "
            "Lohndaten.");
  EXPECT_EQ(services.boxes[0].icon, kd::Icon::Stop);
  EXPECT_EQ(view.Text(Control::Memo3), "");
}

// The regional decimal separator reaches the VARIAL reader; one that Windows-1252 lacks, or
// that is longer than one character, leaves the comma.
TEST_F(FormTest, DecimalSeparatorFromTheRegion) {
  const std::string exportText = ReadFile(KDIMPORT_SAMPLES_DIR "/varial/PWASCANS.EXP");
  ASSERT_FALSE(exportText.empty());
  const std::string sample = program.File("PWASCANS.EXP");
  WriteFile(sample, exportText);
  const auto runWith = [&](const std::string& separator) {
    TempDir folder;
    RecordingView v;
    ScriptedServices s;
    s.programFolder = services.programFolder;
    s.decimalSeparator = separator;
    const std::string data = folder.Path();
    WriteFile(data + "Konfi-19", "");
    WriteFile(program.File("KDIMPORT.INI"), Settings("VARIAL", sample, data, "nein"));
    kd::form::TForm1 form(v, s);
    form.FormShow();
    form.Button1Click();
    return ReadFile(data + "KDIMPORT.TXT");
  };
  const std::string comma = runWith(",");
  const std::string point = runWith(".");
  ASSERT_NE(comma, point) << "the sample writes no number with decimals";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {",", comma}, {".", point}, {"\xD9\xAB", comma}, {"", comma}, {",,", comma}};
  for (const auto& [separator, expected] : cases) EXPECT_EQ(runWith(separator), expected);
}

}  // namespace

// The window's logic without a toolkit: a recording view and scripted dialogs stand in for the
// window, so these tests run wherever the core runs, under Wine too.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "faultyfilesystem.h"
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

// The protocol window as a window holds it: shown or not, its summary, and the rows of the table
// as the table reads them from the logic.
class RecordingProtocolView : public kd::form::ProtocolView {
 public:
  void Show() override { shown = true; }
  bool Shown() const override { return shown; }
  void SetSummary(const std::string& text) override { summary = text; }
  void SetRowCount(std::size_t count) override { rows = count; }

  bool shown = false;
  std::string summary;
  std::size_t rows = 0;
};

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
  void Disable(Control control) override { enabled.erase(control); }
  void Focus(Control control) override { focused = control; }
  void SelectLine(Control control, std::size_t line) override { selected = {control, line}; }
  kd::form::ProtocolView& ProtocolWindow() override { return protocolWindow; }
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
  std::optional<std::pair<Control, std::size_t>> selected;
  RecordingProtocolView protocolWindow;
  bool closed = false;
};

// Each test runs with a program folder of its own as the current directory.
class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    start_ = std::filesystem::current_path();
    std::filesystem::current_path(kd::ToNativePath(program.Path()));
    services.programFolder = kd::ToNativePath(program.Path());
    services.files = &files;
  }
  void TearDown() override { std::filesystem::current_path(start_); }

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

  explicit FormTest(std::string_view programFolderSuffix = {}) : program(programFolderSuffix) {}

  TempDir program;
  TempDir elsewhere;
  kdtest::FaultyFileSystem files{kd::DiskFiles()};
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
    fields[15] = "01.02.1970";
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

// Control characters but the tab show as blanks: a NUL would cut the memo's text.
TEST(MemoTextTest, EveryLineEndEndsOneLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a;\r\nb;\r\n", "a;\nb;"},
      {"a;\rb;\nc;\n\nd;", "a;\nb;\nc;\n\nd;"},
      {"", ""},
      {"\r\n", ""},
      {"a\r\r\n", "a\n"},
      {"x", "x"},
      {std::string("M\0ller;\x01\t\x7F\xFC", 11), "M ller; \t \xFC"},
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
      {"Memo2", 805, 699, {8, 8, 761, 313}},
      {"Memo2", 905, 750, {8, 8, 861, 339}},
      {"Panel3", 905, 750, {8, 361, 233, 25}},
      {"Button1", 905, 750, {708, 441, 161, 41}},
      {"Memo1", 905, 750, {8, 585, 531, 139}},
      {"Memo3", 905, 751, {554, 586, 315, 139}},
      {"Panel1", 905, 750, {554, 553, 315, 33}},
      {"Memo2", 600, 500, {8, 8, 761, 313}},
      {"EndeButton", 806, 700, {609, 480, 161, 25}},
      {"ErkanntLabel", 805, 699, {608, 366, 161, 46}},
      {"ErkanntLabel", 905, 750, {708, 391, 161, 46}},
      {"ProtokollButton", 805, 699, {473, 456, 128, 25}},
      {"ProtokollButton", 905, 750, {473, 481, 128, 25}},
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
  EXPECT_EQ(kd::form::TabOrder().back(), "ProtokollButton");
  EXPECT_EQ(stops.count("Memo5"), 0u);
}

// The hint and the protocol button take room that no control of the form uses, at the start
// size and in a larger window, and stay inside the window.
TEST(FormDefinitionTest, AddedControlsCoverNoOtherControl) {
  const auto overlap = [](const kd::form::Rect& a, const kd::form::Rect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
  };
  for (const auto& [width, height] :
       {std::pair{805, 699}, std::pair{1000, 800}, std::pair{1600, 1200}, std::pair{806, 1400}}) {
    for (const char* added : {"ErkanntLabel", "ProtokollButton"}) {
      const kd::form::Rect place = kd::form::Placed(*kd::form::FindControl(added), width, height);
      EXPECT_LE(place.x + place.width, width - 8) << added << " at " << width;
      for (const kd::form::ControlDefinition& other : kd::form::Controls()) {
        if (other.name == added) continue;
        EXPECT_FALSE(overlap(place, kd::form::Placed(other, width, height)))
            << added << " covers " << other.name << " at " << width << "x" << height;
      }
    }
  }
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
  files.fault = kdtest::FailWrites;
  form.EndeButtonClick();
  files.fault = nullptr;
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].kind, "error");
  EXPECT_EQ(services.boxes[0].text, "Datei KDIMPORT.INI kann nicht erstellt werden");
  EXPECT_FALSE(view.closed);
  EXPECT_EQ(ReadFile(program.File("KDIMPORT.INI")), old);
  form.EndeButtonClick();
  EXPECT_TRUE(view.closed);
}

// KDIMPORT.INI is Windows-1252: a path it cannot hold is named, and nothing is saved as "?".
TEST_F(FormTest, EndeNamesALineThatTheSettingsFileCannotHold) {
  const std::string old = Settings("Sage", "/alt.csv", "/daten/", "Ja ", "18");
  WriteFile(program.File("KDIMPORT.INI"), old);
  kd::form::TForm1 form(view, services);
  form.FormShow();
  view.Type(Control::FormelMemo, "/alt.csv\n/Löhne/Łódź/\nJa \nJa \n18");
  form.EndeButtonClick();
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].caption, "Einstellungen nicht gespeichert");
  EXPECT_EQ(services.boxes[0].text,
            "Die Zeile 2 der Einstellungen enthält ein Zeichen, das die Datei KDIMPORT.INI nicht "
            "speichern kann:\n\n/Löhne/Łódź/\n\nDie Einstellungen werden nicht gespeichert und "
            "das Fenster bleibt offen. Ändern Sie die Zeile, oder schließen Sie das Fenster ohne "
            "zu speichern.");
  EXPECT_FALSE(view.closed);
  EXPECT_EQ(ReadFile(program.File("KDIMPORT.INI")), old);
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

  // Confirmed: the chosen file is the source at once, with every character of its path.
  const std::string chosen = program.File("Łódź Müller.csv");
  WriteFile(chosen, "1;2\r\n");
  services.openAnswers.push_back(chosen);
  view.texts[Control::ProgrammCombo] = "Datev";
  std::filesystem::current_path(kd::ToNativePath(elsewhere.Path()));
  form.Button3Click();
  EXPECT_EQ(services.openTitles.back(), "Datev -Exportdatei suchen");
  EXPECT_EQ(view.Lines(Control::FormelMemo).front(), chosen);
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
    services.saveAnswers.push_back(program.Path() + native(*GetParam().answer));
  }
  std::filesystem::current_path(kd::ToNativePath(elsewhere.Path()));
  form.Button4Click();
  ASSERT_EQ(services.saveCalls.size(), 1u);
  EXPECT_EQ(services.saveCalls[0].title, "Kandrel - Verzeichnis suchen");
  EXPECT_EQ(services.saveCalls[0].startFolder, program.File("ALT") + S);
  EXPECT_EQ(services.saveCalls[0].proposedName, "Konfi-19");
  const std::string expected = program.Path() + native(GetParam().line2);
  EXPECT_EQ(view.Lines(Control::FormelMemo).at(1), expected);
  EXPECT_EQ(form.Settings().DataDirectory, expected);
  EXPECT_TRUE(InProgramFolder());
  EXPECT_TRUE(services.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, TargetTest,
                         ::testing::Values(TargetCase{"ProposedName", "FIRMA/Konfi-19", "FIRMA/"},
                                           TargetCase{"OtherNameDeeper", "A/B/xyz", "A/B/"},
                                           TargetCase{"Cancelled", std::nullopt, "ALT/"},
                                           TargetCase{"UmlautFolder", "Müller/Konfi-19", "Müller/"},
                                           TargetCase{"OutsideWindows1252", "Łódź/Konfi-19",
                                                      "Łódź/"}),
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

// A program folder whose name Windows-1252 cannot hold, with the export and the data directory
// in it: the bank code list is opened there by its bare name, and the messages name the paths.
class ProgramFolderTest : public FormTest {
 protected:
  ProgramFolderTest() : FormTest(" Łódź") {}
};

TEST_F(ProgramFolderTest, RunsWithPathsWindows1252CannotHold) {
  const std::string source = program.File("LG_ASCII_12345_SD.txt");
  WriteFile(source, ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/datev/LG_ASCII_12345_SD.txt"));
  WriteFile(program.File("BLZ_20170904.txt"), "");
  const std::string data = DataDirectory("Łódź");
  kd::form::TForm1 form(view, services);
  form.FormShow();
  view.Type(Control::ProgrammCombo, "Datev");
  services.openAnswers.push_back(source);
  form.Button3Click();
  services.saveAnswers.push_back(data + "Konfi-19");
  form.Button4Click();
  form.Button1Click();
  ASSERT_EQ(services.boxes.size(), 2u);
  EXPECT_EQ(services.boxes[0].text,
            "7 Bankverbindungen in der Datei " + data + "Bank-19 gespeichert.");
  EXPECT_EQ(services.boxes[1].text,
            "8 Datensätze in der Datei " + data + "KDIMPORT.TXT gespeichert.");
  EXPECT_EQ(ReadFile(data + "KDIMPORT.TXT").substr(0, 9), "KONV=1;\r\n");
}

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
  files.fault = kdtest::FailWrites;
  form.Button1Click();
  files.fault = nullptr;
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].kind, "error");
  EXPECT_EQ(services.boxes[0].text, "Datei " + data + "KDIMPORT.TXT kann nicht erstellt werden");
  EXPECT_FALSE(kdtest::FileExists(data + "KDIMPORT.TXT"));
  form.Button1Click();
  EXPECT_TRUE(kdtest::FileExists(data + "KDIMPORT.TXT"));
  EXPECT_EQ(view.Lines(Control::Memo3).size(), 4u);
}

// The question before a doubtful run (the Agenda export chosen as SBS): the records come to the
// list before it; "Nein" leaves the files as they were, "Ja" writes as usual.
TEST_F(FormTest, ADoubtfulRunAsksAndNeinKeepsTheFiles) {
  const std::string source = program.File("Personaldaten.csv");
  WriteFile(source, AgendaExport());
  const std::string data = DataDirectory("FIRMA");
  WriteFile(data + "KDIMPORT.TXT", "alt\r\n");
  WriteFile(program.File("KDIMPORT.INI"), Settings("SBS", source, data, "nein"));
  kd::form::TForm1 form(view, services);
  form.FormShow();
  std::string recordsAtQuestion;
  services.onBox = [&] { recordsAtQuestion = view.Text(Control::Memo3); };
  for (const bool yes : {false, true}) {
    services.questionAnswers = {yes};
    form.Button1Click();
    ASSERT_EQ(services.questions.size(), yes ? 2u : 1u);
    EXPECT_EQ(services.questions.back().caption, "Übernahme prüfen");
    EXPECT_EQ(services.questions.back().text,
              "Keiner der 2 Datensätze hat eine Personalnummer aus Ziffern, keiner ein "
              "Geburtsdatum. Trotzdem KDIMPORT.TXT ersetzen?");
    EXPECT_EQ(view.Lines(Control::Memo3).size(), yes ? 4u : 2u);
    EXPECT_EQ(services.boxes.size(), yes ? 1u : 0u);
    EXPECT_EQ(ReadFile(data + "KDIMPORT.TXT") == "alt\r\n", !yes);
    EXPECT_EQ(form.LastProtocol().Stopped(), !yes);
  }
  EXPECT_FALSE(recordsAtQuestion.empty());
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

// ---------------------------------------------------------------------------------------------
// The recognition hint beside the program list

std::string Sample(const std::string& path) {
  return ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/" + path);
}

// A bank statement export: semicolons and dates, but no employees of any program.
constexpr const char* kBankStatement =
    "Buchungstag;Valuta;Auftraggeber;Verwendungszweck;Betrag;W\xE4hrung\r\n"
    "02.01.2018;02.01.2018;Stadtwerke;Abschlag Januar;-54,00;EUR\r\n"
    "03.01.2018;03.01.2018;Lohn;Gehalt Dezember;2.310,55;EUR\r\n"
    "05.01.2018;05.01.2018;Miete;Miete Januar;-780,00;EUR\r\n";

struct HintCase {
  const char* name;
  std::string combo;   // before "2.  Suchen woher" (UTF-8)
  std::string sample;  // below samples/; "<bank>" a bank statement; "<missing>" no such file;
                       // "<folder>" a folder
  std::string comboAfter;
  std::string hint;
};

void PrintTo(const HintCase& c, std::ostream* out) {
  *out << c.name;
}

class HintTest : public FormTest, public ::testing::WithParamInterface<HintCase> {};

TEST_P(HintTest, AfterChoosingTheSource) {
  const HintCase& c = GetParam();
  std::string source = program.File("export.csv");
  if (c.sample == "<bank>") {
    WriteFile(source, kBankStatement);
  } else if (c.sample == "<folder>") {
    source = program.File("Ordner");
    std::filesystem::create_directory(kd::ToNativePath(source));
  } else if (c.sample != "<missing>") {
    const std::string bytes = Sample(c.sample);
    ASSERT_FALSE(bytes.empty()) << c.sample;
    WriteFile(source, bytes);
  }
  kd::form::TForm1 form(view, services);
  form.FormShow();
  view.Type(Control::ProgrammCombo, c.combo);
  services.openAnswers.push_back(source);
  form.Button3Click();
  EXPECT_EQ(view.Text(Control::ProgrammCombo), c.comboAfter);
  EXPECT_EQ(view.Text(Control::ErkanntLabel), c.hint);
  EXPECT_TRUE(services.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Choices, HintTest,
    ::testing::Values(HintCase{"EmptyListTakesTheProgram", "", "sbs/Tabelle2929.csv", "SBS",
                               "Erkannt: SBS"},
                      HintCase{"BlankListTakesTheListsSpelling", "  ", "sage/Mitarbeiterliste.csv",
                               "sage", "Erkannt: sage"},
                      HintCase{"OtherProgramChosen", "Datev", "sbs/Tabelle2929.csv", "Datev",
                               "Die Datei sieht nach SBS aus, gewählt ist Datev"},
                      HintCase{"SameProgramInOtherCase", "SAGE", "sage/Mitarbeiterliste.csv",
                               "SAGE", "Erkannt: sage"},
                      HintCase{"TypedNameOutsideTheList", "lexware alt",
                               "lexware/Personalstammblatt.csv", "lexware alt", "Erkannt: Lexware"},
                      HintCase{"VarialByItsFixedPositions", "", "varial/PWASCANS.EXP", "VARIAL",
                               "Erkannt: VARIAL"},
                      HintCase{"UnrecognisedFile", "", "<bank>", "", ""},
                      HintCase{"UnrecognisedFileKeepsTheChoice", "Agenda", "<bank>", "Agenda", ""},
                      HintCase{"MissingFile", "", "<missing>", "", ""},
                      HintCase{"AFolderInsteadOfAFile", "", "<folder>", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The hint follows the program list from the recognition made when the file was chosen; only
// choosing the file again reads it again.
TEST_F(FormTest, HintFollowsTheListWithoutReadingTheFileAgain) {
  const std::string source = program.File("export.csv");
  WriteFile(source, Sample("sbs/Tabelle2929.csv"));
  kd::form::TForm1 form(view, services);
  form.FormShow();
  services.openAnswers.push_back(source);
  form.Button3Click();
  ASSERT_EQ(view.Text(Control::ErkanntLabel), "Erkannt: SBS");
  WriteFile(source, Sample("agenda/Personaldaten.csv"));

  const std::vector<std::pair<std::string, std::string>> choices = {
      {"Datev", "Die Datei sieht nach SBS aus, gewählt ist Datev"},
      {"sbs", "Erkannt: SBS"},
      {"", "Erkannt: SBS"},
      {"Lexwa", "Erkannt: SBS"},
      {"VARIAL", "Die Datei sieht nach SBS aus, gewählt ist VARIAL"}};
  for (const auto& [choice, hint] : choices) {
    view.Type(Control::ProgrammCombo, choice);
    form.ProgrammComboChange();
    EXPECT_EQ(view.Text(Control::ErkanntLabel), hint) << choice;
  }

  // Cancelling the dialog keeps the file, which is read again: an export made anew counts.
  form.Button3Click();
  EXPECT_EQ(view.Text(Control::ProgrammCombo), "VARIAL");
  EXPECT_EQ(view.Text(Control::ErkanntLabel),
            "Die Datei sieht nach Agenda aus, gewählt ist VARIAL");
}

TEST_F(FormTest, HintAtStartAndAfterATypedSourceLine) {
  const std::string sbs = program.File("Tabelle2929.csv");
  const std::string agenda = program.File("Personaldaten.csv");
  WriteFile(sbs, Sample("sbs/Tabelle2929.csv"));
  WriteFile(agenda, Sample("agenda/Personaldaten.csv"));
  WriteFile(program.File("KDIMPORT.INI"), Settings("Datev", sbs, ""));
  kd::form::TForm1 form(view, services);
  form.FormShow();
  // The restored choice stays, the hint says what the file looks like.
  EXPECT_EQ(view.Text(Control::ProgrammCombo), "Datev");
  EXPECT_EQ(view.Text(Control::ErkanntLabel), "Die Datei sieht nach SBS aus, gewählt ist Datev");

  std::vector<std::string> lines = view.Lines(Control::FormelMemo);
  lines[0] = agenda;
  view.Type(Control::FormelMemo,
            lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n" + lines[3] + "\n" + lines[4]);
  form.Button4Click();
  EXPECT_EQ(view.Text(Control::ErkanntLabel), "Die Datei sieht nach Agenda aus, gewählt ist Datev");
  EXPECT_EQ(view.Text(Control::ProgrammCombo), "Datev");
}

// ---------------------------------------------------------------------------------------------
// The protocol button and window

// Runs of the window on samples, with a data directory of the year 18.
class ProtocolTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    data = DataDirectory("FIRMA", "18");
  }
  // Puts a sample into the program folder under its own name; its path there.
  std::string Export(const std::string& sample) {
    const std::string path = program.File(sample.substr(sample.rfind('/') + 1));
    WriteFile(path, Sample(sample));
    return path;
  }
  // The first run of a window shown with these settings.
  void FirstRun(kd::form::TForm1& form, const std::string& programName, const std::string& source) {
    WriteFile(program.File("KDIMPORT.INI"), Settings(programName, source, data, "Ja ", "18"));
    form.FormShow();
    form.Button1Click();
  }
  // Another run after choosing another export.
  void NextRun(kd::form::TForm1& form, const std::string& programName, const std::string& source) {
    view.Type(Control::ProgrammCombo, programName);
    services.openAnswers.push_back(source);
    form.Button3Click();
    form.Button1Click();
  }
  std::vector<std::string> Row(kd::form::TForm1& form, std::size_t row) {
    std::vector<std::string> cells;
    for (int c = 0; c < 5; ++c) {
      cells.push_back(form.ProtocolLogic().Cell(row, static_cast<kd::form::ProtocolColumn>(c)));
    }
    return cells;
  }

  std::string data;
};

struct ButtonCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> runs;  // program, sample
  bool lastWithoutMarker;  // the last run stops at the data directory
  std::string caption;
  bool enabled;
};

void PrintTo(const ButtonCase& c, std::ostream* out) {
  *out << c.name;
}

class ProtocolButtonTest : public ProtocolTest, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(ProtocolButtonTest, ShowsTheLinesToLookAt) {
  const ButtonCase& c = GetParam();
  kd::form::TForm1 form(view, services);
  for (std::size_t i = 0; i < c.runs.size(); ++i) {
    const std::string source = Export(c.runs[i].second);
    if (i + 1 == c.runs.size() && c.lastWithoutMarker) {
      std::filesystem::remove(kd::ToNativePath(data + "Konfi-18"));
    }
    if (i == 0) {
      FirstRun(form, c.runs[i].first, source);
    } else {
      NextRun(form, c.runs[i].first, source);
    }
  }
  EXPECT_EQ(view.Text(Control::ProtokollButton), c.caption);
  EXPECT_EQ(view.enabled.count(Control::ProtokollButton) != 0, c.enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ProtocolButtonTest,
    ::testing::Values(
        // Two lines lost after the column shift, four converted lines with hints.
        ButtonCase{"LinesLostAndHints",
                   {{"Lexware", "lexware/Personalstammblatt_Protokoll.csv"}},
                   false,
                   "Protokoll (6)",
                   true},
        ButtonCase{"OneNumberTooLong",
                   {{"Dataline", "dataline/Personalstammdaten.dat"}},
                   false,
                   "Protokoll (1)",
                   true},
        // The column line alone is nothing to look at.
        ButtonCase{
            "NothingToLookAt", {{"Agenda", "agenda/Personaldaten.csv"}}, false, "Protokoll", true},
        ButtonCase{"TheLastRunCounts",
                   {{"Lexware", "lexware/Personalstammblatt_Protokoll.csv"},
                    {"Agenda", "agenda/Personaldaten.csv"}},
                   false,
                   "Protokoll",
                   true},
        ButtonCase{"ARefusedRunHasNoProtocol",
                   {{"Lexware", "lexware/Personalstammblatt_Protokoll.csv"},
                    {"Lexware", "lexware/Personalstammblatt_Protokoll.csv"}},
                   true,
                   "Protokoll",
                   false},
        // Without the bank code list the run stops once the reader began: its protocol is kept.
        ButtonCase{"ARunStoppedByTheReader",
                   {{"Datev", "datev/LG_ASCII_12345_SD.txt"}},
                   false,
                   "Protokoll",
                   true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProtocolTest, NoWindowBeforeARunReadAnExport) {
  kd::form::TForm1 form(view, services);
  form.FormShow();
  form.Click(Control::ProtokollButton);
  EXPECT_FALSE(view.protocolWindow.shown);
  form.Button1Click();  // refused: no program
  form.Click(Control::ProtokollButton);
  EXPECT_FALSE(view.protocolWindow.shown);
  EXPECT_EQ(form.ProtocolLogic().RowCount(), 0u);
}

TEST_F(ProtocolTest, TableFilteredToTheLinesToLookAt) {
  kd::form::TForm1 form(view, services);
  FirstRun(form, "Lexware", Export("lexware/Personalstammblatt_Protokoll.csv"));
  form.Click(Control::ProtokollButton);
  ASSERT_TRUE(view.protocolWindow.shown);
  EXPECT_EQ(
      view.protocolWindow.summary.rfind(
          "Zeilen gelesen: 8 (Personalstammblatt_Protokoll.csv)\nDatensätze übernommen: 5\n", 0),
      0u);
  EXPECT_NE(view.protocolWindow.summary.find("\nSpaltenverschiebung ab Zeile 6: danach "
                                             "übersprungen: 2"),
            std::string::npos);

  const std::string surname =
      "Nachname leer oder beginnt nicht mit einem Buchstaben "
      "(Spaltenverschiebung seit Zeile 6)";
  using Rows = std::vector<std::vector<std::string>>;
  const Rows attention = {
      {"1", "", "", "übersprungen", "Zeile mit den Spaltenüberschriften"},
      {"3", "1002", "Lindner, Sabine", "übernommen",
       "IBAN DE37600501017402918366: Prüfziffern falsch"},
      {"4", "1003", "Krause, Thomas", "übernommen",
       "Personalnummer 11003 gekürzt auf 1003 / Personalnummer 1003 mehrfach, auch in Zeile 5"},
      {"5", "1003", "Yildiz, Elif", "übernommen",
       "Personalnummer 21003 gekürzt auf 1003 / Personalnummer 1003 mehrfach, auch in Zeile 4"},
      {"6", "1005", "Becker, Jan", "übernommen",
       "IBAN SOLADEST600: Prüfziffern falsch / Spaltenverschiebung ab dieser Zeile: die Werte "
       "werden eine Spalte weiter links gelesen / Versicherungsnummer 10 nicht in der Form 2 "
       "Ziffern, Geburtsdatum TTMMJJ, Buchstabe, 3 Ziffern / Steuer-Identifikationsnummer ja "
       "hat nicht 11 Ziffern / Steuerklasse 2 Elektro unbekannt / BIC 7402918365 hat nicht die "
       "Form einer BIC"},
      {"7", "", "", "übersprungen", surname},
      {"8", "", "", "übersprungen", surname}};
  const auto rows = [&] {
    Rows shown;
    for (std::size_t r = 0; r < form.ProtocolLogic().RowCount(); ++r) shown.push_back(Row(form, r));
    return shown;
  };
  EXPECT_EQ(view.protocolWindow.rows, 7u);
  EXPECT_EQ(rows(), attention);

  form.ProtocolLogic().ShowAllLines(true);
  EXPECT_EQ(view.protocolWindow.rows, 8u);
  const Rows all = rows();
  ASSERT_EQ(all.size(), 8u);
  EXPECT_EQ(all[1], (std::vector<std::string>{"2", "1001", "Hartmann, Peter", "übernommen", ""}));
  EXPECT_EQ(all[7], attention[6]);

  form.ProtocolLogic().ShowAllLines(false);
  EXPECT_EQ(view.protocolWindow.rows, 7u);
  // Outside the table nothing is shown.
  EXPECT_EQ(Row(form, 7), (std::vector<std::string>(5)));
}

// VARIAL's bank connection file has lines of its own: they name the file and have no line in
// the source-file view.
TEST_F(ProtocolTest, RowsOfTheBankConnectionFile) {
  WriteFile(program.File("PWASCUEB.EXP"), Sample("varial/PWASCUEB.EXP"));
  WriteFile(program.File("BLZ_20170904.txt"), "");
  kd::form::TForm1 form(view, services);
  FirstRun(form, "VARIAL", Export("varial/PWASCANS.EXP"));
  form.Click(Control::ProtokollButton);
  const std::vector<std::string> bankRow = {"PWASCUEB.EXP 4", "", "", "übersprungen",
                                            "keine IBAN mit mehr als 8 Zeichen"};
  std::optional<std::size_t> found;
  for (std::size_t r = 0; r < form.ProtocolLogic().RowCount(); ++r) {
    if (Row(form, r) == bankRow) found = r;
  }
  ASSERT_TRUE(found.has_value());
  form.ProtocolLogic().Activate(*found);
  EXPECT_EQ(view.selected, std::nullopt);
  form.ProtocolLogic().ShowAllLines(true);
  EXPECT_EQ(Row(form, 0)[0], "1");
  form.ProtocolLogic().Activate(0);
  EXPECT_EQ(view.selected, (std::pair{Control::Memo1, std::size_t{0}}));
}

// A row shows its line of the export selected in the source-file view, whatever ended the lines.
TEST_F(ProtocolTest, ARowSelectsItsLineOfTheExport) {
  const std::vector<std::string> lines = {
      "Personalnummer;Nachname;Vorname;Stra\xDF"
      "e",
      "17;M\xFCller;Anna;;;;;;;;",
      "",
      "18;Schmidt;Jan;;;;;;;;",
      "x;kein Mitarbeiter",
      "19;\xD6zdemir;Ali;;;;;;;;"};
  const std::vector<std::vector<std::string>> endings = {
      {"\r\n", "\r\n", "\r\n", "\r\n", "\r\n", "\r\n"},
      {"\n", "\n", "\n", "\n", "\n", ""},
      {"\r", "\r", "\r", "\r", "\r", "\r"},
      {"\r\n", "\n", "\r", "\r\n", "\r", "\n"}};
  for (const std::vector<std::string>& ends : endings) {
    SCOPED_TRACE(kdtest::Printable(ends[0] + ends[1] + ends[2]));
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) text += lines[i] + ends[i];
    const std::string source = program.File("Personal.csv");
    WriteFile(source, text);
    RecordingView v;
    ScriptedServices s;
    s.programFolder = services.programFolder;
    WriteFile(program.File("KDIMPORT.INI"), Settings("GDI", source, data, "nein", "18"));
    kd::form::TForm1 form(v, s);
    form.FormShow();
    form.Button1Click();
    form.Click(Control::ProtokollButton);
    form.ProtocolLogic().ShowAllLines(true);
    ASSERT_EQ(form.ProtocolLogic().RowCount(), lines.size());
    for (std::size_t row = 0; row < lines.size(); ++row) {
      form.ProtocolLogic().Activate(row);
      ASSERT_TRUE(v.selected.has_value()) << row;
      EXPECT_EQ(v.selected->first, Control::Memo1);
      ASSERT_EQ(v.selected->second, row);
      EXPECT_EQ(v.Lines(Control::Memo1).at(row), kd::Cp1252ToUtf8(lines[row])) << row;
    }
  }
}

TEST_F(ProtocolTest, TheExportIsShownAgainBeforeItsLineIsSelected) {
  kd::form::TForm1 form(view, services);
  const std::string source = Export("lexware/Personalstammblatt_Protokoll.csv");
  FirstRun(form, "Lexware", source);
  form.Click(Control::ProtokollButton);
  const std::string shown = view.Text(Control::Memo1);
  const std::string caption = view.Text(Control::Panel4);
  EXPECT_EQ(caption, "Quelldatei: " + source);

  // Typed into: the export as read comes back.
  view.Type(Control::Memo1, "xy");
  form.ProtocolLogic().Activate(2);  // line 4
  EXPECT_EQ(view.Text(Control::Memo1), shown);
  EXPECT_EQ(view.selected, (std::pair{Control::Memo1, std::size_t{3}}));

  // Another file shown after a typed source line: the export is read again.
  const std::string other = Export("agenda/Personaldaten.csv");
  std::vector<std::string> lines = view.Lines(Control::FormelMemo);
  view.Type(Control::FormelMemo,
            other + "\n" + lines[1] + "\n" + lines[2] + "\n" + lines[3] + "\n" + lines[4]);
  form.Button4Click();
  ASSERT_EQ(view.Text(Control::Panel4), "Datei aus Lexware: " + other);
  view.selected.reset();
  form.ProtocolLogic().Activate(0);
  EXPECT_EQ(view.Text(Control::Panel4), caption);
  EXPECT_EQ(view.Text(Control::Memo1), shown);
  EXPECT_EQ(view.selected, (std::pair{Control::Memo1, std::size_t{0}}));

  // Gone since the run: the file error, and nothing selected.
  form.Button4Click();
  ASSERT_EQ(view.Text(Control::Panel4), "Datei aus Lexware: " + other);
  std::filesystem::remove(kd::ToNativePath(source));
  view.selected.reset();
  const std::size_t boxes = services.boxes.size();
  form.ProtocolLogic().Activate(0);
  ASSERT_EQ(services.boxes.size(), boxes + 1);
  EXPECT_EQ(services.boxes.back().kind, "error");
  EXPECT_EQ(services.boxes.back().text, "Datei " + source + " kann nicht geöffnet werden");
  EXPECT_EQ(view.selected, std::nullopt);
}

struct SaveCase {
  const char* name;
  bool confirmed;
  bool writeFails;
  bool oldFile;
};

void PrintTo(const SaveCase& c, std::ostream* out) {
  *out << c.name;
}

class ProtocolSaveTest : public ProtocolTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(ProtocolSaveTest, WritesTheCsvFile) {
  const SaveCase& c = GetParam();
  kd::form::TForm1 form(view, services);
  FirstRun(form, "Lexware", Export("lexware/Personalstammblatt_Protokoll.csv"));
  form.Click(Control::ProtokollButton);
  const std::string target = data + "Prüfung Łódź.csv";
  if (c.oldFile) WriteFile(target, "alt\r\n");
  if (c.confirmed) services.saveAnswers.push_back(target);
  if (c.writeFails) files.fault = kdtest::FailWrites;
  std::filesystem::current_path(kd::ToNativePath(elsewhere.Path()));
  const std::size_t boxes = services.boxes.size();
  form.ProtocolLogic().SaveAs();
  files.fault = nullptr;

  ASSERT_EQ(services.saveCalls.size(), 1u);
  EXPECT_EQ(services.saveCalls[0].title, "Protokoll speichern");
  EXPECT_EQ(services.saveCalls[0].startFolder, data);
  EXPECT_EQ(services.saveCalls[0].proposedName, "KDIMPORT-Protokoll.csv");
  EXPECT_EQ(services.saveCalls[0].fileType, "CSV-Dateien (*.csv)");
  EXPECT_TRUE(InProgramFolder());
  const std::string written = ReadFile(target);
  if (c.confirmed && !c.writeFails) {
    EXPECT_EQ(services.boxes.size(), boxes);
    EXPECT_EQ(written.rfind("\xEF\xBB\xBF"
                            "Datei;Zeile;PNr;Name;Ergebnis;Hinweis\r\n",
                            0),
              0u);
    EXPECT_NE(written.find("\r\nPersonalstammblatt_Protokoll.csv;4;1003;Krause, Thomas;"
                           "\xC3\xBC"
                           "bernommen;Personalnummer 11003 gek\xC3\xBCrzt auf 1003 / "
                           "Personalnummer 1003 mehrfach, auch in Zeile 5\r\n"),
              std::string::npos);
    // The header, a row per line of the export, then the summary.
    const std::vector<std::string_view> rows = kd::SplitLines(written);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](std::string_view row) { return !row.starts_with(";;;;"); }),
              9);
    EXPECT_EQ(rows.back(),
              ";;;;Zusammenfassung;Spaltenverschiebung ab Zeile 6: danach übersprungen: 2");
  } else {
    EXPECT_EQ(written, c.oldFile ? "alt\r\n" : "");
    EXPECT_EQ(kdtest::FileExists(target), c.oldFile);
  }
  if (c.writeFails) {
    ASSERT_EQ(services.boxes.size(), boxes + 1);
    EXPECT_EQ(services.boxes.back().kind, "error");
    EXPECT_EQ(services.boxes.back().text, "Datei " + target + " kann nicht erstellt werden");
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, ProtocolSaveTest,
                         ::testing::Values(SaveCase{"Confirmed", true, false, false},
                                           SaveCase{"ReplacesAnOldFile", true, false, true},
                                           SaveCase{"Cancelled", false, false, true},
                                           SaveCase{"WriteFails", true, true, false},
                                           SaveCase{"WriteFailsKeepsTheOldFile", true, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// "Drucken / Speichern…" writes the page where the person says and opens it in the browser.
struct PrintCase {
  const char* name;
  bool confirmed, writeFails, opens;
  std::string box;  // the kind of the one box shown, if any
};

class ProtocolPrintTest : public ProtocolTest, public ::testing::WithParamInterface<PrintCase> {};

TEST_P(ProtocolPrintTest, WritesThePageAndOpensIt) {
  const PrintCase& c = GetParam();
  kd::form::TForm1 form(view, services);
  FirstRun(form, "Agenda", Export("agenda/Personaldaten.csv"));
  const std::string target = data + "Prüfung.html";
  if (c.confirmed) services.saveAnswers.push_back(target);
  if (c.writeFails) files.fault = kdtest::FailWrites;
  services.opens = c.opens;
  const std::size_t boxes = services.boxes.size();
  form.ProtocolLogic().PrintPage();
  files.fault = nullptr;
  ASSERT_EQ(services.saveCalls.size(), 1u);
  EXPECT_EQ(services.saveCalls[0].startFolder, data);
  EXPECT_EQ(services.saveCalls[0].proposedName, "KDIMPORT-Protokoll.html");
  EXPECT_TRUE(InProgramFolder());
  const bool written = c.confirmed && !c.writeFails;
  EXPECT_EQ(kdtest::FileExists(target), written);
  EXPECT_EQ(services.opened, std::vector<std::string>(written ? 1 : 0, target));
  ASSERT_EQ(services.boxes.size(), boxes + (c.box.empty() ? 0 : 1));
  EXPECT_EQ(services.boxes.size() > boxes ? services.boxes.back().kind : "", c.box);
}

INSTANTIATE_TEST_SUITE_P(Answers, ProtocolPrintTest,
                         ::testing::Values(PrintCase{"Opened", true, false, true, ""},
                                           PrintCase{"Cancelled", false, false, true, ""},
                                           PrintCase{"WriteFails", true, true, true, "error"},
                                           PrintCase{"NoBrowser", true, false, false, "message"}),
                         [](const auto& info) { return std::string(info.param.name); });

// An open window shows each run's protocol; while a run goes on, its table holds no row of the
// protocol that the run replaces.
TEST_F(ProtocolTest, AnOpenWindowFollowsEveryRun) {
  kd::form::TForm1 form(view, services);
  FirstRun(form, "Lexware", Export("lexware/Personalstammblatt_Protokoll.csv"));
  form.Click(Control::ProtokollButton);
  ASSERT_EQ(view.protocolWindow.rows, 7u);
  std::vector<std::size_t> rowsAtBox;
  services.onBox = [&] {
    rowsAtBox.push_back(view.protocolWindow.rows);
    rowsAtBox.push_back(form.ProtocolLogic().RowCount());
  };

  NextRun(form, "Agenda", Export("agenda/Personaldaten.csv"));
  EXPECT_EQ(rowsAtBox, (std::vector<std::size_t>{0, 0, 0, 0}));  // bank file, import file
  EXPECT_EQ(view.protocolWindow.rows, 1u);
  EXPECT_EQ(view.protocolWindow.summary.rfind("Zeilen gelesen: 6 (Personaldaten.csv)\n", 0), 0u);
  EXPECT_EQ(Row(form, 0)[4], "Zeile mit den Spaltenüberschriften");

  // A run refused before it read the export leaves no protocol.
  std::filesystem::remove(kd::ToNativePath(data + "Konfi-18"));
  form.Button1Click();
  EXPECT_EQ(view.protocolWindow.rows, 0u);
  EXPECT_EQ(view.protocolWindow.summary,
            "Kein Protokoll: Der letzte Lauf hat die Quelldatei nicht gelesen.");

  // A window closed in the meantime is filled when it is opened again.
  WriteFile(data + "Konfi-18", "");
  view.protocolWindow.shown = false;
  form.Button1Click();
  EXPECT_EQ(view.protocolWindow.rows, 0u);
  form.Click(Control::ProtokollButton);
  EXPECT_TRUE(view.protocolWindow.shown);
  EXPECT_EQ(view.protocolWindow.rows, 1u);
}

}  // namespace

// The guide Anleitung.html quotes the program: message boxes in ```meldung blocks of its source
// docs/anleitung/anleitung.md, the command line's output in ```konsole blocks, protocol lines in
// ```protokoll blocks and in the table headed "Im Protokoll". Each block names a scene below
// that makes the program show what the block quotes, with the guide's example folders; the
// block must be exactly that, and a quoted summary the whole summary.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <set>
#include <sstream>

#include "faultyfilesystem.h"
#include "readers.h"
#include "test_support.h"
#include "textfile.h"
#include "tform1.h"

namespace {

using kdtest::PrintTo;

// ```KIND SCENE [ART [ausstehend]] and the lines up to the closing fence.
struct Block {
  std::string kind, scene, art;
  bool pending = false;
  std::vector<std::string> lines;
};

std::vector<Block> GuideBlocks() {
  std::ifstream in(KDIMPORT_SAMPLES_DIR "/../docs/anleitung/anleitung.md", std::ios::binary);
  std::vector<Block> blocks;
  bool fenced = false, table = false;
  for (std::string line; std::getline(in, line);) {
    if (fenced) {
      fenced = line != "```";
      if (fenced) blocks.back().lines.push_back(line);
    } else if (line.starts_with("```")) {
      std::istringstream info(line.substr(3));
      Block& block = blocks.emplace_back();
      info >> block.kind >> block.scene >> block.art;
      block.pending = line.ends_with(" ausstehend");
      fenced = true;
    } else if (line.starts_with("| Im Protokoll |")) {
      blocks.push_back({"protokoll", "hinweise", "", false, {}});
    } else if (table && line.starts_with("| `")) {
      blocks.back().lines.push_back(line.substr(3, line.find('`', 3) - 3));
    }
    table = line.starts_with("|") && (table || line.starts_with("| Im Protokoll |"));
  }
  std::erase_if(blocks, [](const Block& b) {
    return b.kind != "meldung" && b.kind != "konsole" && b.kind != "protokoll";
  });
  return blocks;
}

enum Twist {
  kPlain,
  kNoKonfi,
  kNoBlz,
  kSourceChanged,
  kTargetHeld,
  kIni,
  kAuto,
  kTexts,
  kOldBank,
  kFolderBusy,
  kJournalCut
};

// A run of `program` on a sample export copied into the export folder (as `file` when given;
// without a sample the file `file` holds `contents` or does not exist), and its twist.
struct Scene {
  const char* what;
  const char* program;
  const char* sample;
  const char* file = "";
  Twist twist = kPlain;
  const char* contents = nullptr;
};

const Scene kScenes[] = {
    {"programm-fehlt", "", "agenda/Personaldaten.csv"},
    {"programm-unbekannt", "Lexware 2018", "agenda/Personaldaten.csv"},
    {"quelle-fehlt", "Agenda", nullptr, "Personaldaten.csv"},
    {"xls", "Agenda", "agenda/Personaldaten.csv", "Personaldaten.xls"},
    {"konfi-fehlt", "Datev", "datev/LG_ASCII_12345_SD.txt", "", kNoKonfi},
    {"kein-semikolon", "Agenda", nullptr, "Personaldaten.csv", kPlain, "Nr\tName\r\n1\tWeiß\r\n"},
    {"lexware", "Lexware", "lexware/Personalstammblatt_Protokoll.csv"},
    {"datev", "Datev", "datev/LG_ASCII_12345_SD.txt"},
    {"blz-fehlt", "Datev", "datev/LG_ASCII_12345_SD.txt", "", kNoBlz},
    {"pwascueb-fehlt", "VARIAL", "varial/PWASCANS.EXP"},
    {"quelle-gesperrt", "Agenda", "agenda/Personaldaten.csv", "", kSourceChanged},
    {"ziel-gesperrt", "SBS", "sbs/Tabelle2929.csv", "", kTargetHeld},
    {"einstellungen", "", nullptr, "", kIni},
    {"nicht-erkannt", "auto", "varial/PWASCUEB.EXP", "", kAuto},  // VARIAL's bank file
    {"hinweise", "", nullptr, "", kTexts},
    {"pruefen", "Datev", "sbs/Tabelle2929.csv"},  // the question before a doubtful run
    {"bank-alt", "SBS", "sbs/Tabelle2929.csv", "", kOldBank},
    {"verzeichnis-belegt", "SBS", "sbs/Tabelle2929.csv", "", kFolderBusy},
    {"journal-unlesbar", "SBS", "sbs/Tabelle2929.csv", "", kJournalCut},
};

std::string Replaced(std::string text, const std::string& from, std::string_view to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// What the scene showed, with the guide's example folders, one line each between line breaks:
// its message boxes as "ART [caption] text" (an error box's caption is the window's own) and as
// kdimport-cli prints them, the lines of its protocol and of the protocol's CSV file.
std::string Play(const Scene& s) {
  kdtest::TempDir exports, data, bare;
  kdtest::RecordingUi ui;
  kdtest::FaultyFileSystem files(kd::DiskFiles());
  kd::Conversion conversion(ui, kd::readers::Table(), files);
  const std::string source = exports.File(
      *s.file || !s.sample ? s.file : std::filesystem::path(s.sample).filename().string());
  if (s.sample)
    kdtest::WriteFile(source, kdtest::ReadFile(KDIMPORT_SAMPLES_DIR "/" + std::string(s.sample)));
  if (s.contents) kdtest::WriteFile(source, s.contents);
  if (s.twist != kNoKonfi) kdtest::WriteFile(data.File("Konfi-26"), "");
  if (s.twist == kOldBank) {  // the bank file of an earlier run
    kdtest::WriteFile(data.File("Bank-26"), "");
    std::tm when{};
    std::istringstream("02.12.2026 16:40") >> std::get_time(&when, "%d.%m.%Y %H:%M");
    when.tm_isdst = -1;
    std::filesystem::last_write_time(
        kd::ToNativePath(data.File("Bank-26")),
        std::chrono::file_clock::from_sys(
            std::chrono::system_clock::from_time_t(std::mktime(&when))));
  }
  // A killed run's journal, cut short.
  if (s.twist == kJournalCut) {
    kdtest::WriteFile(data.File("KDIMPORT.TXT.5-0-00000000.jnl"), "KDIMPORT-Journal 2\nZeit 01\n");
  }
  // Another program writes the export while it is read, or holds a file open that is replaced;
  // another run holds the data directory's lock.
  files.fault = [&](const kdtest::FileOperation& op) {
    if (s.twist == kFolderBusy && op.what == "lock") return kd::Failure::HeldOpen;
    if (s.twist == kSourceChanged && op.what == "read" && op.path == source)
      kdtest::WriteFile(source, kdtest::ReadFile(source) + "1;Neu;\r\n");
    const bool held = op.what == "rename" &&
                      (s.twist == kIni || (s.twist == kTargetHeld && op.path.ends_with(".TXT")));
    return held ? kd::Failure::HeldOpen : kd::Failure::None;
  };
  std::string shown = "\n";
  if (s.twist == kIni) {
    // "&Ende", in a program folder of its own.
    const std::filesystem::path start = std::filesystem::current_path();
    std::filesystem::current_path(kd::ToNativePath(data.Path()));
    try {
      kd::WriteLines(files, kd::form::kSettingsFile, {"Datev"});
    } catch (const kd::FileError& error) {
      ui.ShowError(error.what());
    }
    std::filesystem::current_path(start);
  } else if (s.twist == kAuto) {
    kd::readers::ProgramForAutoRun(source, ui);
  } else if (s.twist == kTexts) {
    for (int r = 0; r < kd::kSkipReasonCount; ++r)
      shown += std::string(kd::SkipReasonText(kd::SkipReason(r))) + "\n";
    for (int w = 0; w < kd::kWarningCount; ++w)
      shown += std::string(kd::WarningTitle(kd::Warning(w))) + "\n";
  } else {
    // The program folder with its bank code list, or a folder without one.
    conversion.bareFiles.directory = s.twist == kNoBlz ? bare.Path() : KDIMPORT_PROGRAM_DIR;
    conversion.ReadSettings({source, data.Path(), "Ja", "Ja", "26"}, s.program);
    conversion.Run(s.program);
  }
  std::vector<kdtest::ShownMessage> boxes = ui.questions;
  boxes.insert(boxes.end(), ui.messages.begin(), ui.messages.end());
  for (const kdtest::ShownMessage& m : boxes) {
    const bool error = m.kind == "error";
    const std::string art = error                      ? "fehler"
                            : m.kind != "message"      ? "frage"
                            : m.icon == kd::Icon::Stop ? "stop"
                                                       : "info";
    const std::string box = error ? m.text : "[" + m.caption + "] " + m.text;
    shown += art + " " + box + "\n" + (error ? "[Fehler] " : "") + box + "\n";
  }
  if (conversion.protocol.Started()) {
    // The summary as the window and as kdimport-cli show it, each whole between braces.
    std::string window = "{\n", cli = "{\n";
    for (const std::string& line : conversion.protocol.Summary()) {
      window += line + "\n";
      cli += "[Protokoll] " + line + "\n";
    }
    shown += window + "}\n" + cli + "}\n";
    // The CSV file after its byte-order mark, lines ended by CR LF.
    shown += Replaced(conversion.protocol.Csv().substr(3), "\r\n", "\n");
  }
  return Replaced(Replaced(shown, exports.Path(), "C:\\Export\\"), data.Path(),
                  "C:\\KANDREL\\FIRMA\\");
}

class GuideQuotes : public ::testing::TestWithParam<Scene> {};

TEST_P(GuideQuotes, BlocksAreWhatTheProgramShows) {
  std::vector<Block> blocks = GuideBlocks();
  std::erase_if(blocks, [](const Block& b) { return b.scene != GetParam().what; });
  ASSERT_FALSE(blocks.empty()) << "Die Anleitung zitiert " << GetParam().what << " nicht";
  const std::string shown = Play(GetParam());
  for (const Block& block : blocks) {
    std::vector<std::string> quoted = block.lines;
    if (block.kind == "meldung") {
      ASSERT_FALSE(quoted.empty());
      const std::string caption = "[" + quoted.front() + "]";
      std::string box = block.art + (block.art == "fehler" ? "" : " " + caption);
      for (std::size_t i = 1; i < quoted.size(); ++i) box += (i == 1 ? " " : "\n") + quoted[i];
      if (block.pending && shown.find(caption) == std::string::npos) {
        GTEST_SKIP() << GetParam().what << ": noch nicht im Programm";
      }
      EXPECT_FALSE(block.pending) << GetParam().what << ": \"ausstehend\" entfernen";
      quoted = {box};
    }
    for (const std::string& line : quoted) {
      EXPECT_NE(shown.find("\n" + line + "\n"), std::string::npos)
          << "Aus der Anleitung:\n"
          << line << "\nDas Programm zeigte:" << shown;
    }
    // Lines from the summary's first to the block's end are the whole summary.
    std::string summary;
    for (const std::string& line : quoted) {
      if (summary.empty() && (line.starts_with("Zeilen gelesen: ") ||
                              line.starts_with("[Protokoll] Zeilen gelesen: ")))
        summary = "{\n";
      if (!summary.empty()) summary += line + "\n";
    }
    if (!summary.empty()) {
      EXPECT_NE(shown.find(summary + "}\n"), std::string::npos)
          << "Zusammenfassung unvollständig:\n"
          << summary << "Das Programm zeigte:" << shown;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Anleitung, GuideQuotes, ::testing::ValuesIn(kScenes),
                         [](const auto& info) { return Replaced(info.param.what, "-", "_"); });

TEST(GuideQuotes, EveryBlockNamesAScene) {
  for (const Block& block : GuideBlocks()) {
    EXPECT_TRUE(std::any_of(std::begin(kScenes), std::end(kScenes),
                            [&](const Scene& s) { return s.what == block.scene; }))
        << block.kind << " " << block.scene;
  }
}

// The tables of the built Anleitung.html, each a list of rows of cells (the head first).
using HtmlTable = std::vector<std::vector<std::string>>;
std::vector<HtmlTable> HtmlTables() {
  const std::string html = kdtest::ReadFile(KDIMPORT_GUIDE_HTML);
  std::vector<HtmlTable> tables;
  for (std::size_t at = html.find("<t"); at != std::string::npos; at = html.find("<t", at + 1)) {
    const std::string tag = html.substr(at, 4);
    if (tag == "<tab") tables.emplace_back();
    if (tag == "<tr>") tables.back().emplace_back();
    if (tag == "<th>" || tag == "<td>")
      tables.back().back().push_back(html.substr(at + 4, html.find("</t", at) - at - 4));
  }
  return tables;
}

// Every row has the cells of its table's head. The table headed "Angabe" says which items each
// program's export brings: a row per item with its keys in KDIMPORT.TXT (bank data: the item
// itself), "–" where no record of the program's sample carries one; every key has its row.
TEST(GuideTables, RowsAreWholeAndTheItemsAreThoseOfTheSamples) {
  const std::vector<HtmlTable> tables = HtmlTables();
  for (const HtmlTable& table : tables) {
    for (const auto& row : table) EXPECT_EQ(row.size(), table[0].size()) << row[0];
  }
  const auto items = std::find_if(tables.begin(), tables.end(),
                                  [](const HtmlTable& t) { return t[0][0].starts_with("Angabe"); });
  ASSERT_NE(items, tables.end());
  const std::vector<std::string>& head = (*items)[0];
  for (std::size_t c = 1; c < head.size(); ++c) {
    kdtest::ConversionHarness run;
    run.bank = "Ja";
    kdtest::WriteFile(run.bareDir.File("BLZ_20170904.txt"), "");
    kdtest::WriteFile(run.bareDir.File("PWASCUEB.EXP"),
                      kdtest::ReadFile(KDIMPORT_SAMPLES_DIR "/varial/PWASCUEB.EXP"));
    // Lexware¹ is the layout with the column line, Lexware² the one without.
    const std::string program = head[c].substr(0, head[c].find('\xC2'));
    const auto sample = std::find_if(
        kdtest::kSamplePrograms.begin(), kdtest::kSamplePrograms.end(), [&](const auto& s) {
          return s.program == program && (head[c].ends_with("²") == s.file.ends_with("ter.csv"));
        });
    ASSERT_NE(sample, kdtest::kSamplePrograms.end()) << head[c];
    run.Run(program, kdtest::ReadFile(KDIMPORT_SAMPLES_DIR "/" + sample->file));
    std::set<std::string> found;
    std::istringstream records(run.ImportFile());
    for (std::string item; std::getline(records, item, ';');) {
      item.erase(0, item.find_first_not_of("\r\n"));
      if (!item.starts_with("KONV=")) found.insert(item.substr(0, item.find('=')));
    }
    found.erase("");
    std::istringstream bank(run.BankFileExists() ? run.BankFile() : "");
    for (std::string b; std::getline(bank, b);) {  // positions 35-42, 137-171, 172-185
      if (b.find_first_not_of(' ', 34) < 42) found.insert("Bankleitzahl und Kontonummer");
      if (b.find_first_not_of(' ', 136) < 171) found.insert("IBAN");
      if (b.find_first_not_of(' ', 171) < 185) found.insert("BIC");
    }
    for (auto row = items->begin() + 1; row != items->end(); ++row) {
      std::vector<std::string> keys;
      for (auto at = (*row)[0].find("<code>"); at != std::string::npos;
           at = (*row)[0].find("<code>", at + 1)) {
        keys.push_back((*row)[0].substr(at + 6, (*row)[0].find("</code>", at) - at - 6));
      }
      if (keys.empty()) keys = {(*row)[0]};
      bool has = false;
      for (const std::string& key : keys) has = found.erase(key) > 0 || has;
      EXPECT_EQ(has, (*row)[c] != "–") << head[c] << ": " << (*row)[0];
    }
    EXPECT_EQ(found, std::set<std::string>{})
        << head[c] << " schreibt, was die Tabelle nicht nennt";
  }
}

}  // namespace

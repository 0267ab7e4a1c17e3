// The guide Anleitung.html quotes the program: message boxes in ```meldung blocks of its source
// docs/anleitung/anleitung.md, the command line's output in ```konsole blocks, protocol lines in
// ```protokoll blocks and in the table headed "Im Protokoll". Each block names a scene below
// that makes the program show what the block quotes, with the guide's example folders; the
// block must be exactly that.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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

enum Twist { kPlain, kNoKonfi, kNoBlz, kSourceChanged, kTargetHeld, kIni, kAuto, kTexts };

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
  if (s.twist != kNoBlz) kdtest::WriteFile(bare.File("BLZ_20170904.txt"), "");
  // Another program writes the export while it is read, or holds a file open that is replaced.
  files.fault = [&](const kdtest::FileOperation& op) {
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
    conversion.bareFiles.directory = bare.Path();
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
    for (const std::string& line : conversion.protocol.Summary()) {
      shown += line + "\n[Protokoll] " + line + "\n";
    }
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

}  // namespace

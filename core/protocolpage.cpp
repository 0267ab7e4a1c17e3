#include "protocolpage.h"

#include <ctime>
#include <exception>
#include <filesystem>
#include <memory>

#include "importformat.h"
#include "sha256.h"
#include "text.h"
#include "textfile.h"

namespace kd {

namespace {

// Files are hashed in blocks of this size: an export of any size costs no more memory.
constexpr std::size_t kHashBlock = std::size_t{1} << 16;

// The style of the page: A4 with its margins, the page number at the foot of each printed page,
// table headers repeated on every page and no row split between two pages. Nothing is fetched.
constexpr std::string_view kStyle = R"(@page {
  size: A4;
  margin: 15mm 14mm 17mm 16mm;
  @bottom-left { content: "Protokoll der Übernahme nach Kandrel"; font: 7.5pt Arial, sans-serif; color: #555; }
  @bottom-right { content: "Seite " counter(page) " von " counter(pages); font: 7.5pt Arial, sans-serif; color: #555; }
}
html { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
body { font-family: Arial, "Liberation Sans", "DejaVu Sans", Helvetica, sans-serif; font-size: 9.5pt;
  line-height: 1.3; color: #000; margin: 0; }
@media screen { body { max-width: 180mm; margin: 8mm auto; padding: 0 6mm; } }
h1 { font-size: 16pt; margin: 0 0 1mm; }
p.untertitel { margin: 0 0 5mm; font-size: 10.5pt; }
h2 { font-size: 11.5pt; margin: 6mm 0 2mm; break-after: avoid; page-break-after: avoid; }
p { margin: 1.5mm 0; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; vertical-align: top; padding: 0.8mm 1.5mm; }
tr { break-inside: avoid; page-break-inside: avoid; }
thead { display: table-header-group; }
table.angaben th, table.dateien th { width: 54mm; white-space: nowrap; font-weight: normal; color: #333; }
table.angaben td, table.dateien td { overflow-wrap: anywhere; }
table.dateien tbody { border-top: 0.6pt solid #999; break-inside: avoid; page-break-inside: avoid; }
table.dateien tbody:last-child { border-bottom: 0.6pt solid #999; }
td.pruefsumme { font-family: Consolas, "DejaVu Sans Mono", "Liberation Mono", monospace; font-size: 8.5pt; }
td.fehlt { font-style: italic; }
p.hinweis { font-size: 8.5pt; color: #333; }
ul.zusammenfassung { margin: 0; padding-left: 5mm; }
ul.zusammenfassung li { break-inside: avoid; page-break-inside: avoid; }
table.zeilen { font-size: 8.5pt; table-layout: fixed; }
table.zeilen th { border-bottom: 0.8pt solid #000; font-weight: bold; }
table.zeilen td { border-bottom: 0.4pt solid #bbb; overflow-wrap: break-word; }
table.zeilen td.zahl { text-align: right; white-space: nowrap; }
table.zeilen tr.pruefen td { background: #eee; }
div.unterschrift { margin-top: 12mm; break-inside: avoid; page-break-inside: avoid; }
div.unterschrift table td { padding: 0 3mm 0 0; }
div.unterschrift td.linie { border-bottom: 0.8pt solid #000; height: 12mm; width: 45%; }
div.unterschrift td.unter { font-size: 8pt; color: #333; padding-top: 1mm; }
)";

// A text (UTF-8) as page text: the characters of markup as references, a line break as a break,
// and control characters, which a page must not hold, as blanks, as the window shows them.
void AppendText(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else if (c == '\'') {
      out += "&#39;";
    } else if (c == '\n') {
      out += "<br>";
    } else if (c == '\r' && next == '\n') {
      continue;
    } else if (c < 32 || c == 127) {
      out += ' ';
    } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      out += ' ';  // a control character of the range U+0080 to U+009F
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
}

std::string Html(std::string_view text) {
  std::string out;
  AppendText(out, text);
  return out;
}

// 1234567 as "1.234.567".
std::string Number(std::uint64_t n) {
  std::string digits = std::to_string(n);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, '.');
  return digits;
}

std::string Now() {
  const std::tm local = LocalCalendarTime(std::time(nullptr));
  char text[40];
  std::strftime(text, sizeof text, "%d.%m.%Y, %H:%M:%S Uhr", &local);
  return text;
}

// The path from the root (UTF-8), as it names the file whatever the current folder is later.
std::string FullPath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(ToNativePath(path), ec);
  return ec ? path : FromNativePath(full.lexically_normal());
}

// A file as it is on the disk now: its size and SHA-256, read block by block, or why it cannot
// be read.
struct FileFacts {
  bool read = false;
  std::uint64_t size = 0;
  std::string sha256;
  std::string problem;
};

FileFacts FactsOf(FileSystem& files, const std::string& path) {
  FileFacts facts;
  const EntryKind kind = path.empty() ? EntryKind::None : files.Kind(path);
  if (kind != EntryKind::File) {
    facts.problem = kind == EntryKind::None ? "nicht vorhanden" : "ist keine Datei";
    return facts;
  }
  try {
    Outcome why;
    const std::unique_ptr<InputFile> in = files.Open(path, why);
    if (in == nullptr) {
      facts.problem = "kann nicht gelesen werden (" + ReasonText(why) + ")";
      return facts;
    }
    Sha256 digest;
    std::string block(kHashBlock, '\0');
    for (std::size_t got = 1; got != 0;) {
      why = in->Read(block.data(), block.size(), got);
      if (!why.Ok()) {
        facts.problem = "kann nicht gelesen werden (" + ReasonText(why) + ")";
        return facts;
      }
      digest.Update(std::string_view(block).substr(0, got));
      facts.size += got;
    }
    facts.sha256 = digest.HexDigest();
    facts.read = true;
  } catch (const std::exception& error) {
    facts.problem = error.what();
  }
  return facts;
}

void AppendRow(std::string& page, std::string_view title, std::string_view cell,
               std::string_view cellClass = {}) {
  page += "<tr><th>";
  AppendText(page, title);
  page += cellClass.empty() ? "</th><td>" : "</th><td class=\"" + std::string(cellClass) + "\">";
  AppendText(page, cell);
  page += "</td></tr>\n";
}

// A file of the run: its full path, then its size and SHA-256 as it is on the disk now, or why
// it cannot be read. For a file the run did not write, `notWritten` says why; a file of that
// name that lies there all the same (Kandrel reads it) is named by its size and SHA-256 too;
// true then.
bool AppendFile(FileSystem& files, std::string& page, const std::string& path,
                std::string_view notWritten = {}) {
  page += "<tbody>\n";
  AppendRow(page, "Datei", path.empty() ? "keine angegeben" : path);
  if (!notWritten.empty()) {
    AppendRow(page, "Ergebnis", "nicht geschrieben: " + std::string(notWritten), "fehlt");
  }
  const FileFacts facts = FactsOf(files, path);
  if (facts.read) {
    const std::string_view there = notWritten.empty() ? "" : " (vorhanden)";
    AppendRow(page, "Größe" + std::string(there),
              Number(facts.size) + (facts.size == 1 ? " Byte" : " Bytes"));
    AppendRow(page, "SHA-256" + std::string(there), facts.sha256, "pruefsumme");
  } else if (notWritten.empty()) {
    AppendRow(page, "Größe und SHA-256", "Die Datei " + facts.problem + ".", "fehlt");
  }
  page += "</tbody>\n";
  return facts.read && !notWritten.empty();
}

// Why the run did not write a file, in the protocol's own words where it has them.
std::string NotWritten(const Protocol& protocol, const RunRecord& run, bool bankFile) {
  if (!protocol.Started()) {
    return "Die Übernahme wurde abgelehnt, bevor die Quelldatei gelesen wurde (siehe "
           "Zusammenfassung).";
  }
  if (protocol.Stopped()) return "Die Übernahme wurde abgebrochen (siehe Zusammenfassung).";
  if (!bankFile) return "Die Übernahme hat die Datei nicht geschrieben.";
  if (!IsYes(run.settings.TakeBankData)) {
    return "\"Bankverbindungen übernehmen\" steht nicht auf Ja.";
  }
  return "Das Programm liefert keine Bankverbindungen.";
}

std::string Result(const Protocol& protocol, const RunRecord& run, const std::string& bankName) {
  if (!protocol.Started()) {
    return "Nicht übernommen: Die Übernahme wurde abgelehnt, bevor die Quelldatei gelesen wurde.";
  }
  if (protocol.Stopped() || !run.importFileWritten) {
    return "Abgebrochen: Die Übernahme wurde nicht abgeschlossen (siehe Zusammenfassung).";
  }
  return std::string("Übernommen: ") + kImportFileName +
         (run.bankFileWritten ? " und " + bankName : std::string()) + " geschrieben.";
}

// The lines of file `file` of the protocol, one row each, in their order.
void AppendLines(std::string& page, const Protocol& protocol, std::size_t file) {
  page += "<table class=\"zeilen\" id=\"datei-" + std::to_string(file + 1) +
          "\">\n<colgroup><col style=\"width:12mm\"><col style=\"width:13mm\"><col "
          "style=\"width:36mm\"><col style=\"width:26mm\"><col></colgroup>\n"
          "<thead><tr><th>Zeile</th><th>PNr</th><th>Name</th><th>Ergebnis</th><th>Hinweis</th></tr>"
          "</thead>\n<tbody>\n";
  for (const Protocol::Line& line : protocol.Lines()) {
    if (line.file != file) continue;
    std::string cells = "</td><td class=\"zahl\">";
    AppendText(cells, Cp1252ToUtf8(protocol.PersonnelNumber(line)));
    cells += "</td><td>";
    AppendText(cells, Cp1252ToUtf8(protocol.Name(line)));
    cells += "</td><td>";
    AppendText(cells, protocol.ResultText(line));
    cells += "</td><td>";
    AppendText(cells, protocol.Hint(line));
    cells += "</td></tr>\n";
    // Shaded: the lines a person should look at, as the window's protocol button counts them.
    const bool look = line.result == LineResult::Converted
                          ? line.warnings != 0
                          : line.reason != SkipReason::ColumnLine &&
                                line.reason != SkipReason::EmptyLine &&
                                line.reason != SkipReason::BlankLine;
    const char* row =
        look ? "<tr class=\"pruefen\"><td class=\"zahl\">" : "<tr><td class=\"zahl\">";
    // Runs of empty lines are kept as one entry; the page shows every line.
    for (std::uint32_t k = 0; k < line.count; ++k) {
      page += row;
      page += std::to_string(line.number + k);
      page += cells;
    }
  }
  page += "</tbody>\n</table>\n";
}

}  // namespace

RunRecord BeginRun(std::string_view program, const ConversionSettings& settings) {
  RunRecord run;
  run.time = Now();
  run.program = std::string(program);
  run.settings = settings;
  run.settings.SourcePath = FullPath(settings.SourcePath);
  run.settings.DataDirectory = FullPath(settings.DataDirectory);
  return run;
}

bool IsPageName(std::string_view path) {
  return path.size() >= 5 && UpperAscii(path.substr(path.size() - 5)) == ".HTML";
}

std::string ProtocolPage(FileSystem& files, const Protocol& protocol, const RunRecord& run) {
  const ConversionSettings& settings = run.settings;
  const std::string program = Cp1252ToUtf8(run.program);
  const std::string exportName(PathName(settings.SourcePath));
  const std::string bankName = "Bank-" + settings.PayrollYear;

  std::string page =
      "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Protokoll der Übernahme nach Kandrel";
  if (!exportName.empty()) page += " – " + Html(exportName);
  page += "</title>\n<style>\n";
  page += kStyle;
  page += "</style>\n</head>\n<body>\n<h1>Protokoll der Übernahme nach Kandrel</h1>\n";
  page += "<p class=\"untertitel\">Personalstammdaten";
  if (!program.empty()) page += " aus " + Html(program);
  if (!exportName.empty()) page += ", Quelldatei " + Html(exportName);
  page += "</p>\n";

  page += "<table class=\"angaben\">\n";
  AppendRow(page, "Übernahme am", run.time);
  AppendRow(page, "Übernahme aus Programm", program.empty() ? "keines gewählt" : program);
  AppendRow(page, "Datenverzeichnis in Kandrel", settings.DataDirectory);
  AppendRow(page, "Umlaute konvertieren", IsYes(settings.ConvertUmlauts) ? "Ja" : "Nein");
  AppendRow(page, "Bankverbindungen übernehmen", IsYes(settings.TakeBankData) ? "Ja" : "Nein");
  AppendRow(page, "Jahr der ersten Abrechnung", settings.PayrollYear);
  AppendRow(page, "Ergebnis", Result(protocol, run, bankName));
  AppendRow(page, "Protokoll erstellt", Now() + " mit KDIMPORT " KDIMPORT_VERSION);
  page += "</table>\n";

  page += protocol.Started() ? "<h2>Gelesene Dateien</h2>\n" : "<h2>Quelldatei</h2>\n";
  page += "<table class=\"dateien\">\n";
  AppendFile(files, page, settings.SourcePath);
  // Further files the reader took in (VARIAL's bank connection file) are named by full path.
  for (std::size_t f = 1; f < protocol.Files().size(); ++f)
    AppendFile(files, page, protocol.Files()[f]);
  page += "</table>\n<h2>Geschriebene Dateien</h2>\n<table class=\"dateien\">\n";
  const bool present = AppendFile(files, page, settings.DataDirectory + kImportFileName,
                                  run.importFileWritten ? "" : NotWritten(protocol, run, false));
  const bool bankPresent = AppendFile(files, page, settings.DataDirectory + bankName,
                                      run.bankFileWritten ? "" : NotWritten(protocol, run, true));
  page +=
      "</table>\n<p class=\"hinweis\">Größe und SHA-256 so, wie die Dateien beim Erstellen dieses "
      "Protokolls auf dem Datenträger lagen";
  if (present || bankPresent) {
    page += "; „vorhanden“: eine Datei dieses Namens, die diese Übernahme nicht geschrieben hat";
  }
  page +=
      ". Die SHA-256-Prüfsumme ist der Fingerabdruck einer Datei: Ändert sich auch nur ein "
      "Zeichen, ändert sich die Prüfsumme. Stimmt sie später noch überein, ist die Datei "
      "unverändert.</p>\n";

  page += "<h2>Zusammenfassung</h2>\n<ul class=\"zusammenfassung\">\n";
  for (const std::string& line : protocol.Summary()) {
    page += "<li>";
    AppendText(page, line);
    page += "</li>\n";
  }
  page += "</ul>\n";

  if (protocol.Files().empty()) {
    page += "<h2>Zeilen der Quelldatei</h2>\n<p>Die Quelldatei wurde nicht gelesen.</p>\n";
  }
  for (std::size_t f = 0; f < protocol.Files().size(); ++f) {
    page += f == 0 ? "<h2>Zeilen der Quelldatei " : "<h2>Zeilen der Datei ";
    AppendText(page, PathName(protocol.Files()[f]));
    page += "</h2>\n";
    AppendLines(page, protocol, f);
  }

  page +=
      "<div class=\"unterschrift\">\n<p><b>Geprüft:</b></p>\n<table>\n"
      "<tr><td class=\"linie\"></td><td class=\"linie\"></td></tr>\n"
      "<tr><td class=\"unter\">Datum</td><td class=\"unter\">Unterschrift</td></tr>\n"
      "</table>\n</div>\n</body>\n</html>\n";
  return page;
}

void WriteProtocolPage(FileSystem& files, std::string_view path, const Protocol& protocol,
                       const RunRecord& run) {
  WriteText(files, path, ProtocolPage(files, protocol, run));
}

}  // namespace kd

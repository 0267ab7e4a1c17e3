// kdimport-cli: the conversion run of the window's button, without a window.
#include <clocale>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.h"
#include "filesystem.h"
#include "readers.h"
#include "text.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

constexpr const char* kUsage =
    "Aufruf: kdimport-cli --program NAME|auto --source DATEI --data-dir VERZEICHNIS\n"
    "                     [--year JJ] [--umlauts TEXT] [--bank TEXT]\n"
    "                     [--decimal-separator ZEICHEN] [--protocol DATEI] [--force]\n"
    "                     [--help] [--version]\n"
    "        kdimport-cli --recognize DATEI\n";

// The example of the help in the shell's own words.
#ifdef _WIN32
#define KDIMPORT_EXAMPLE_DIR "C:\\Kandrel\\FIRMA"
#define KDIMPORT_EXAMPLE_CONTINUE "^"
#else
#define KDIMPORT_EXAMPLE_DIR "/srv/kandrel/FIRMA"
#define KDIMPORT_EXAMPLE_CONTINUE "\\"
#endif

// The help text; the build turns it into the manual page, so it keeps its shape: a headline,
// paragraphs, and headings ending in ":" over lists of "  term  explanation" lines.
constexpr const char* kHelp =
    "Kandrel - Schnittstelle zur Übernahme von Personalstammdaten im Textformat\n"
    "\n"
    "kdimport-cli macht dasselbe wie der Knopf \"4.  Kandrel-Datei  erstellen\" im Fenster,\n"
    "ohne Fenster: Es liest die Exportdatei eines anderen Lohnprogramms und schreibt die Datei\n"
    "KDIMPORT.TXT in das Datenverzeichnis des Mandanten in Kandrel, bei \"Bankverbindungen\n"
    "übernehmen: Ja\" auch die Bankverbindungen in die Datei Bank-JJ. Die Angaben entsprechen den\n"
    "Angaben im Fenster.\n"
    "\n"
    "Angaben:\n"
    "  --program NAME        1. Übernahme aus Programm: Agenda, BBS, Datev, Dataline, Exact,\n"
    "                        GDI, Lexware, sage, SBS oder VARIAL (groß oder klein geschrieben);\n"
    "                        auto: das Programm, von dem die Quell-Datei ihrem Inhalt nach\n"
    "                        stammt (gezeigt als [Erkannt] NAME); passt keines eindeutig, wird\n"
    "                        nichts übernommen\n"
    "  --source DATEI        Pfad und Name der Quell-Datei: die Exportdatei des Programms\n"
    "  --data-dir VERZEICHNIS\n"
    "                        Datenverzeichnis in Kandrel: das Verzeichnis des Mandanten, in dem\n"
    "                        die Datei Konfi-JJ liegt\n"
    "  --year JJ             Jahr der ersten Abrechnung, zwei Ziffern (Vorgabe: das laufende\n"
    "                        Jahr); es bestimmt die Namen Konfi-JJ und Bank-JJ\n"
    "  --umlauts TEXT        Umlaute konvertieren: Ja oder Nein (Vorgabe: Ja)\n"
    "  --bank TEXT           Bankverbindungen übernehmen: Ja oder Nein (Vorgabe: Ja)\n"
    "  --decimal-separator ZEICHEN\n"
    "                        Dezimaltrennzeichen der Zahlen aus VARIAL (Vorgabe: aus den\n"
    "                        Regionaleinstellungen der Umgebung)\n"
    "  --protocol DATEI      das Protokoll der Übernahme als CSV-Datei schreiben: jede Zeile der\n"
    "                        Exportdatei mit Personalnummer, Name, Ergebnis (übernommen oder\n"
    "                        übersprungen) und Hinweis; bei einem Namen auf .html als Seite zum\n"
    "                        Drucken und Unterschreiben, mit Größe und SHA-256-Prüfsumme der\n"
    "                        gelesenen und der geschriebenen Dateien\n"
    "  --force               eine zweifelhafte Übernahme trotzdem schreiben (siehe Rückfrage)\n"
    "  --recognize DATEI     nur das Programm nennen, von dem DATEI ihrem Inhalt nach stammt,\n"
    "                        geschrieben wie in der Liste im Fenster, oder \"keines\", wenn\n"
    "                        keines eindeutig passt; gelesen werden nur die ersten 64 KiB\n"
    "  --help                diese Hilfe zeigen\n"
    "  --version             die Versionsnummer zeigen\n"
    "\n"
    "Dateien:\n"
    "  KDIMPORT.TXT          die Datei für Kandrel, im Datenverzeichnis; eine vorhandene wird\n"
    "                        ersetzt\n"
    "  Bank-JJ               die Bankverbindungen, im Datenverzeichnis; eine vorhandene wird\n"
    "                        ersetzt, aber nur, wenn Bankverbindungen übernommen werden: bei\n"
    "                        SBS und bei --bank Nein bleibt sie stehen, und Kandrel liest sie\n"
    "                        mit (das Protokoll nennt sie)\n"
    "  Konfi-JJ              kennzeichnet das Datenverzeichnis eines Mandanten in Kandrel; ohne\n"
    "                        diese Datei wird nichts geschrieben\n"
    "  BLZ_20170904.txt      die Bankleitzahlendatei für Datev und VARIAL: zuerst im aktuellen\n"
    "                        Verzeichnis gesucht, dann im Programmordner, wo sie mitgeliefert\n"
    "                        wird\n"
    "  PWASCUEB.EXP          die Bankverbindungen aus VARIAL: zuerst im aktuellen Verzeichnis\n"
    "                        gesucht, dann im Ordner der Quelldatei, wo VARIAL sie ablegt\n"
    "\n"
    "Meldungen:\n"
    "  Jede Meldung, die das Fenster in einem Meldungsfenster zeigt, erscheint hier als\n"
    "  [Überschrift] Text: Hinweise und Erfolgsmeldungen in der Standardausgabe, Ablehnungen und\n"
    "  Dateifehler in der Standardfehlerausgabe. Danach fasst das Protokoll in der\n"
    "  Standardausgabe zusammen, was aus den Zeilen der Exportdatei wurde, je Zeile mit\n"
    "  [Protokoll] davor: gelesene Zeilen, übernommene Datensätze und Bankverbindungen,\n"
    "  übersprungene Zeilen nach Grund, Hinweise nach Art. Bei --program auto steht vor allem\n"
    "  das erkannte Programm als [Erkannt] NAME in der Standardausgabe.\n"
    "\n"
    "Rückfrage:\n"
    "  Bevor eine zweifelhafte Übernahme etwas schreibt, fragt das Fenster nach: wenn die\n"
    "  Quell-Datei eindeutig nach dem Export eines anderen Programms aussieht, wenn kein\n"
    "  Datensatz entsteht, oder wenn den meisten Datensätzen fehlt, was jeder Export dieses\n"
    "  Programms hat (eine Personalnummer aus Ziffern, ein Geburtsdatum). kdimport-cli schreibt\n"
    "  dann nichts, zeigt die Frage als [Übernahme prüfen] Text in der Standardfehlerausgabe und\n"
    "  gibt 1 zurück; mit --force schreibt es wie bei der Antwort Ja.\n"
    "\n"
    "Rückgabewert:\n"
    "  0                     KDIMPORT.TXT wurde geschrieben\n"
    "  1                     die Übernahme wurde abgebrochen (Prüfung nicht bestanden,\n"
    "                        zweifelhafte Übernahme ohne --force, Datei nicht lesbar oder\n"
    "                        nicht schreibbar), oder die Protokolldatei konnte nicht\n"
    "                        geschrieben werden\n"
    "  2                     falscher Aufruf (unbekannte Angabe, fehlender Wert, ein Jahr,\n"
    "                        das nicht aus zwei Ziffern besteht, ein Wert, der kein gültiger\n"
    "                        UTF-8-Text ist, ein Programmname oder Dezimaltrennzeichen\n"
    "                        außerhalb des Zeichensatzes Windows-1252)\n"
    "  --recognize gibt 0 zurück, wenn es ein Programm oder \"keines\" nennt, und 1, wenn die\n"
    "  Datei fehlt oder nicht lesbar ist.\n"
    "\n"
    "Beispiel:\n"
    "  kdimport-cli --program Datev --source LG_ASCII_12345_SD.txt --year 18 "  //
    KDIMPORT_EXAMPLE_CONTINUE
    "\n"
    "               --data-dir " KDIMPORT_EXAMPLE_DIR
    "\n"
    "  kdimport-cli --program auto --source Tabelle2929.csv --year 18 "  //
    KDIMPORT_EXAMPLE_CONTINUE
    "\n"
    "               --data-dir " KDIMPORT_EXAMPLE_DIR
    "\n"
    "  kdimport-cli --recognize Tabelle2929.csv\n";

// Prints what the window would show in message boxes.
class ConsoleInterface : public kd::UserInterface {
 public:
  void ShowMessage(const std::string& text, const std::string& caption, kd::Icon icon) override {
    std::ostream& out = icon == kd::Icon::Information ? std::cout : std::cerr;
    std::cout.flush();
    out << '[' << caption << "] " << text << '\n';
    out.flush();
  }
  void ShowError(const std::string& text) override {
    std::cout.flush();
    std::cerr << "[Fehler] " << text << '\n';
    std::cerr.flush();
  }
  // Without --force a doubtful run writes nothing: the question and why on standard error.
  bool Ask(const std::string& text, const std::string& caption) override {
    std::cout.flush();
    std::cerr << '[' << caption << "] " << text << '\n';
    std::cerr << (force ? "kdimport-cli: --force: es wird trotzdem geschrieben.\n"
                        : "kdimport-cli: Nichts geschrieben; mit --force wird trotzdem "
                          "geschrieben.\n");
    std::cerr.flush();
    return force;
  }
  bool force = false;
  // Nothing to show the source file in: it is loaded once, by the run.
  bool ShowsSourceFile() const override { return false; }
  void ShowSourceFile(const std::string&, std::string_view) override {}
  void AppendRecord(std::string_view) override {}
};

std::string CurrentTwoDigitYear() {
  const std::tm local = kd::LocalCalendarTime(std::time(nullptr));
  char year[8];
  std::snprintf(year, sizeof year, "%02d", (local.tm_year + 1900) % 100);
  return year;
}

char EnvironmentDecimalSeparator() {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  char separator = '.';
  if (std::setlocale(LC_NUMERIC, "") != nullptr) {
    const std::lconv* conv = std::localeconv();
    if (conv && conv->decimal_point && conv->decimal_point[0] != '\0') {
      separator = conv->decimal_point[0];
    }
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  return separator;
}

int UsageError(const std::string& message) {
  std::cerr << "kdimport-cli: " << message << '\n' << kUsage;
  return 2;
}

// The program with its arguments as UTF-8 text.
int Main(const std::vector<std::string>& args) {
  std::string program;
  std::string source;
  std::string dataDir;
  std::string year = CurrentTwoDigitYear();
  std::string umlauts = "Ja";
  std::string bank = "Ja";
  std::string protocolFile;
  char decimalSeparator = 0;
  std::string recognize;
  bool recognizeOnly = false;
  bool force = false;

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << '\n' << kHelp;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "kdimport-cli " KDIMPORT_VERSION "\n";
      return 0;
    }
    if (arg == "--force") {
      force = true;
      continue;
    }
    std::string_view name = arg;
    std::string value;
    bool hasValue = false;
    if (const std::size_t eq = arg.find('=');
        arg.starts_with("--") && eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = std::string(arg.substr(eq + 1));
      hasValue = true;
    }
    std::string* target = nullptr;
    if (name == "--program")
      target = &program;
    else if (name == "--source")
      target = &source;
    else if (name == "--data-dir")
      target = &dataDir;
    else if (name == "--year")
      target = &year;
    else if (name == "--umlauts")
      target = &umlauts;
    else if (name == "--bank")
      target = &bank;
    else if (name == "--protocol")
      target = &protocolFile;
    else if (name == "--recognize")
      target = &recognize;
    std::string separatorText;
    if (name == "--decimal-separator") target = &separatorText;
    if (target == nullptr) return UsageError("unbekannte Option " + std::string(arg));
    if (target == &recognize) recognizeOnly = true;
    if (!hasValue) {
      if (i + 1 >= args.size()) return UsageError("fehlender Wert für " + std::string(name));
      value = args[++i];
    }
    // Paths and settings are UTF-8 text in the core. The program name and the decimal separator
    // stay Windows-1252 like the data: a character they cannot hold would silently become
    // another one.
    std::string converted = value;
    if (!kd::IsValidUtf8(value)) {
      return UsageError("Der Wert von " + std::string(name) + " ist kein gültiger UTF-8-Text " +
                        "und kann nicht verwendet werden");
    }
    if ((target == &program || target == &separatorText) &&
        !kd::Utf8ToCp1252Exact(value, converted)) {
      return UsageError("Der Wert von " + std::string(name) + " enthält ein Zeichen außerhalb " +
                        "des Zeichensatzes Windows-1252 und kann nicht verwendet werden: " + value);
    }
    if (target == &separatorText) {
      if (converted.size() != 1) {
        return UsageError("--decimal-separator erwartet genau ein Zeichen");
      }
      decimalSeparator = converted[0];
    } else {
      *target = converted;
    }
  }

  // The year names the files Konfi-JJ and Bank-JJ in the data directory; anything but two
  // digits would name other files, or files in another folder.
  if (!recognizeOnly && (year.size() != 2 || !kd::AllDigits(year))) {
    return UsageError("--year erwartet zwei Ziffern, zum Beispiel 18: " + year);
  }
  ConsoleInterface ui;
  ui.force = force;
  if (recognizeOnly) {
    const std::optional<std::string> line = kd::readers::RecognizedProgramLine(recognize, ui);
    if (!line) return 1;
    std::cout << *line << '\n';
    return 0;
  }
  if (kd::readers::IsAutoProgram(program)) {
    const std::optional<std::string> recognised = kd::readers::ProgramForAutoRun(source, ui);
    if (!recognised) return 1;
    program = *recognised;
  }
  kd::Conversion conversion(ui, kd::readers::Table());
  conversion.decimalSeparator =
      decimalSeparator != 0 ? decimalSeparator : EnvironmentDecimalSeparator();
  // A script calls the installed program from a folder of its own: the bank code list that ships
  // beside the program, and VARIAL's bank file beside its export, are found there too.
  conversion.bareFiles.programDirectory = kd::ProgramDirectory();
  conversion.ReadSettings({source, dataDir, umlauts, bank, year}, program);
  const kd::RunResult result = conversion.Run(program);
  int status = result == kd::RunResult::Written ? 0 : 1;
  if (!protocolFile.empty()) {
    try {
      if (kd::IsPageName(protocolFile)) {
        kd::WriteProtocolPage(conversion.Files(), protocolFile, conversion.protocol,
                              conversion.lastRun);
      } else {
        conversion.protocol.WriteCsv(protocolFile);
      }
    } catch (const kd::FileError& error) {
      ui.ShowError(error.what());
      status = 1;
    }
  }
  if (conversion.protocol.Started()) {
    std::cout.flush();
    for (const std::string& line : conversion.protocol.Summary()) {
      std::cout << "[Protokoll] " << line << '\n';
    }
    std::cout.flush();
  }
  return status;
}

// Nothing escapes as a crash: what the run does not report itself ends the program with a
// message and the status of a stopped run.
int Guarded(const std::vector<std::string>& args) {
  try {
    return Main(args);
  } catch (const std::bad_alloc&) {
    std::cerr << "[Fehler] Nicht genügend Arbeitsspeicher.\n";
  } catch (const std::exception& error) {
    std::cerr << "[Fehler] Unerwarteter Fehler: " << error.what() << '\n';
  }
  return 1;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  // Messages and help are UTF-8; the console shows them right only when told so.
  SetConsoleOutputCP(CP_UTF8);
  // Windows hands the program its arguments as UTF-16; the ANSI code page would lose what it
  // cannot hold before the program sees it.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(kd::Utf8FromWide(argv[i]));
  return Guarded(args);
}
#else
int main(int argc, char** argv) {
  return Guarded(std::vector<std::string>(argv + 1, argv + argc));
}
#endif

// kdimport-cli: the conversion run of the window's button, without a window.
#include <clocale>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.h"
#include "readers.h"
#include "text.h"

namespace {

constexpr const char* kUsage =
    "Aufruf: kdimport-cli --program NAME --source DATEI --data-dir VERZEICHNIS\n"
    "                     [--year JJ] [--umlauts TEXT] [--bank TEXT]\n"
    "                     [--decimal-separator ZEICHEN] [--help] [--version]\n";

constexpr const char* kHelp =
    "Übernahme von Personalstammdaten im Textformat nach Kandrel.\n"
    "\n"
    "Liest die Exportdatei eines anderen Lohnprogramms und schreibt die Datei KDIMPORT.TXT\n"
    "(und auf Wunsch die Bankverbindungen als Bank-JJ) in das Datenverzeichnis des Mandanten.\n"
    "\n"
    "  --program NAME        1. Übernahme aus Programm: Agenda, BBS, Datev, Dataline, Exact,\n"
    "                        GDI, Lexware, sage, SBS oder VARIAL\n"
    "  --source DATEI        Pfad und Name der Quell-Datei (die Exportdatei)\n"
    "  --data-dir VERZ.      Datenverzeichnis in Kandrel (enthält die Datei Konfi-JJ)\n"
    "  --year JJ             Jahr der 1. Abr., zweistellig (Vorgabe: das laufende Jahr)\n"
    "  --umlauts TEXT        Umlaute konvertieren (Vorgabe: Ja)\n"
    "  --bank TEXT           Bankverbindungen übernehmen (Vorgabe: Ja)\n"
    "  --decimal-separator Z Dezimaltrennzeichen für Zahlen (Vorgabe: aus den\n"
    "                        Regionaleinstellungen der Umgebung)\n"
    "  --help                diese Hilfe\n"
    "  --version             die Version\n"
    "\n"
    "Die Bankleitzahlendatei BLZ_20170904.txt und bei VARIAL die Bankdatei PWASCUEB.EXP werden\n"
    "im aktuellen Verzeichnis gesucht.\n"
    "\n"
    "Meldungen erscheinen als [Überschrift] Text. Rückgabewert: 0 wenn KDIMPORT.TXT geschrieben\n"
    "wurde, 1 wenn die Übernahme abgebrochen wurde, 2 bei einem falschen Aufruf.\n";

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
  void ShowSourceFile(const std::string&, std::string_view) override {}
  void AppendRecord(std::string_view) override {}
};

// Command-line texts arrive in the system's encoding: UTF-8 here, the ANSI code page on Windows.
std::string FromCommandLine(std::string_view text) {
#ifdef _WIN32
  return std::string(text);
#else
  return kd::Utf8ToCp1252(text);
#endif
}

std::string CurrentTwoDigitYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
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

}  // namespace

int main(int argc, char** argv) {
  std::string program;
  std::string source;
  std::string dataDir;
  std::string year = CurrentTwoDigitYear();
  std::string umlauts = "Ja";
  std::string bank = "Ja";
  char decimalSeparator = 0;

  const std::vector<std::string_view> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << '\n' << kHelp;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "kdimport-cli " KDIMPORT_VERSION "\n";
      return 0;
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
    std::string separatorText;
    if (name == "--decimal-separator") target = &separatorText;
    if (target == nullptr) return UsageError("unbekannte Option " + std::string(arg));
    if (!hasValue) {
      if (i + 1 >= args.size()) return UsageError("fehlender Wert für " + std::string(name));
      value = std::string(args[++i]);
    }
    if (target == &separatorText) {
      const std::string converted = FromCommandLine(value);
      if (converted.size() != 1) {
        return UsageError("--decimal-separator erwartet genau ein Zeichen");
      }
      decimalSeparator = converted[0];
    } else {
      *target = FromCommandLine(value);
    }
  }

  ConsoleInterface ui;
  kd::Conversion conversion(ui, kd::readers::Table());
  conversion.decimalSeparator =
      decimalSeparator != 0 ? decimalSeparator : EnvironmentDecimalSeparator();
  conversion.ReadSettings({source, dataDir, umlauts, bank, year}, program);
  const kd::RunResult result = conversion.Run(program);
  return result == kd::RunResult::Written ? 0 : 1;
}

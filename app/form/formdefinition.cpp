#include "formdefinition.h"

#include <algorithm>
#include <array>

namespace kd::form {

namespace {

constexpr std::string_view kHelpText =
    "Folgende Voraussetzungen müssen vorliegen:\n"
    "1. Die Exportdatei mit den Personalstammdaten wurde im bisherigen Lohnprogramm erstellt.\n"
    "2. Kandrel ist als Voll- oder Testversion installiert.\n"
    "3. In Kandrel wurde ein Mandant angelegt, mindestens mit seinen Firmendaten.\n"
    "4. Kandrel wurde beendet.\n"
    "Reihenfolge der Schritte:\n"
    "1. Wählen Sie unter \"1. Übernahme aus Programm:\" das Programm, aus dem die Daten übernommen "
    "werden.\n"
    "2. Klicken Sie auf \"2.  Suchen woher\" und wählen Sie die Exportdatei (Quelldatei) aus.\n"
    "3. Klicken Sie auf \"3.  Suchen wohin\" und wählen Sie das Datenverzeichnis des Mandanten in "
    "Kandrel, z.B. C:\\KANDREL\\FIRMA\\. Prüfen Sie danach die übrigen Angaben; bei \"Umlaute "
    "konvertieren\" lassen Sie bitte \"Ja\" stehen.\n"
    "4. Klicken Sie auf \"4.  Kandrel-Datei  erstellen\". Die wichtigsten Daten werden dann in die "
    "Zwischendatei KDIMPORT.TXT geschrieben.\n"
    "5. Legen Sie in Kandrel unter Stammdaten / Mitarbeiterdaten / Neuen Mitarbeiter anlegen jeden "
    "Mitarbeiter an, indem Sie nur seine Personal-Nr. eingeben.\n"
    "6. Ergänzen Sie danach die Daten der Mitarbeiter.\n"
    "\n"
    "Hinweise und Probleme\n"
    "- Werden Bankverbindungen übernommen, gehen die in Kandrel bereits erfassten Bankverbindungen "
    "verloren.\n"
    "- Die Personal-Nr. muss numerisch, max. 4-stellig sein (ansonsten bitte anrufen).\n"
    "- Bei Problemen rufen Sie uns bitte an oder senden Sie uns die Quelldatei per E-Mail an "
    "support@kandrel.example.\n"
    "\n"
    "Übernahmen aus folgenden Programmen sind möglich:\n"
    "DATEV (Stand: 09.11.2017) Datei LG_ASCII..._SD.txt mit der Spaltenzeile in Anführungszeichen, "
    "darin u.a. Personalnummer, Familienname, Vorname, Straße/Postfach, PLZ, Ort, Geburtsdatum, "
    "Versicherungsnummer, Staatsangehörigkeit, IBAN, BIC, Eintrittsdatum, Berufsbezeichnung, "
    "Personengruppenschlüssel, Tätigkeitsmerkmal, Beitragsgruppenschlüssel, Umlagepflicht.\n"
    "Lexware (Stand 24.04.2018) Export über "
    "Berichtszentrale/Stammdaten/Mitarbeiter(Personalstammblatt)/Exportieren MS Excel als "
    "CSV-Datei.\n"
    "Dataline (Stand 23.09.2016) Datei Personalstammdaten.dat aus der GDPdU-Auswertung.\n"
    "GDI (Stand 10.01.2015) Exportdatei Personal.csv\n"
    "Sage (Stand 01.05.2017) mit der Spaltenzeile, darin u.a. Pers-Nr, Vorname, Name, Straße, "
    "Postleitzahl, Ort, Nationalität, Eintritt, Geburtsdatum, Bank, IBAN, Steuerklasse, "
    "Kinderfreibetrag, Faktor, Kirchensteuer, Steuer-ID, Rentenversicherungsnummer, "
    "Personengruppenschlüssel, Tätigkeitsschlüssel, Tätigkeit, B1, B2, SV-Schlüssel, "
    "Elterneigenschaft, Gefahrentarifstelle.\n"
    "BBS (Stand 02.09.2016) Exportdatei mit durch Semikolon getrennten Feldern.\n"
    "Agenda (Stand 07.09.2016) Datei Personaldaten.csv mit der Spaltenzeile, darin u.a. "
    "Personalnummer, Nachname, Vorname, Straße, Hausnummer, PLZ, Ort, Eintritt, Geburtsdatum, "
    "Bankbezeichnung, IBAN-Nummer, BIC (SWIFT-Code), Identifikationsnummer, Steuerklasse, "
    "Kinderfreibetrag, Religion Mitarbeiter, Religion Ehegatte, SV-Nummer, Tätigkeitsschlüssel, "
    "Beruf, Abschluss Schule, Abschluss Beruf, AN-Überlassung, Form-Vertrag, Personengruppe, "
    "Beitragsgruppenschlüssel.\n"
    "EXACT (Stand 17.02.2009) Datei persli.txt mit der Spaltenzeile "
    "PNR.;NAME;VORNAME;STRASSE;PLZ;ORT;GEB.;SV-NR.;BERUF;EINTRITT;STATUS;BANK;BLZ;KTONR.;AGS;LSTKL;"
    "KI.FR.;RELI;STAAT;PGR;TAET;BGS;UML;GZ;BL;\n"
    "SBS (Stand 31.08.2012) Datei Tabelle2929.csv mit der Spaltenzeile "
    "Firmen-Nr.;Personal-Nr.;Nachname;Vorname;Straße;Deutsche "
    "PLZ;Wohnort;Geburtsdatum;Geburtsort;Familienstand;Geschlecht;Eintritts-Datum;Steuerklasse;"
    "Berufsgruppe;Monats-Freibetrag;Jahres-Freibetrag;KiSt-Schlüssel AN;Konfess. "
    "Ehegatte;AN-Krankenkasse;Tätigkeits-Schl.;Staatsangehörigk.;Faktor "
    "1;Sozialversich.Nr.;Kinderfreibeträge;Nationalitäts-Kz.;Geburtsname;Personengruppe;"
    "Beitragsgruppe;Steuernummer;eTIN;Amtl.GemeindeSchl;TIN Steuer-Ident.\n"
    "Varial (Stand 25.09.2017) Mitarbeiterdaten in der Datei PWASCANS.EXP, Bankverbindungen in der "
    "Datei PWASCUEB.EXP.\n"
    "\n"
    "";

constexpr std::string_view kCaptionsText =
    "Pfad und Name der Quell-Datei:\n"
    "Datenverzeichnis in Kandrel:\n"
    "Umlaute konvertieren:\n"
    "Bankverbindungen übernehmen:\n"
    "Jahr der 1. Abr. - wird aut. akt.";

// The settings lines before a settings file was ever saved.
constexpr std::string_view kDefaultSettingsText =
    "c:\\Kandrel\\Firma\\\n"
    "\n"
    "Ja\n"
    "Ja \n"
    "15-wird autom. aktualiert ";

constexpr Anchor kFixed{0, 1, 0, 0};       // keeps its place relative to the middle band
constexpr Anchor kRightSide{2, 1, 0, 0};   // stays at the right edge
constexpr Anchor kHelpAnchor{0, 0, 2, 1};  // takes the width and half the extra height

constexpr std::array kControls{
    ControlDefinition{"Memo2",
                      Kind::Memo,
                      {8, 8, 761, 313},
                      kHelpAnchor,
                      kHelpText,
                      kReadOnly | kVerticalScroll | kWordWrap | kTabStop,
                      Font::Form,
                      Colour::Window,
                      std::nullopt},
    ControlDefinition{"Panel3",
                      Kind::Panel,
                      {8, 336, 233, 25},
                      kFixed,
                      "Die Angaben hierfür ......................",
                      0,
                      Font::Form,
                      Colour::Yellow,
                      std::nullopt},
    ControlDefinition{"Panel2",
                      Kind::Panel,
                      {256, 336, 217, 25},
                      kFixed,
                      "....... legen Sie hier fest.",
                      0,
                      Font::Form,
                      Colour::Yellow,
                      std::nullopt},
    ControlDefinition{"Label1",
                      Kind::Label,
                      {474, 344, 173, 17},
                      kRightSide,
                      "1. Übernahme aus Programm:",
                      0,
                      Font::Form,
                      Colour::ButtonFace,
                      std::nullopt},
    ControlDefinition{"ProgrammCombo",
                      Kind::Combo,
                      {648, 342, 89, 21},
                      kRightSide,
                      "",
                      kTabStop,
                      Font::Form,
                      Colour::Window,
                      Control::ProgrammCombo},
    ControlDefinition{"Memo5",
                      Kind::Memo,
                      {8, 368, 233, 113},
                      kFixed,
                      kCaptionsText,
                      kReadOnly,
                      Font::Settings,
                      Colour::Aqua,
                      Control::Memo5},
    ControlDefinition{"FormelMemo",
                      Kind::Memo,
                      {256, 368, 217, 113},
                      kFixed,
                      kDefaultSettingsText,
                      kHorizontalScroll | kTabStop,
                      Font::Settings,
                      Colour::Window,
                      Control::FormelMemo},
    ControlDefinition{"Button3",
                      Kind::Button,
                      {472, 368, 129, 18},
                      kFixed,
                      "2.  Suchen woher",
                      kTabStop,
                      Font::Form,
                      Colour::ButtonFace,
                      Control::Button3},
    ControlDefinition{"Button4",
                      Kind::Button,
                      {472, 386, 129, 18},
                      kFixed,
                      "3.  Suchen wohin",
                      kTabStop,
                      Font::Form,
                      Colour::ButtonFace,
                      Control::Button4},
    ControlDefinition{"Button1",
                      Kind::Button,
                      {608, 416, 161, 41},
                      kRightSide,
                      "4.  Kandrel-Datei  erstellen",
                      kTabStop | kDisabled,
                      Font::Form,
                      Colour::ButtonFace,
                      Control::Button1},
    ControlDefinition{"EndeButton",
                      Kind::Button,
                      {608, 480, 161, 25},
                      kRightSide,
                      "&Ende",
                      kTabStop,
                      Font::Form,
                      Colour::ButtonFace,
                      Control::EndeButton},
    ControlDefinition{"Panel4",
                      Kind::Panel,
                      {8, 528, 481, 33},
                      {0, 1, 1, 0},
                      "Quelldatei",
                      0,
                      Font::Form,
                      Colour::Yellow,
                      Control::Panel4},
    ControlDefinition{"Memo1",
                      Kind::Memo,
                      {8, 560, 481, 113},
                      {0, 1, 1, 1},
                      "",
                      kVerticalScroll | kHorizontalScroll | kTabStop,
                      Font::Source,
                      Colour::Window,
                      Control::Memo1},
    ControlDefinition{"Panel1",
                      Kind::Panel,
                      {504, 528, 265, 33},
                      {1, 1, 1, 0},
                      "Erzeugte Datensätze",
                      0,
                      Font::Form,
                      Colour::Yellow,
                      std::nullopt},
    ControlDefinition{"Memo3",
                      Kind::Memo,
                      {504, 560, 265, 113},
                      {1, 1, 1, 1},
                      "",
                      kVerticalScroll | kHorizontalScroll | kTabStop,
                      Font::Form,
                      Colour::Window,
                      Control::Memo3},
    // Beside the program list: which program the source file looks like. Below the list, above
    // the conversion button, as wide as it; three lines for the longest hint.
    ControlDefinition{"ErkanntLabel",
                      Kind::Label,
                      {608, 366, 161, 46},
                      kRightSide,
                      "",
                      kWordWrap,
                      Font::Form,
                      Colour::ButtonFace,
                      Control::ErkanntLabel},
    // Below the two selection buttons, level with the foot of the settings lines; usable once
    // a run has read an export.
    ControlDefinition{"ProtokollButton",
                      Kind::Button,
                      {473, 456, 128, 25},
                      kFixed,
                      "Protokoll",
                      kTabStop | kDisabled,
                      Font::Form,
                      Colour::ButtonFace,
                      Control::ProtokollButton},
};

constexpr std::array<std::string_view, 10> kTabOrder{
    "Button1",    "ProgrammCombo", "Button3", "Button4", "FormelMemo",
    "EndeButton", "Memo2",         "Memo1",   "Memo3",   "ProtokollButton"};

constexpr std::array<std::string_view, 10> kProgramItems{
    "Agenda", "BBS", "Datev", "Dataline", "Exact", "GDI", "Lexware", "sage", "SBS", "VARIAL"};

// A share of the extra room: none, half (rounded down) or all.
int Share(int extra, int parts) {
  return parts == 2 ? extra : parts * extra / 2;
}

// Growth by half takes the other half of an odd extra, so that a control that grows by half
// and its neighbour that moves by half meet without a gap.
int Growth(int extra, int parts) {
  return parts == 1 ? extra - extra / 2 : Share(extra, parts);
}

}  // namespace

std::span<const ControlDefinition> Controls() {
  return kControls;
}

const ControlDefinition* FindControl(std::string_view name) {
  const auto found = std::find_if(kControls.begin(), kControls.end(),
                                  [&](const ControlDefinition& c) { return c.name == name; });
  return found == kControls.end() ? nullptr : &*found;
}

const ControlDefinition& Definition(Control control) {
  return *std::find_if(kControls.begin(), kControls.end(),
                       [&](const ControlDefinition& c) { return c.control == control; });
}

std::span<const std::string_view> TabOrder() {
  return kTabOrder;
}

std::span<const std::string_view> ProgramItems() {
  return kProgramItems;
}

Rect Placed(const ControlDefinition& control, int width, int height) {
  return Placed(control.place, control.anchor, width, height);
}

Rect Placed(const Rect& start, const Anchor& a, int width, int height) {
  const int dx = std::max(0, width - kClientWidth);
  const int dy = std::max(0, height - kClientHeight);
  return {start.x + Share(dx, a.moveX), start.y + Share(dy, a.moveY),
          start.width + Growth(dx, a.growWidth), start.height + Growth(dy, a.growHeight)};
}

}  // namespace kd::form

#include "readers.h"

#include <array>

namespace kd::readers {

bool LexwareHeaderApplies(std::string_view headerLine) {
  return headerLine.find("Wohnland;LKZ;") != std::string_view::npos;
}

std::span<const ReaderEntry> Table() {
  static constexpr std::array<ReaderEntry, 11> kTable = {{
      {"LEXWARE",
       true,
       LexwareHeaderApplies,
       ReadLexwareHeader,
       {LexwareHeaderFit, "Personalstammblatt"}},
      {"LEXWARE", true, nullptr, ReadLexwareSecond, {LexwareSecondFit, "feste Spaltenfolge"}},
      {"EXACT", false, nullptr, ReadExact, {ExactFit}},
      {"BBS", false, nullptr, ReadBbs, {BbsFit}},
      {"AGENDA", false, nullptr, ReadAgenda, {AgendaFit}},
      {"VARIAL", false, nullptr, ReadVarial, {VarialFit}},
      {"DATALINE", false, nullptr, ReadDataline, {DatalineFit}},
      {"SBS", false, nullptr, ReadSbs, {SbsFit}},
      {"SAGE", false, nullptr, ReadSage, {SageFit}},
      {"DATEV", false, nullptr, ReadDatev, {DatevFit}},
      {"GDI", false, nullptr, ReadGdi, {GdiFit}},
  }};
  return kTable;
}

}  // namespace kd::readers

#include "readers.h"

#include <array>

namespace kd::readers {

bool LexwareHeaderApplies(std::string_view headerLine) {
  return headerLine.find("Wohnland;LKZ;") != std::string_view::npos;
}

std::span<const ReaderEntry> Table() {
  static constexpr std::array<ReaderEntry, 11> kTable = {{
      {"LEXWARE", true, LexwareHeaderApplies, ReadLexwareHeader},
      {"LEXWARE", true, nullptr, ReadLexwareSecond},
      {"EXACT", false, nullptr, ReadExact},
      {"BBS", false, nullptr, ReadBbs},
      {"AGENDA", false, nullptr, ReadAgenda},
      {"VARIAL", false, nullptr, ReadVarial},
      {"DATALINE", false, nullptr, ReadDataline},
      {"SBS", false, nullptr, ReadSbs},
      {"SAGE", false, nullptr, ReadSage},
      {"DATEV", false, nullptr, ReadDatev},
      {"GDI", false, nullptr, ReadGdi},
  }};
  return kTable;
}

}  // namespace kd::readers

// Every export layout the conversion knows, with one signature each.
#pragma once

#include <span>
#include <string_view>

#include "conversion.h"

namespace kd::readers {

// The one table that knows every reader, in the order the run tests the program names.
std::span<const ReaderEntry> Table();

bool LexwareHeaderApplies(std::string_view headerLine);

void ReadLexwareHeader(ReaderContext& context);
void ReadLexwareSecond(ReaderContext& context);
void ReadExact(ReaderContext& context);
void ReadBbs(ReaderContext& context);
void ReadAgenda(ReaderContext& context);
void ReadVarial(ReaderContext& context);
void ReadDataline(ReaderContext& context);
void ReadSbs(ReaderContext& context);
void ReadSage(ReaderContext& context);
void ReadDatev(ReaderContext& context);
void ReadGdi(ReaderContext& context);

}  // namespace kd::readers

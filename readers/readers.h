// Every export layout the conversion knows, with one signature each.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "layoutlook.h"
#include "readercontext.h"
#include "recognition.h"

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

// How well the beginning of a file looks like each layout's export (0 to 1); each reader's file
// ends with its own.
double LexwareHeaderFit(const ExportHead& head);
double LexwareSecondFit(const ExportHead& head);
double ExactFit(const ExportHead& head);
double BbsFit(const ExportHead& head);
double AgendaFit(const ExportHead& head);
double VarialFit(const ExportHead& head);
double DatalineFit(const ExportHead& head);
double SbsFit(const ExportHead& head);
double SageFit(const ExportHead& head);
double DatevFit(const ExportHead& head);
double GdiFit(const ExportHead& head);

// Recognition over the reader table (recognition.h). `bytes`: the file or its beginning, as
// stored; `text`: text already decoded to Windows-1252; `path`: a UTF-8 path
// (RecognizeFile throws FileError when the file cannot be opened).
Recognition Recognize(std::string_view bytes, std::string_view fileName);
Recognition RecognizeText(std::string_view text, std::string_view fileName);
Recognition RecognizeFile(std::string_view path);

// "auto" as the program name (in any case) asks for the program recognised from the source file.
bool IsAutoProgram(std::string_view programName);

// The program name a run asked for "auto" converts with: the recognised program, which `ui` is
// shown first (caption "Erkannt", information icon). Nothing when no layout fits clearly or the
// file cannot be read, after `ui` has shown why. A source file that does not exist is left to
// the run, whose own check reports it: the name returned is then the first of the list.
std::optional<std::string> ProgramForAutoRun(std::string_view sourcePath, UserInterface& ui);

// The one line that "--recognize" prints: the recognised program as in the window's list, or
// "keines" when no layout fits clearly. Nothing when the file does not exist or cannot be
// read, after `ui` has shown why.
std::optional<std::string> RecognizedProgramLine(std::string_view path, UserInterface& ui);

}  // namespace kd::readers

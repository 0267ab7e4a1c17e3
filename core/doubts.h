// The question before a doubtful run writes: what makes the prepared files doubtful, in the
// words the question and the protocol use (UTF-8).
#pragma once

#include <string>
#include <string_view>

#include "filesystem.h"
#include "protocol.h"
#include "recognition.h"
#include "recordchecks.h"
#include "settings.h"

namespace kd {

// The caption of the question before a doubtful run writes.
inline constexpr const char* kDoubtCaption = "Übernahme prüfen";

// What makes the files a reader prepared doubtful, as sentences; empty when nothing does: the
// export looks like another program's, no line gave a record, or most records lack what every
// export gives its employees.
std::string Doubts(const Recognition& recognition, std::string_view programName,
                   const Protocol& protocol, const RecordChecks& checks);

// The question's last sentence: what "Ja" does to which files.
std::string WhatYesDoes(const ConversionSettings& settings, bool bankFile, FileSystem& files);

// The files a stopped run did not write, for the protocol.
std::string NotWritten(const ConversionSettings& settings, bool bankFile);

}  // namespace kd

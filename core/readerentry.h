// One row of the reader table: what the run and recognition know of a layout.
#pragma once

#include <string_view>

namespace kd {

class ReaderContext;
class ExportHead;
using ReaderFunction = void (*)(ReaderContext&);

// How a layout tells its export from the beginning of a file (layoutlook.h): how well the file
// looks like it (0 to 1), and the layout's name where a program has more than one.
struct Recognizer {
  double (*fit)(const ExportHead& head) = nullptr;
  std::string_view layout = {};
};

// The program name in upper case, whether the run keeps the first line as the column line for
// it, an optional test on that column line (a row whose test fails gives way to the next row of
// the same name), the reader and its recognizer.
struct ReaderEntry {
  std::string_view program;
  bool keepsHeaderLine = false;
  bool (*applies)(std::string_view headerLine) = nullptr;
  ReaderFunction read = nullptr;
  Recognizer recognizer = {};
};

}  // namespace kd

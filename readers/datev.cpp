// PLACEHOLDER until the reader is written: only the flag line.
#include "readers.h"

namespace kd::readers {

void ReadDatev(ReaderContext& context) {
  context.AddFlagLine();
}

}  // namespace kd::readers

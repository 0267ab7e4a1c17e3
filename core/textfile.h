// Text files of the core: the export read whole as a snapshot (snapshot.h), the import and
// bank files, the settings file and the protocol written whole and put in place atomically
// (pairwriter.h), over the file system of filesystem.h. Paths are UTF-8 text.
#pragma once

#include "filesystem.h"
#include "pairwriter.h"
#include "snapshot.h"

// The installation paths of the server configuration file "qxserver": the
// eight settings of section "QXMON PATHS", read once into the ServerPaths
// block that every action function receives.
#ifndef QXEXPPAR_TRIGGERS_SERVER_PATHS_H
#define QXEXPPAR_TRIGGERS_SERVER_PATHS_H

#include <cstdint>

#include "triggers/qxtrg.h"

// The setting names, in slot order.
extern const char* const kServerPathSettings[kServerPathCount];

// Opens "qxserver" in `directory` (joined as the trigger files are) with
// its fixed owner name, sets the block's loaded word to 1 and fills each
// slot with its setting's value, trailing blanks cut (a 40-character value
// whole). A setting that cannot be read leaves its slot empty. The file is
// closed again before the return.
// Returns 0; -2 without a block (nothing else happens). When the file
// cannot be opened (-2 for a path that does not fit, -1 for no memory, or
// the open's status) or its record buffer cannot be allocated (-1), the
// trigger files are closed as by QXTRGDeinitDat before the return.
int32_t TrgLoadServerPaths(const char* directory, ServerPaths* paths);

#endif

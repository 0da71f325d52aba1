// A file the tool is making and must not leave behind when it is
// interrupted (SIGINT, SIGTERM, SIGHUP; a console's control events on
// Windows): the interruption removes the file, then ends the tool as it
// would have ended anyway. One file at a time; one source file per system.
#ifndef QXEXP_INTERRUPT_H
#define QXEXP_INTERRUPT_H

#include <string>

// From now on an interruption removes `path`.
void RemoveOnInterrupt(const std::string& path);
// The file is the tool's no longer (renamed, or removed already).
void KeepOnInterrupt();

#endif

// Whether a stream goes to a terminal (one file per system).
#ifndef QXEXP_TERMINAL_H
#define QXEXP_TERMINAL_H

#include <cstdio>

bool IsTerminal(std::FILE* stream);

#endif

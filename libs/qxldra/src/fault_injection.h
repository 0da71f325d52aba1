// Failures that tests ask for (qxldra_testing.h).
#ifndef QXLDRA_FAULT_INJECTION_H
#define QXLDRA_FAULT_INJECTION_H

#include <cstdint>
#include <string_view>

namespace qxldra {

// The status a test wants this call to fail with, or 0. `file_name` is
// empty for calls that concern no file (reset).
int16_t InjectedFailure(std::string_view file_name, uint16_t operation);

// The last part of a path: what follows its last '/' or '\'.
std::string_view FileNameOf(std::string_view path);

}  // namespace qxldra

#endif

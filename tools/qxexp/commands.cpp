#include "commands.h"

int UsageError(const char* command, const std::string& message) {
  std::fprintf(stderr, "qxexp %s: %s\nRun 'qxexp %s --help' for its usage.\n", command, message.c_str(), command);
  return kExitError;
}

int InputError(const std::string& message) {
  std::fprintf(stderr, "qxexp: %s\n", message.c_str());
  return kExitError;
}

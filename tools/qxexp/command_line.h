// The arguments of a subcommand: options in the usual forms ("--name
// value", "--name=value", a short alias such as "-o value", flags such as
// "--count"), anywhere among the positional arguments; "--" ends the
// options. Every other argument is positional, "-" and words such as "-5"
// included, so expressions pass unharmed.
#ifndef QXEXP_COMMAND_LINE_H
#define QXEXP_COMMAND_LINE_H

#include <map>
#include <string>
#include <vector>

struct OptionSpec {
  const char* name;   // "--layout"
  const char* alias;  // "-o", or nullptr
  bool takes_value;
};

struct CommandLine {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // by option name, for options that take one
  std::map<std::string, bool> flags;          // by option name, for flags given

  bool Has(const std::string& name) const { return flags.count(name) != 0 || values.count(name) != 0; }
  std::string Value(const std::string& name, const std::string& fallback = "") const {
    auto it = values.find(name);
    return it != values.end() ? it->second : fallback;
  }
};

// Parses `args`. "--help" and "-h" are always known flags (as "--help").
// False with a message for an unknown option, a missing value, a value given
// to a flag, or an option given twice.
bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs,
                      CommandLine* line, std::string* error);

// A whole number of at least `min` written in full ("12", not "12x"): false
// otherwise.
bool ParseCount(const std::string& text, unsigned long long min, unsigned long long* number);

#endif

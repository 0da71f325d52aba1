#include "command_line.h"

#include <cerrno>
#include <cstdlib>

namespace {

const OptionSpec kHelp = {"--help", "-h", false};

const OptionSpec* FindSpec(const std::vector<OptionSpec>& specs, const std::string& word) {
  if (word == kHelp.name || word == kHelp.alias) return &kHelp;
  for (const OptionSpec& spec : specs) {
    if (word == spec.name || (spec.alias != nullptr && word == spec.alias)) return &spec;
  }
  return nullptr;
}

bool IsLongOption(const std::string& arg) { return arg.size() > 2 && arg.compare(0, 2, "--") == 0; }

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs,
                      CommandLine* line, std::string* error) {
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended) {
      line->positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    std::string word = arg;
    std::string value;
    bool has_inline_value = false;
    if (IsLongOption(arg)) {
      size_t equals = arg.find('=');
      if (equals != std::string::npos) {
        word = arg.substr(0, equals);
        value = arg.substr(equals + 1);
        has_inline_value = true;
      }
    }
    const OptionSpec* spec = FindSpec(specs, word);
    if (spec == nullptr) {
      if (IsLongOption(arg)) {
        *error = "unknown option " + word;
        return false;
      }
      line->positional.push_back(arg);
      continue;
    }
    const std::string name = spec->name;
    if (line->Has(name)) {
      *error = "option " + name + " given twice";
      return false;
    }
    if (!spec->takes_value) {
      if (has_inline_value) {
        *error = "option " + name + " takes no value";
        return false;
      }
      line->flags[name] = true;
      continue;
    }
    if (!has_inline_value) {
      if (i + 1 >= args.size()) {
        *error = "option " + name + " needs a value";
        return false;
      }
      value = args[++i];
    }
    line->values[name] = value;
  }
  return true;
}

bool ParseCount(const std::string& text, unsigned long long min, unsigned long long* number) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
  if (errno != 0 || value < min) return false;
  *number = value;
  return true;
}

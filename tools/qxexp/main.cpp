// qxexp: try filter expressions of the qxexpc library: see what they mean,
// why they do not compile, and which records they match.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "commands.h"

namespace {

const Command kCommands[] = {
    {"explain", "show the stored nodes of an expression and its grouping", kExplainUsage, RunExplain},
    {"records", "make a record file from CSV rows, or show one as a table", kRecordsUsage, RunRecords},
    {"filter", "evaluate an expression against every record of a file", kFilterUsage, RunFilter},
    {"demo", "make sample records and run sample filters over them", kDemoUsage, RunDemo},
};

void Usage(std::FILE* out) {
  std::fputs(
      "usage: qxexp COMMAND [ARGUMENTS]\n"
      "\n"
      "Try filter expressions: see what they mean, why they do not compile, and\n"
      "which records they match.\n"
      "\n"
      "commands:\n",
      out);
  for (const Command& command : kCommands) std::fprintf(out, "  %-9s %s\n", command.name, command.summary);
  std::fputs(
      "  help      show this text, or the help of a command\n"
      "\n"
      "Run 'qxexp COMMAND --help' for the help of a command.\n"
      "Exit status: 0 success; 1 no record matched (filter); 2 usage or input error.\n",
      out);
}

const Command* Find(const std::string& name) {
  for (const Command& command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (args.empty()) {
    Usage(stderr);
    return kExitError;
  }
  const std::string name = args[0];
  args.erase(args.begin());
  if (name == "help" || name == "--help" || name == "-h") {
    if (args.empty()) {
      Usage(stdout);
      return kExitOk;
    }
    const Command* command = Find(args[0]);
    if (command == nullptr) return InputError("no command named '" + args[0] + "'; run 'qxexp help'");
    std::fputs(command->usage, stdout);
    return kExitOk;
  }
  const Command* command = Find(name);
  if (command == nullptr) {
    std::fprintf(stderr, "qxexp: unknown command '%s'\n\n", name.c_str());
    Usage(stderr);
    return kExitError;
  }
  try {
    return command->run(args);
  } catch (const std::exception& failure) {
    return InputError(failure.what());
  }
}

// qxexp explain: the stored nodes of an expression and its grouping.

#include "command_line.h"
#include "commands.h"
#include "compiler/node_dump.h"
#include "table.h"

const char kExplainUsage[] =
    "usage: qxexp explain EXPRESSION\n"
    "\n"
    "Compiles EXPRESSION as a filter and prints its stored nodes, root first:\n"
    "position, kind, type code and name, offset, length, attributes, group and\n"
    "value. Then the expression written back in infix form, every grouping in\n"
    "parentheses, as text that compiles to the same nodes. The words of the\n"
    "expression may also be given as separate arguments.\n"
    "\n"
    "When the text does not compile, prints the status, its name and meaning,\n"
    "and the text with a caret under the word where reading stopped (exit\n"
    "status 2).\n"
    "\n"
    "example:\n"
    "  qxexp explain 'db 0 4 int > val 4 int 90 and db 4 2 char 0.0 = val 2 char \"NO\"\n"
    "                 or db 4 2 char 0.0 = val 2 char \"SE\"'\n";

void PrintExplanation(std::FILE* out, const std::vector<ExpToken>& nodes) {
  {
    Table table(out, {"pos", "kind", "type", "offset", "length", "attrs", "group", "value"},
                {true, false, false, true, true, false, true, false});
    for (size_t i = 0; i < nodes.size(); ++i) {
      const ExpToken& node = nodes[i];
      ExpNodeRow row = ExpDescribeNode(node);
      table.Add({std::to_string(i + 1), row.kind, row.type, std::to_string(node.offset), std::to_string(node.length),
                 row.attrs, std::to_string(node.group), row.value});
    }
  }
  const ExpInfix infix = ExpRenderInfix(nodes.data(), static_cast<uint32_t>(nodes.size()));
  if (infix.problem == ExpInfixProblem::kTooDeep) {
    // Only the writing back stops here; the walk evaluates such nodes.
    std::fprintf(out, "infix: not shown: the grouping nests deeper than %d levels (node %u)\n", kExpInfixMaxDepth,
                 infix.position);
    return;
  }
  if (infix.problem != ExpInfixProblem::kNone) {
    std::fprintf(out, "infix: cannot be written back: %s (node %u); the expression matches no record\n",
                 ExpInfixProblemText(infix.problem), infix.position);
    return;
  }
  std::fprintf(out, "infix: %s\n", infix.text.c_str());
  if (infix.used < nodes.size()) {
    std::fprintf(out, "note: nodes %u to %zu are never evaluated: the expression ends at node %u\n", infix.used + 1,
                 nodes.size(), infix.used);
  }
}

int RunExplain(const std::vector<std::string>& args) {
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, {}, &line, &error)) return UsageError("explain", error);
  if (line.Has("--help")) {
    std::fputs(kExplainUsage, stdout);
    return kExitOk;
  }
  if (line.positional.empty()) return UsageError("explain", "missing EXPRESSION");
  std::string text;
  for (const std::string& word : line.positional) text += (text.empty() ? "" : " ") + word;
  Filter filter;
  if (!filter.Compile(text)) return kExitError;
  PrintExplanation(stdout, filter.Nodes());
  return kExitOk;
}

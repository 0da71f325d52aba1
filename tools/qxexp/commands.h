// The subcommands of qxexp and what they share.
#ifndef QXEXP_COMMANDS_H
#define QXEXP_COMMANDS_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "compile.h"
#include "layout.h"

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNoMatch = 1;  // filter: no record matched
inline constexpr int kExitError = 2;    // usage or input error

struct Command {
  const char* name;
  const char* summary;
  const char* usage;  // the whole help text
  int (*run)(const std::vector<std::string>& args);
};

extern const char kExplainUsage[];
extern const char kRecordsUsage[];
extern const char kFilterUsage[];
extern const char kDemoUsage[];

int RunExplain(const std::vector<std::string>& args);
int RunRecords(const std::vector<std::string>& args);
int RunFilter(const std::vector<std::string>& args);
int RunDemo(const std::vector<std::string>& args);

// "qxexp COMMAND: MESSAGE" and a pointer to the help, on standard error;
// returns kExitError.
int UsageError(const char* command, const std::string& message);
// "qxexp: MESSAGE" on standard error; returns kExitError.
int InputError(const std::string& message);

// explain: the node table, the infix text, and the nodes no walk reads.
void PrintExplanation(std::FILE* out, const std::vector<ExpToken>& nodes);

// records make: reads CSV rows from `in` (named `source` in messages) and
// writes the record file `output` as a whole or not at all. False with a
// message in *error.
bool MakeRecords(const Layout& layout, std::FILE* in, const std::string& source, const std::string& output,
                 uint64_t* written, std::string* error);

// filter: one pass of `filter` over the record file `file`.
struct FilterPass {
  std::string file;
  const Layout* layout = nullptr;  // rows as a table of its fields
  bool print_rows = true;          // false: count only
  bool closing_line = true;        // records read, matched, speed on standard error
  bool trace = false;              // trace the record whose rec_id is trace_id
  uint32_t trace_id = 0;
};
struct FilterCounts {
  uint64_t read = 0;
  uint64_t matched = 0;
  double seconds = 0;
};
// False after reporting an error on standard error.
bool RunFilterPass(const Filter& filter, const FilterPass& pass, FilterCounts* counts);

#endif

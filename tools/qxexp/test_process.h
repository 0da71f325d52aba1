// For tests: runs the qxexp tool beside the test executable as a process of
// its own, with its standard output and error captured.
#ifndef QXEXP_TEST_PROCESS_H
#define QXEXP_TEST_PROCESS_H

#include <functional>
#include <string>
#include <vector>

struct ToolRun {
  int status = -1;  // the exit status; -1 when the tool could not be run
  std::string out;  // standard output, line ends as "\n"
  std::string err;  // standard error, likewise
};

// Runs qxexp with `args`, standard input read from the file `input` (an
// empty input when none is given). Captured output goes through files in
// the working directory.
ToolRun RunTool(const std::vector<std::string>& args, const std::string& input = "");

// Reads a whole file as it is ("" when it cannot be read).
std::string ReadFileBytes(const std::string& path);

// The tool beside this test executable, and running a program with its
// standard streams read from and written to files: the exit status, or -1
// when it could not be run. One of each per system.
std::string ToolPath();
int RunProcess(const std::string& program, const std::vector<std::string>& args, const std::string& in,
               const std::string& out, const std::string& err);

// SIGINT and SIGTERM, those a test on this system sends.
enum class Interruption { kInterrupt, kTerminate };
std::vector<Interruption> InterruptionsOfThisSystem();
// Starts qxexp with `args`, its standard input a pipe that gets `input` and
// stays open; once `started()` holds (within 30 s), interrupts the tool.
// True when that ended it.
bool InterruptTool(const std::vector<std::string>& args, const std::string& input, Interruption how,
                   const std::function<bool()>& started);

// Makes a FIFO; false where the system has none.
bool MakeFifo(const std::string& path);

#endif

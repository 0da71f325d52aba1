#include <fstream>
#include <sstream>

#include "test_process.h"

namespace {

// Text output may end its lines with CR LF: tests compare "\n" alone.
std::string WithoutCarriageReturns(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

}  // namespace

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

ToolRun RunTool(const std::vector<std::string>& args, const std::string& input) {
  const std::string out_path = "qxexp_test_stdout.txt";
  const std::string err_path = "qxexp_test_stderr.txt";
  ToolRun run;
  run.status = RunProcess(ToolPath(), args, input, out_path, err_path);
  if (run.status < 0) return run;
  run.out = WithoutCarriageReturns(ReadFileBytes(out_path));
  run.err = WithoutCarriageReturns(ReadFileBytes(err_path));
  return run;
}

#include "compile.h"

#include "compiler/statuses.h"
#include "compiler/store_expression.h"

namespace {

// A store that keeps nothing: compiling into it tells where reading stops.
int32_t DiscardNode(void*, const ExpToken*, uint32_t) { return 0; }

// Characters of UTF-8 text before byte `end`: every byte but continuation bytes.
size_t Columns(const std::string& text, size_t end) {
  size_t columns = 0;
  for (size_t i = 0; i < end && i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++columns;
  }
  return columns;
}

}  // namespace

std::string StatusText(int32_t status, bool compiling) {
  const ExpStatusInfo* info = ExpFindStatus(status);
  if (info == nullptr) return "status " + std::to_string(status);
  const char* meaning = compiling && info->compile != nullptr ? info->compile
                        : info->evaluate != nullptr           ? info->evaluate
                                                              : info->compile;
  const char* name = !compiling && info->evaluate_name != nullptr ? info->evaluate_name : info->name;
  return std::string(name) + " (" + std::to_string(status) + "): " + meaning;
}

std::string CaretLines(const std::string& text, int32_t offset, int32_t length) {
  std::string shown = text;
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  const size_t start = offset < 0 ? 0 : static_cast<size_t>(offset);
  const size_t end = start + (length < 0 ? 0 : static_cast<size_t>(length));
  const size_t before = Columns(text, start);
  const size_t width = end > start ? Columns(text, end) - before : 0;
  return "  " + shown + "\n  " + std::string(before, ' ') + std::string(width == 0 ? 1 : width, '^') + "\n";
}

void ReportCompileFailure(std::FILE* err, const std::string& text, int32_t status) {
  ExpStoreFns fns{};
  fns.AddNewExpNode = DiscardNode;
  int dummy = 0;
  ExpCompileStop stop{0, 0};
  ExpCompileText(&dummy, &fns, text.c_str(), static_cast<int32_t>(text.size()), &stop);
  std::fprintf(err, "qxexp: the expression does not compile: %s\n%s", StatusText(status, true).c_str(),
               CaretLines(text, stop.offset, stop.length).c_str());
}

bool Filter::Compile(const std::string& text) {
  int32_t status = QXQFStoreExpression(text.c_str(), &handle_);
  if (status == 0) return true;
  ReportCompileFailure(stderr, text, status);
  return false;
}

std::vector<ExpToken> Filter::Nodes() const {
  std::vector<ExpToken> nodes;
  ExpToken node;
  for (uint32_t position = 1; handle_ != nullptr && QXQFGetExpNode(handle_, position, &node) == 0; ++position) {
    nodes.push_back(node);
  }
  return nodes;
}

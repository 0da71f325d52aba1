// Compiling filters for the subcommands, and telling people why a text does
// not compile.
#ifndef QXEXP_COMPILE_H
#define QXEXP_COMPILE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "qxexpc.h"

// A status for people: "QX_STATUS_BAD_LENGTH (-6): the length is not
// allowed for the type", with the meaning it has when compiling text or,
// with `compiling` false, when evaluating.
std::string StatusText(int32_t status, bool compiling);

// Writes the failure to compile `text` with `status` to `err`: the status,
// then the text with a caret under the word where reading stopped.
void ReportCompileFailure(std::FILE* err, const std::string& text, int32_t status);

// The text with a caret line under the `length` bytes at byte `offset` (a
// single caret for a place between words). Control characters show as
// blanks; columns count characters, not bytes, of UTF-8 text.
std::string CaretLines(const std::string& text, int32_t offset, int32_t length);

// An in-memory filter that deletes itself.
class Filter {
 public:
  Filter() = default;
  Filter(const Filter&) = delete;
  Filter& operator=(const Filter&) = delete;
  ~Filter() {
    if (handle_ != nullptr) QXQFDeleteExpression(handle_);
  }
  // Compiles `text` with QXQFStoreExpression: false after reporting the
  // failure on standard error.
  bool Compile(const std::string& text);
  FilterHandle* handle() const { return handle_; }
  // The stored nodes, read back with QXQFGetExpNode from position 1 on.
  std::vector<ExpToken> Nodes() const;

 private:
  FilterHandle* handle_ = nullptr;
};

#endif

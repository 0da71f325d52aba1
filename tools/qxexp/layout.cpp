#include "layout.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "compile.h"
#include "compiler/scanner.h"
#include "compiler/type_names.h"
#include "compiler/value_text.h"
#include "evaluator/record_buffer.h"
#include "platform/text.h"

namespace {

// Header bytes the record file itself fills in.
struct Reserved {
  int32_t start;
  int32_t length;
  const char* what;
};
constexpr Reserved kReserved[] = {
    {kRecordIdOffset, 4, "the rec_id (header bytes 0-3)"},
    {kRecordKindOffset, 4, "the record kind (header bytes 12-15)"},
    {kRecordDataLengthOffset, 4, "the data length (header bytes 380-383)"},
};

constexpr char kRecIdName[] = "rec_id";

bool Overlap(int32_t a, int32_t a_length, int32_t b, int32_t b_length) {
  return a < b + b_length && b < a + a_length;
}

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

bool IsName(const std::string& name) {
  if (name.empty() || !IsNameStart(name[0])) return false;
  for (char c : name) {
    if (!IsNameChar(c)) return false;
  }
  return true;
}

// Whether the type named in a field reference takes an attribute pair.
bool TakesPair(const char* type_name, bool db) {
  const ExpFieldTypeInfo* info = ExpFindFieldType(type_name);
  return info != nullptr && (info->attributes == ExpAttributePair::kAlways ||
                             (info->attributes == ExpAttributePair::kAfterDb && db));
}

// One line of a layout.
class LineParser {
 public:
  LineParser(const std::string& source, int line, Layout* layout, std::string* error)
      : source_(source), line_(line), layout_(layout), error_(error) {}

  bool Parse(std::string text) {
    // The scanner would end the line at a NUL and take the words before it.
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) return Fail(nul, "a NUL byte, which no layout line may hold");
    size_t comment = text.find('#');
    if (comment != std::string::npos) text.resize(comment);
    for (char& c : text) {
      if (c == '\t' || c == '\r') c = ' ';  // the language separates words with blanks only
    }
    const size_t name_at = text.find_first_not_of(' ');
    if (name_at == std::string::npos) return true;
    size_t end = text.find(' ', name_at);
    if (end == std::string::npos) end = text.size();
    const std::string name = text.substr(name_at, end - name_at);
    if (!IsName(name)) {
      return Fail(name_at, "\"" + name + "\" is no field name: use letters, digits and _, not starting with a digit");
    }
    if (name == kRecIdName) return Fail(name_at, "the name rec_id is taken by the record's id");
    if (layout_->Find(name) != nullptr) return Fail(name_at, "the field name " + name + " is used twice");
    const size_t reference_at = text.find_first_not_of(' ', end);
    if (reference_at == std::string::npos) return Fail(text.size(), "a field reference must follow the name " + name);
    LayoutField field{};
    field.name = name;
    field.line = line_;
    if (!Scan(text, reference_at, &field.field)) return false;
    return Place(reference_at, std::move(field));
  }

 private:
  bool Fail(size_t column, const std::string& message) {
    *error_ = source_ + ":" + std::to_string(line_) + ":" + std::to_string(column + 1) + ": " + message;
    return false;
  }

  // Scans the reference with the language's own scanner: exactly one field
  // reference and nothing after it.
  bool Scan(const std::string& text, size_t at, ExpToken* token) {
    std::string copy = text.substr(at);
    ExpScanner scanner;
    int32_t status = ScanToken(&scanner, token, copy.data());
    const size_t column = at + static_cast<size_t>(scanner.word_offset);
    if (status != 0) {
      std::string message = "not a field reference: " + StatusText(status, true);
      const bool db = QxEqualNoCase(text.substr(at, text.find(' ', at) - at).c_str(), "db");
      const std::string type_word = TypeWord(text, at);
      if (status == QX_STATUS_END_OF_TEXT && !type_word.empty() && TakesPair(type_word.c_str(), db)) {
        message += " (" + type_word + (db ? " fields of the record data" : " fields") +
                   " take an attribute pair such as 0.0)";
      }
      return Fail(column, message);
    }
    if (token->kind != QX_KIND_FIELD) {
      return Fail(at, "not a field reference: write qx or db, then offset, length and type");
    }
    const size_t rest = at + static_cast<size_t>(scanner.next - scanner.text);
    ExpToken after;
    status = ScanToken(&scanner, &after, nullptr);
    if (status != QX_STATUS_END_OF_TEXT) {
      return Fail(text.find_first_not_of(' ', rest), "only one field reference may follow the name");
    }
    return true;
  }

  // The fourth word of the reference, the type name, or "".
  static std::string TypeWord(const std::string& text, size_t at) {
    size_t start = at;
    for (int word = 0; word < 3; ++word) {
      start = text.find(' ', start);
      if (start == std::string::npos) return "";
      start = text.find_first_not_of(' ', start);
      if (start == std::string::npos) return "";
    }
    return text.substr(start, text.find(' ', start) - start);
  }

  bool Place(size_t at, LayoutField field) {
    const ExpToken& f = field.field;
    field.text = ExpFieldText(f.offset, f.length, f.type, f.attr1, f.attr2);
    field.in_header = f.offset < kRecordHeaderSize;
    if (f.length < 1) return Fail(at, "the field length must be at least 1");
    if (f.offset < 0 || (!field.in_header && f.offset < kRecordDataBias)) {
      return Fail(at, "the field lies outside header and data: use qx 0 to 383 or db 0 and up");
    }
    if (field.in_header) {
      field.start = f.offset;
      if (f.length > kRecordHeaderSize - f.offset) {
        return Fail(at, "a qx field must lie within the 384-byte header (qx 0 to 383)");
      }
      for (const Reserved& reserved : kReserved) {
        if (Overlap(f.offset, f.length, reserved.start, reserved.length)) {
          return Fail(at, "the field overlaps " + std::string(reserved.what));
        }
      }
    } else {
      field.start = f.offset - kRecordDataBias;
      if (f.length > kRecordDataMax - field.start) {
        return Fail(at, "the field ends beyond the largest record data (" + std::to_string(kRecordDataMax) + " bytes)");
      }
    }
    for (const LayoutField& other : layout_->fields) {
      if (other.in_header == field.in_header &&
          Overlap(other.start, other.field.length, field.start, field.field.length)) {
        return Fail(at, "the field overlaps the field " + other.name + " (line " + std::to_string(other.line) + ")");
      }
    }
    if (!field.in_header && field.start + f.length > layout_->data_length) {
      layout_->data_length = field.start + f.length;
    }
    layout_->fields.push_back(std::move(field));
    return true;
  }

  const std::string& source_;
  int line_;
  Layout* layout_;
  std::string* error_;
};

}  // namespace

const LayoutField* Layout::Find(std::string_view name) const {
  for (const LayoutField& field : fields) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

bool ParseLayout(std::string_view text, const std::string& source, Layout* layout, std::string* error) {
  *layout = Layout{};
  int line = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    ++line;
    if (!LineParser(source, line, layout, error).Parse(std::string(text.substr(start, end - start)))) return false;
    start = end + 1;
  }
  if (layout->fields.empty()) {
    *error = source + ": the layout names no field";
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* text, std::string* error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (file == nullptr) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  text->clear();
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text->append(buffer, n);
  if (std::ferror(file.get())) {
    *error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool ReadLayout(const std::string& path, Layout* layout, std::string* error) {
  std::string text;
  return ReadWholeFile(path, &text, error) && ParseLayout(text, path, layout, error);
}

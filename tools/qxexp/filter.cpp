// qxexp filter: an expression against every record of a file.

#include <cstring>
#include <memory>
#include <limits>
#include <unordered_map>

#include "command_line.h"
#include "commands.h"
#include "compiler/kinds.h"
#include "compiler/node_dump.h"
#include "compiler/value_text.h"
#include "evaluator/evaluate.h"
#include "evaluator/record_buffer.h"
#include "progress.h"
#include "record_file.h"
#include "record_rows.h"
#include "table.h"

const char kFilterUsage[] =
    "usage: qxexp filter EXPRESSION FILE [--layout LAYOUT] [--count] [--trace N]\n"
    "\n"
    "Evaluates EXPRESSION against every record of FILE, a record file such as\n"
    "'qxexp records make' writes (- for standard input), and prints the\n"
    "records that match: as a table of LAYOUT's fields with --layout, else\n"
    "each one's rec_id and its place in the file. A closing line on standard\n"
    "error tells the records read and matched and the records evaluated per\n"
    "second; while a large file is read, a terminal shows how far the pass has\n"
    "come. \"getrecid\" operands fetch records of FILE by their rec_id.\n"
    "\n"
    "options:\n"
    "  --layout LAYOUT  print the matching records as a table of LAYOUT's fields\n"
    "  --count          print only the number of matching records\n"
    "  --trace N        for the record whose rec_id is N, print every node the\n"
    "                   evaluation visits, in the order it visits them, with the\n"
    "                   value or outcome it makes\n"
    "\n"
    "Exit status: 0 some record matched; 1 none did; 2 usage or input error.\n";

namespace {

// "getrecid" operands: the records of the file, by rec_id, for the
// evaluator's fetch callback, which takes no context of its own.
struct FetchSource {
  std::vector<unsigned char> bytes;
  std::unordered_map<uint32_t, size_t> by_id;  // first record with the id
};
const FetchSource* g_fetch_source = nullptr;

int32_t FetchFromFile(void* buffer, uint32_t record_id) {
  if (g_fetch_source == nullptr) return 0;
  auto it = g_fetch_source->by_id.find(record_id);
  if (it == g_fetch_source->by_id.end()) return 0;  // the buffer stays zero: no field is available
  const unsigned char* record = &g_fetch_source->bytes[it->second];
  std::memcpy(buffer, record, static_cast<size_t>(kRecordHeaderSize + RecordDataLength(record)));
  return 0;
}

bool Report(const std::string& message) {
  InputError(message);
  return false;
}

bool Fetches(const std::vector<ExpToken>& nodes) {
  for (const ExpToken& node : nodes) {
    if (node.kind == QX_KIND_FETCH_BY_NUMBER || node.kind == QX_KIND_FETCH_BY_FIELD) return true;
  }
  return false;
}

// Reads every record of the file; the pass then takes them from memory, so
// that the file is read once (it may be a pipe).
bool LoadFetchSource(RecordFileReader* reader, FetchSource* source, std::string* error) {
  std::vector<unsigned char> record(kRecordBufferSize);
  uint64_t offset = 0;
  int status;
  while ((status = reader->Next(record.data(), &offset, error)) > 0) {
    const size_t at = source->bytes.size();
    source->bytes.insert(source->bytes.end(), record.begin(),
                         record.begin() + kRecordHeaderSize + RecordDataLength(record.data()));
    source->by_id.emplace(RecordReadU32(record.data(), kRecordIdOffset), at);
  }
  return status == 0;
}

// The records of a pass, one after another: read from the file, or taken
// from the fetch source that holds them all.
class PassRecords {
 public:
  PassRecords(RecordFileReader* reader, const FetchSource* loaded) : reader_(reader), loaded_(loaded) {}

  // As RecordFileReader::Next, with the record in *record.
  int Next(const unsigned char** record, uint64_t* offset, std::string* error) {
    if (loaded_ == nullptr) {
      *record = buffer_.data();
      return reader_->Next(buffer_.data(), offset, error);
    }
    if (position_ == loaded_->bytes.size()) return 0;
    *record = &loaded_->bytes[position_];
    *offset = position_;
    position_ += static_cast<size_t>(kRecordHeaderSize + RecordDataLength(*record));
    return 1;
  }
  uint64_t position() const { return loaded_ == nullptr ? reader_->position() : position_; }

 private:
  RecordFileReader* reader_;
  const FetchSource* loaded_;
  std::vector<unsigned char> buffer_ = std::vector<unsigned char>(kRecordBufferSize);
  size_t position_ = 0;
};

struct TraceLine {
  std::string position;
  std::string node;
  std::string value;
};

void TraceNode(void* context, uint32_t position, const ExpToken* node, const ExpValue* value, int32_t status) {
  auto* lines = static_cast<std::vector<TraceLine>*>(context);
  const ExpKindClass kind_class = ExpKindClassOf(node->kind);
  std::string text;
  if (kind_class == ExpKindClass::kList) {
    text = ExpDescribeNode(*node).kind + " of " + ExpDescribeNode(*node).value;
  } else if (kind_class == ExpKindClass::kInfix || kind_class == ExpKindClass::kPrefix) {
    text = ExpFindKind(node->kind)->word;
  } else {
    text = ExpOperandText(*node);
  }
  std::string shown;
  if (status != 0) {
    shown = "failed: " + StatusText(status, false);
  } else {
    const bool field = node->kind == QX_KIND_FIELD || node->kind == QX_KIND_FETCH_BY_NUMBER ||
                       node->kind == QX_KIND_FETCH_BY_FIELD;
    shown = ExpValueText(ExpValueView{value->type, value->length, value->attr2, value->value},
                         field ? ExpValueSource::kField : ExpValueSource::kConstant);
  }
  lines->push_back(TraceLine{std::to_string(position), std::move(text), std::move(shown)});
}

// Evaluates the record once more, node by node, through the filter's own
// node callback, and writes what each node made.
void PrintTrace(std::FILE* out, const Filter& filter, const unsigned char* record, uint64_t offset,
                ExpFetchRecordFn fetch) {
  ExpStoreFns fns{};
  fns.GetExpNode = QXQFGetExpNode;
  fns.FetchRecord = fetch;
  ExpWalk walk;
  ExpWalkInit(&walk, filter.handle(), &fns, record);
  std::vector<TraceLine> lines;
  walk.trace = TraceNode;
  walk.trace_context = &lines;
  uint32_t match = 0;
  ExpEvaluateWalk(&walk, &match);
  std::fprintf(out, "trace of rec_id %u (the record at byte %llu), nodes in the order evaluated:\n",
               RecordReadU32(record, kRecordIdOffset), static_cast<unsigned long long>(offset));
  {
    Table table(out, {"pos", "node", "value"}, {true, false, false});
    for (TraceLine& line : lines) table.Add({line.position, line.node, line.value});
  }
  std::fprintf(out, "result: %s\n", match != 0 ? "match" : "no match");
}

}  // namespace

bool RunFilterPass(const Filter& filter, const FilterPass& pass, FilterCounts* counts) {
  *counts = FilterCounts{};
  std::string error;
  RecordFileReader reader;
  if (!reader.Open(pass.file, &error)) return Report(error);

  FetchSource fetch_source;
  ExpFetchRecordFn fetch = nullptr;
  if (Fetches(filter.Nodes())) {
    if (!LoadFetchSource(&reader, &fetch_source, &error)) return Report(error);
    g_fetch_source = &fetch_source;
    fetch = FetchFromFile;
  }
  PassRecords records(&reader, fetch != nullptr ? &fetch_source : nullptr);

  std::unique_ptr<Table> table;
  if (pass.print_rows) {
    table = pass.layout != nullptr
                ? std::make_unique<Table>(stdout, RowHeader(*pass.layout), RowNumberColumns(*pass.layout))
                : std::make_unique<Table>(stdout, std::vector<std::string>{"rec_id", "offset"},
                                          std::vector<bool>{true, true});
  }
  std::vector<unsigned char> traced;
  uint64_t traced_offset = 0;
  Progress progress(reader.size());
  const unsigned char* record = nullptr;
  uint64_t offset = 0;
  int status;
  while ((status = records.Next(&record, &offset, &error)) > 0) {
    ++counts->read;
    uint32_t match = 0;
    QXQFEvaluateExpression(record, filter.handle(), &match, fetch);
    if (match != 0) {
      ++counts->matched;
      if (table != nullptr) {
        table->Add(pass.layout != nullptr
                       ? RecordRow(*pass.layout, record)
                       : std::vector<std::string>{std::to_string(RecordReadU32(record, kRecordIdOffset)),
                                                  std::to_string(offset)});
      }
    }
    if (pass.trace && traced.empty() && RecordReadU32(record, kRecordIdOffset) == pass.trace_id) {
      traced.assign(record, record + kRecordHeaderSize + RecordDataLength(record));
      traced_offset = offset;
    }
    progress.Update(records.position(), counts->read);
  }
  counts->seconds = progress.Seconds();
  progress.Finish();
  if (table != nullptr) table->Finish();
  g_fetch_source = nullptr;
  if (!traced.empty()) {
    // A fetch during the trace reads the file's records again.
    g_fetch_source = fetch != nullptr ? &fetch_source : nullptr;
    PrintTrace(stdout, filter, traced.data(), traced_offset, fetch);
    g_fetch_source = nullptr;
  }
  if (status < 0) return Report(error);
  if (pass.closing_line) {
    std::fprintf(stderr, "qxexp: %llu records read, %llu matched, %.3f s, %s\n",
                 static_cast<unsigned long long>(counts->read), static_cast<unsigned long long>(counts->matched),
                 counts->seconds, RateText(counts->read, counts->seconds).c_str());
  }
  if (pass.trace && traced.empty()) {
    return Report("no record of " + pass.file + " has rec_id " + std::to_string(pass.trace_id));
  }
  return true;
}

int RunFilter(const std::vector<std::string>& args) {
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, {{"--layout", nullptr, true}, {"--count", nullptr, false}, {"--trace", nullptr, true}},
                        &line, &error)) {
    return UsageError("filter", error);
  }
  if (line.Has("--help")) {
    std::fputs(kFilterUsage, stdout);
    return kExitOk;
  }
  if (line.positional.size() != 2) return UsageError("filter", "give EXPRESSION and FILE");
  FilterPass pass;
  pass.file = line.positional[1];
  pass.print_rows = !line.Has("--count");
  if (line.Has("--trace")) {
    unsigned long long id = 0;
    if (!ParseCount(line.Value("--trace"), 0, &id) || id > std::numeric_limits<uint32_t>::max()) {
      return UsageError("filter", "--trace takes a rec_id, a whole number from 0 to 4294967295");
    }
    pass.trace = true;
    pass.trace_id = static_cast<uint32_t>(id);
  }
  Layout layout;
  if (line.Has("--layout")) {
    if (!ReadLayout(line.Value("--layout"), &layout, &error)) return InputError(error);
    pass.layout = &layout;
  }
  Filter filter;
  if (!filter.Compile(line.positional[0])) return kExitError;
  FilterCounts counts;
  if (!RunFilterPass(filter, pass, &counts)) return kExitError;
  if (!pass.print_rows) std::printf("%llu\n", static_cast<unsigned long long>(counts.matched));
  return counts.matched > 0 ? kExitOk : kExitNoMatch;
}

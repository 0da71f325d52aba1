// qxexp records: record files made from CSV rows, and shown as tables.

#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>

#include "cell_encoder.h"
#include "command_line.h"
#include "commands.h"
#include "csv.h"
#include "evaluator/record_buffer.h"
#include "file_system.h"
#include "record_file.h"
#include "record_rows.h"
#include "table.h"

const char kRecordsUsage[] =
    "usage: qxexp records make LAYOUT [CSV] --output FILE\n"
    "       qxexp records show LAYOUT FILE\n"
    "\n"
    "make  Reads CSV rows (from the file CSV, or standard input when CSV is\n"
    "      missing or -) and writes FILE, a file of record buffers. The first\n"
    "      row names the columns: fields of LAYOUT, in any order; a field it\n"
    "      does not name stays zero. Each cell is written as the language writes\n"
    "      a literal value after its type: 17, 12.50, 2 29 2000 (month day\n"
    "      year), 23:59:59, 2/29/2000 10:11:12, Y, or a text (without quotes\n"
    "      of its own). Record n gets rec_id n, record kind 1 and LAYOUT's data\n"
    "      length. A bad cell is reported with its line and column; on any\n"
    "      error or interruption FILE is left as it was. FILE is a regular\n"
    "      file or none, and no input; a link is written through, and a file\n"
    "      replaced keeps its permissions.\n"
    "show  Prints the records of FILE as a table of LAYOUT's fields.\n"
    "\n"
    "A layout names one field per line, written as in expressions:\n"
    "  order     db 0 4 int\n"
    "  customer  db 4 16 char 0.0\n"
    "  price     db 24 5 decimal 9.2\n"
    "\n"
    "options:\n"
    "  -o, --output FILE  the record file to write (make)\n";

namespace {

// Where each CSV column goes.
struct Column {
  const LayoutField* field;
  CellPlan plan;
};

bool CellError(const CsvCell& cell, const std::string& source, const std::string& message, std::string* error) {
  *error = source + ":" + std::to_string(cell.line) + ":" + std::to_string(cell.column) + ": " + message;
  return false;
}

bool ReadColumns(const Layout& layout, const std::vector<CsvCell>& header, const std::string& source,
                 std::vector<Column>* columns, std::string* error) {
  for (const CsvCell& cell : header) {
    const LayoutField* field = layout.Find(cell.text);
    if (field == nullptr) return CellError(cell, source, "the layout has no field named \"" + cell.text + "\"", error);
    for (const Column& column : *columns) {
      if (column.field == field) return CellError(cell, source, "the field " + cell.text + " is named twice", error);
    }
    Column column{field, CellPlan{}};
    std::string why;
    if (!PlanCells(field->field, &column.plan, &why)) {
      return CellError(cell, source, "the field " + field->name + " (" + field->text + ") cannot be written: " + why,
                       error);
    }
    columns->push_back(std::move(column));
  }
  return true;
}

// An input by its name, or by its open stream when it has one.
struct Input {
  std::string name;
  std::FILE* stream;
};

// The input that `output` names, under any name or link: writing there would
// destroy it. "" when there is none.
std::string InputNamedBy(const std::string& output, const std::vector<Input>& inputs) {
  FileId target;
  if (!FileIdOfPath(output, &target)) return "";
  for (const Input& input : inputs) {
    FileId id;
    const bool known = input.stream != nullptr ? FileIdOfStream(input.stream, &id) : FileIdOfPath(input.name, &id);
    if (known && id == target) return input.name;
  }
  return "";
}

int RecordsMake(const CommandLine& line) {
  if (line.positional.size() < 2 || line.positional.size() > 3) {
    return UsageError("records", "make takes LAYOUT and at most one CSV file");
  }
  const std::string output = line.Value("--output");
  if (output.empty()) return UsageError("records", "make needs --output FILE");
  std::string error;
  Layout layout;
  if (!ReadLayout(line.positional[1], &layout, &error)) return InputError(error);
  const bool from_stdin = line.positional.size() == 2 || line.positional[2] == "-";
  const std::string source = from_stdin ? "standard input" : line.positional[2];
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> csv(from_stdin ? nullptr : std::fopen(source.c_str(), "rb"),
                                                       std::fclose);
  if (!from_stdin && csv == nullptr) return InputError("cannot open " + source + ": " + std::strerror(errno));
  if (from_stdin) ReadStandardInputAsBytes();
  std::FILE* in = from_stdin ? stdin : csv.get();
  const std::string input = InputNamedBy(output, {{line.positional[1], nullptr}, {source, in}});
  if (!input.empty()) return InputError("the output " + output + " is the input " + input + ": give another file");
  uint64_t written = 0;
  if (!MakeRecords(layout, in, source, output, &written, &error)) {
    return InputError(error);
  }
  std::fprintf(stderr, "qxexp: %llu records written to %s\n", static_cast<unsigned long long>(written),
               output.c_str());
  return kExitOk;
}

int RecordsShow(const CommandLine& line) {
  if (line.positional.size() != 3) return UsageError("records", "show takes LAYOUT and FILE");
  std::string error;
  Layout layout;
  if (!ReadLayout(line.positional[1], &layout, &error)) return InputError(error);
  RecordFileReader reader;
  if (!reader.Open(line.positional[2], &error)) return InputError(error);
  std::vector<unsigned char> record(kRecordBufferSize);
  Table table(stdout, RowHeader(layout), RowNumberColumns(layout));
  uint64_t offset = 0;
  int status;
  while ((status = reader.Next(record.data(), &offset, &error)) > 0) table.Add(RecordRow(layout, record.data()));
  table.Finish();
  return status < 0 ? InputError(error) : kExitOk;
}

}  // namespace

bool MakeRecords(const Layout& layout, std::FILE* in, const std::string& source, const std::string& output,
                 uint64_t* written, std::string* error) {
  *written = 0;
  CsvReader reader(in, source);
  std::vector<CsvCell> cells;
  int status = reader.ReadRow(&cells, error);
  if (status < 0) return false;
  if (status == 0) {
    *error = source + ": no header row naming the fields";
    return false;
  }
  std::vector<Column> columns;
  if (!ReadColumns(layout, cells, source, &columns, error)) return false;

  RecordFileWriter writer;
  if (!writer.Open(output, error)) return false;
  std::vector<unsigned char> record(static_cast<size_t>(kRecordHeaderSize + layout.data_length));
  const uint32_t kind = 1;
  for (uint64_t rec_id = 1; (status = reader.ReadRow(&cells, error)) > 0; ++rec_id) {
    if (cells.size() != columns.size()) {
      const CsvCell& at = cells.size() > columns.size() ? cells[columns.size()] : cells.back();
      return CellError(at, source,
                       "the row has " + std::to_string(cells.size()) + " cells; the header names " +
                           std::to_string(columns.size()),
                       error);
    }
    if (rec_id > std::numeric_limits<uint32_t>::max()) {
      *error = source + ": more rows than 32-bit record ids can number";
      return false;
    }
    std::fill(record.begin(), record.end(), 0);
    const auto id = static_cast<uint32_t>(rec_id);
    std::memcpy(&record[kRecordIdOffset], &id, sizeof id);
    std::memcpy(&record[kRecordKindOffset], &kind, sizeof kind);
    std::memcpy(&record[kRecordDataLengthOffset], &layout.data_length, sizeof layout.data_length);
    for (size_t i = 0; i < columns.size(); ++i) {
      const LayoutField& field = *columns[i].field;
      unsigned char* at = &record[static_cast<size_t>(field.in_header ? field.start : kRecordHeaderSize + field.start)];
      std::string why;
      if (!EncodeCell(columns[i].plan, cells[i].text, at, &why)) {
        return CellError(cells[i], source, "field " + field.name + " (" + field.text + "): " + why, error);
      }
    }
    if (!writer.Write(record.data(), error)) return false;
    *written = rec_id;
  }
  return status == 0 && writer.Commit(error);
}

int RunRecords(const std::vector<std::string>& args) {
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, {{"--output", "-o", true}}, &line, &error)) return UsageError("records", error);
  if (line.Has("--help")) {
    std::fputs(kRecordsUsage, stdout);
    return kExitOk;
  }
  if (line.positional.empty()) return UsageError("records", "missing make or show");
  if (line.positional[0] == "make") return RecordsMake(line);
  if (line.positional[0] == "show") {
    if (line.Has("--output")) return UsageError("records", "show takes no --output");
    return RecordsShow(line);
  }
  return UsageError("records", "unknown records command '" + line.positional[0] + "': use make or show");
}

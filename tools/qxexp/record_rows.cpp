#include "record_rows.h"

#include "compiler/value_text.h"
#include "evaluator/exp_value.h"
#include "evaluator/field_types.h"
#include "evaluator/record_buffer.h"

std::vector<std::string> RowHeader(const Layout& layout) {
  std::vector<std::string> header{"rec_id"};
  for (const LayoutField& field : layout.fields) header.push_back(field.name);
  return header;
}

std::vector<bool> RowNumberColumns(const Layout& layout) {
  std::vector<bool> numbers{true};
  for (const LayoutField& field : layout.fields) {
    const ExpFamily family = ExpTypeCodeOf(static_cast<uint32_t>(field.field.type)).family;
    // A one-byte "logical" (code 6) holds a character.
    numbers.push_back(field.field.type != 6 && (family == ExpFamily::kInteger || family == ExpFamily::kInt64 ||
                      family == ExpFamily::kNumeric || family == ExpFamily::kCurrency ||
                      family == ExpFamily::kFloating || family == ExpFamily::kBfloat));
  }
  return numbers;
}

std::vector<std::string> RecordRow(const Layout& layout, const unsigned char* record) {
  std::vector<std::string> row{std::to_string(RecordReadU32(record, kRecordIdOffset))};
  unsigned char value[kExpValueSize];
  for (const LayoutField& field : layout.fields) {
    const ExpToken& f = field.field;
    if (f.length > kExpValueSize) {
      row.emplace_back("?");
      continue;
    }
    int32_t status = QXGetDataFromBuffer(value, f.offset, f.length, static_cast<uint32_t>(f.type),
                                         static_cast<uint32_t>(f.attr1), static_cast<uint32_t>(f.attr2), record);
    row.push_back(status != 0 ? std::string("?")
                              : ExpValueText(ExpValueView{static_cast<uint32_t>(f.type), f.length, f.attr2, value},
                                             ExpValueSource::kField));
  }
  return row;
}

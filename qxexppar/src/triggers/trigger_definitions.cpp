// Trigger definitions: a trigger's record in "triggers", its source text in
// "trigtxt" and its compiled expression in "trigex", all under its id.
//
// Creating and modifying a trigger changes the files all at once or not at
// all. The expression is compiled into memory first, so a text that does
// not compile changes nothing; when a write fails afterwards, what was
// written is deleted again and, for a modification, the trigger's old
// records are put back. (Only a failure of that repair itself can leave
// the files in between.)

#include <array>
#include <initializer_list>
#include <cstring>

#include "evaluator/growing_array.h"
#include "platform/blank_padding.h"
#include "qxexpc.h"
#include "triggers/qxtrg.h"

namespace {

// A stored text keeps at least one trailing blank.
constexpr int32_t kTextMost = QX_TRIGTXT_TEXT_SIZE - 1;
static_assert(kTextMost + 2 == QX_TRIGGER_TEXT_BUFFER_SIZE, "a text read back fits the host's buffer");

// ---- The compiled expression, held until it is written --------------------

struct Compiled {
  ExpGrowingArray<ExpToken, 16> nodes;
  uint32_t count = 0;
};

int32_t KeepNode(void* store, const ExpToken* token, uint32_t position) {
  auto* compiled = static_cast<Compiled*>(store);
  if (position != compiled->count + 1) return QX_STATUS_NODE_REFUSED;
  if (!compiled->nodes.Reserve(compiled->count + 1)) return QX_STATUS_NO_MEMORY;
  compiled->nodes.data()[compiled->count++] = *token;
  return 0;
}

int32_t Compile(const char* text, int32_t length, Compiled* compiled) {
  ExpStoreFns fns{};
  fns.AddNewExpNode = KeepNode;
  return QXExpStoreExpression(compiled, &fns, text, length, 0);
}

int32_t WriteNodes(uint32_t id, const Compiled& compiled) {
  for (uint32_t i = 0; i < compiled.count; ++i) {
    const int32_t status = QXTRGAddNewExpNode(&id, &compiled.nodes.data()[i], i + 1);
    if (status != 0) return status;
  }
  return 0;
}

// ---- Records ----------------------------------------------------------------

int32_t Insert(int file, void* record) {
  return RecModuleCall(TrgFiles(), file, QX_LDRA_OP_INSERT, record, nullptr, 0, -1);
}

// Pads the caller's record's texts in place and inserts it; an id of 0 comes
// back as the id the record manager gave.
int32_t InsertTrigger(unsigned char* trigger) {
  PadWithBlanks(trigger + QX_TRIGGERS_NAME, QX_NAME_SIZE);
  PadWithBlanks(trigger + QX_TRIGGERS_DESCRIPTION, QX_DESCRIPTION_SIZE);
  return Insert(kTrgTriggers, trigger);
}

bool TextLengthFits(int32_t length) { return length >= 0 && length <= kTextMost; }

// The text's bytes as they are, zero bytes included, then blanks.
int32_t InsertText(uint32_t id, const char* text, int32_t length) {
  unsigned char record[QX_TRIGTXT_RECORD_SIZE] = {};
  RecPutU32(record + QX_TRIGTXT_TRIGGER_ID, id);
  std::memcpy(record + QX_TRIGTXT_TEXT, text, static_cast<std::size_t>(length));
  PadWithBlanks(record + QX_TRIGTXT_TEXT, QX_TRIGTXT_TEXT_SIZE);
  return Insert(kTrgTrigtxt, record);
}

int32_t FirstFailure(std::initializer_list<int32_t> statuses) {
  for (int32_t status : statuses) {
    if (status != 0) return status;
  }
  return 0;
}

// The trigger's nodes, record and text.
int32_t DeleteTriggerRows(uint32_t id) {
  return FirstFailure({TrgDeleteAllOfId(kTrgTrigex, QX_TRIGEX_KEY_TRIGGER, id),
                       TrgDeleteAllOfId(kTrgTriggers, QX_TRIGGERS_KEY_ID, id),
                       TrgDeleteAllOfId(kTrgTrigtxt, QX_TRIGTXT_KEY_TRIGGER, id)});
}

// Everything of the trigger: also its log rows, cross-references and links.
void DeleteTriggerAll(uint32_t id) {
  TrgDeleteAllOfId(kTrgTrigex, QX_TRIGEX_KEY_TRIGGER, id);
  TrgDeleteAllOfId(kTrgTriglog, QX_TRIGLOG_KEY_TRIGGER, id);
  TrgDeleteAllOfId(kTrgTrafxref, QX_XREF_KEY_TRIGGER, id);
  TrgDeleteAllOfId(kTrgTrdfxref, QX_XREF_KEY_TRIGGER, id);
  TrgDeleteAllOfId(kTrgTriggers, QX_TRIGGERS_KEY_ID, id);
  TrgDeleteAllOfId(kTrgTrigtxt, QX_TRIGTXT_KEY_TRIGGER, id);
  TrgDeleteAllOfId(kTrgTracxref, QX_TRACXREF_KEY_TRIGGER, id);
}

// Reads the stored trigger whose name is the text of `name_field` (at most
// its 40 bytes) into `found`, as stored.
int32_t FindTriggerByName(const unsigned char* name_field, unsigned char* found) {
  unsigned char key[QX_NAME_SIZE] = {};
  std::memcpy(key, name_field, strnlen(reinterpret_cast<const char*>(name_field), QX_NAME_SIZE));
  PadWithBlanks(key, QX_NAME_SIZE);
  return RecModuleCall(TrgFiles(), kTrgTriggers, QX_LDRA_OP_GET_EQUAL, found, key, sizeof key,
                       QX_TRIGGERS_KEY_NAME);
}

// ---- A trigger's records as they were, to put back ------------------------

using NodeRecord = std::array<unsigned char, QX_TRIGEX_RECORD_SIZE>;

struct SavedTrigger {
  unsigned char trigger[QX_TRIGGERS_RECORD_SIZE];
  unsigned char text[QX_TRIGTXT_RECORD_SIZE];
  bool has_text = false;
  ExpGrowingArray<NodeRecord, 4> nodes;
  uint32_t node_count = 0;
};

bool ReadEnded(int32_t status) {
  return status == QX_LDRA_KEY_NOT_FOUND || status == QX_LDRA_END_OF_FILE;
}

// Reads the text and nodes of the trigger in saved->trigger.
int32_t SaveTrigger(SavedTrigger* saved) {
  RecModule* files = TrgFiles();
  unsigned char key[4];
  const uint32_t id = RecGetU32(saved->trigger + QX_TRIGGERS_ID);
  RecPutU32(key, id);
  int32_t status =
      RecModuleCall(files, kTrgTrigtxt, QX_LDRA_OP_GET_EQUAL, saved->text, key, sizeof key, QX_TRIGTXT_KEY_TRIGGER);
  if (status != 0 && !ReadEnded(status)) return status;
  saved->has_text = status == 0;
  unsigned char* record = RecModuleBuffer(files, kTrgTrigex);
  status = RecModuleCall(files, kTrgTrigex, QX_LDRA_OP_GET_EQUAL, record, key, sizeof key, QX_TRIGEX_KEY_TRIGGER);
  while (status == 0 && RecGetU32(record + QX_TRIGEX_TRIGGER_ID) == id) {
    if (!saved->nodes.Reserve(saved->node_count + 1)) return QX_STATUS_NO_MEMORY;
    std::memcpy(saved->nodes.data()[saved->node_count++].data(), record, QX_TRIGEX_RECORD_SIZE);
    status = RecModuleCall(files, kTrgTrigex, QX_LDRA_OP_GET_NEXT, record, key, sizeof key, QX_TRIGEX_KEY_TRIGGER);
  }
  return status == 0 || ReadEnded(status) ? 0 : status;
}

void RestoreTrigger(SavedTrigger* saved) {
  DeleteTriggerRows(RecGetU32(saved->trigger + QX_TRIGGERS_ID));
  Insert(kTrgTriggers, saved->trigger);
  if (saved->has_text) Insert(kTrgTrigtxt, saved->text);
  for (uint32_t i = 0; i < saved->node_count; ++i) Insert(kTrgTrigex, saved->nodes.data()[i].data());
}

}  // namespace

extern "C" int32_t QXTRGCreateTrigger(void* trigger, const char* expression, int32_t length) noexcept {
  if (trigger == nullptr || expression == nullptr || !TrgIsOpen()) return QX_STATUS_MISSING;
  Compiled compiled;
  int32_t status = Compile(expression, length, &compiled);
  if (status != 0) return status;
  auto* record = static_cast<unsigned char*>(trigger);
  const uint32_t given_id = RecGetU32(record + QX_TRIGGERS_ID);
  status = InsertTrigger(record);
  if (status != 0) return status;
  const uint32_t id = RecGetU32(record + QX_TRIGGERS_ID);
  status = WriteNodes(id, compiled);
  if (status != 0) {
    DeleteTriggerRows(id);
    RecPutU32(record + QX_TRIGGERS_ID, given_id);
  }
  return status;
}

extern "C" int32_t QXTRGModifyTrigger(void* trigger, const char* expression, int32_t expression_length,
                                      const char* source, int32_t source_length) noexcept {
  if (trigger == nullptr || expression == nullptr || source == nullptr || !TextLengthFits(source_length) ||
      !TrgIsOpen()) {
    return QX_STATUS_MISSING;
  }
  Compiled compiled;
  int32_t status = Compile(expression, expression_length, &compiled);
  if (status != 0) return status;
  auto* record = static_cast<unsigned char*>(trigger);
  SavedTrigger saved;
  status = FindTriggerByName(record + QX_TRIGGERS_NAME, saved.trigger);
  if (status == 0) status = SaveTrigger(&saved);
  if (status != 0) return status;
  const uint32_t id = RecGetU32(saved.trigger + QX_TRIGGERS_ID);
  const uint32_t given_id = RecGetU32(record + QX_TRIGGERS_ID);
  RecPutU32(record + QX_TRIGGERS_ID, id);
  status = DeleteTriggerRows(id);
  if (status == 0) status = InsertText(id, source, source_length);
  if (status == 0) status = InsertTrigger(record);
  if (status == 0) status = WriteNodes(id, compiled);
  if (status != 0) {
    RestoreTrigger(&saved);
    RecPutU32(record + QX_TRIGGERS_ID, given_id);
  }
  return status;
}

extern "C" int32_t QXTRGDeleteTriggerAndExp(uint32_t trigger_id) noexcept {
  if (!TrgIsOpen()) return QX_STATUS_MISSING;
  DeleteTriggerRows(trigger_id);
  return 0;
}

extern "C" int32_t QXTRGDeleteTriggers(uint32_t trigger_id) noexcept {
  if (!TrgIsOpen()) return QX_STATUS_MISSING;
  DeleteTriggerAll(trigger_id);
  return 0;
}

extern "C" int32_t QXTRGInsertTrigTxt(uint32_t trigger_id, const char* text, int32_t length) noexcept {
  if (text == nullptr || !TextLengthFits(length) || !TrgIsOpen()) return QX_STATUS_MISSING;
  return InsertText(trigger_id, text, length);
}

extern "C" int32_t QXTRGGetTrigTxt(uint32_t trigger_id, char* text) noexcept {
  if (text == nullptr || !TrgIsOpen()) return QX_STATUS_MISSING;
  unsigned char record[QX_TRIGTXT_RECORD_SIZE] = {};
  unsigned char key[4];
  RecPutU32(key, trigger_id);
  const int32_t status =
      RecModuleCall(TrgFiles(), kTrgTrigtxt, QX_LDRA_OP_GET_EQUAL, record, key, sizeof key, QX_TRIGTXT_KEY_TRIGGER);
  if (status != 0) return status;
  unsigned char* stored = record + QX_TRIGTXT_TEXT;
  CutTrailingBlanks(stored, QX_TRIGTXT_TEXT_SIZE);
  const std::size_t length = strnlen(reinterpret_cast<const char*>(stored), QX_TRIGTXT_TEXT_SIZE);
  std::memcpy(text, stored, length);
  text[length] = '\0';
  return 0;
}

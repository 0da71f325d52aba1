#include "product_files.h"

#include <initializer_list>

#include "qxldra_host.h"
#include "qxldra_product.h"

namespace qxldra {

namespace {

constexpr Segment U32(uint16_t offset) { return {offset, 4, QX_LDRA_SEG_UNSIGNED}; }
constexpr Segment I32(uint16_t offset) { return {offset, 4, QX_LDRA_SEG_SIGNED}; }
constexpr Segment Text(uint16_t offset, uint16_t length) { return {offset, length, QX_LDRA_SEG_TEXT}; }

constexpr uint16_t kUnique = QX_LDRA_KEY_UNIQUE;
constexpr uint16_t kDuplicates = QX_LDRA_KEY_DUPLICATES;
constexpr uint16_t kAutoNumbered = QX_LDRA_KEY_AUTONUMBER;

// A key with the number readers address it by.
struct NumberedKey {
  uint16_t number;
  KeyDefinition key;
};

constexpr NumberedKey Key(uint16_t number, uint16_t flags, std::initializer_list<Segment> segments) {
  NumberedKey numbered{number, {}};
  numbered.key.flags = flags;
  for (const Segment& segment : segments) numbered.key.segments[numbered.key.segment_count++] = segment;
  return numbered;
}

// Keys go to their numbers; a number given twice or left out leaves a key
// without segments, which the definition check refuses.
constexpr FileDefinition File(uint16_t record_length, std::initializer_list<NumberedKey> keys) {
  FileDefinition file;
  file.record_length = record_length;
  for (const NumberedKey& numbered : keys) {
    file.keys[numbered.number] = numbered.key;
    if (numbered.number >= file.key_count) file.key_count = static_cast<uint16_t>(numbered.number + 1);
  }
  return file;
}

constexpr Segment TableName(uint16_t offset) { return Text(offset, QX_TABLE_NAME_SIZE); }

}  // namespace

// Texts are blank-padded fields, ids unsigned, platform and configuration
// codes signed. Each key was checked against every read and delete the
// library makes: get equal needs a key whose value the caller has whole,
// get next walks a key's order, and the delete-all loop reads one key value
// again and again.
const ProductFile kProductFiles[] = {
    // Record definitions: nodes read by position, deleted by definition.
    {QX_TDEFEX_FILE, nullptr,
     File(QX_TDEFEX_RECORD_SIZE,
          {Key(QX_TDEFEX_KEY_NODE, kUnique,
               {U32(QX_TDEFEX_TABLE_ID), TableName(QX_TDEFEX_TABLE_NAME), U32(QX_TDEFEX_DEFINITION),
                U32(QX_TDEFEX_POSITION)}),
           Key(QX_TDEFEX_KEY_DEFINITION, kDuplicates,
               {U32(QX_TDEFEX_TABLE_ID), TableName(QX_TDEFEX_TABLE_NAME), U32(QX_TDEFEX_DEFINITION)})})},
    // A table's definitions are walked in number order with get greater and
    // get next.
    {QX_TABDEF_FILE, nullptr,
     File(QX_TABDEF_RECORD_SIZE,
          {Key(QX_TABDEF_KEY_DEFINITION, kUnique,
               {U32(QX_TABDEF_TABLE_ID), TableName(QX_TABDEF_TABLE_NAME), U32(QX_TABDEF_DEFINITION)})})},

    // Trigger files, in the order the trigger module opens them.
    {QX_TRIGEX_FILE, nullptr,
     File(QX_TRIGEX_RECORD_SIZE,
          {Key(QX_TRIGEX_KEY_NODE, kUnique, {U32(QX_TRIGEX_TRIGGER_ID), U32(QX_TRIGEX_POSITION)}),
           Key(QX_TRIGEX_KEY_TRIGGER, kDuplicates, {U32(QX_TRIGEX_TRIGGER_ID)})})},
    // Triggers are visited in id order (get greater); modifying one finds it
    // by name, so a name names one trigger.
    {QX_TRIGGERS_FILE, nullptr,
     File(QX_TRIGGERS_RECORD_SIZE,
          {Key(QX_TRIGGERS_KEY_ID, kAutoNumbered, {U32(QX_TRIGGERS_ID)}),
           Key(QX_TRIGGERS_KEY_NAME, kUnique, {Text(QX_TRIGGERS_NAME, QX_NAME_SIZE)})})},
    {QX_TRIGTXT_FILE, nullptr,
     File(QX_TRIGTXT_RECORD_SIZE, {Key(QX_TRIGTXT_KEY_TRIGGER, kUnique, {U32(QX_TRIGTXT_TRIGGER_ID)})})},
    // Alarm threads step through actions by id (get equal, then get next on
    // key 0). An action's rows are deleted by id through key 0 here, as
    // through the id keys of the platform and configuration files: key 1
    // holds names, which need not be unique.
    {QX_ACTIONS_FILE, nullptr,
     File(QX_ACTIONS_RECORD_SIZE,
          {Key(QX_ACTIONS_KEY_ID, kAutoNumbered, {U32(QX_ACTIONS_ID)}),
           Key(QX_ACTIONS_KEY_NAME, kDuplicates, {Text(QX_ACTIONS_NAME, QX_NAME_SIZE)})})},
    // Key 0 unique: a pair is linked once (a second link could never run,
    // since the walk steps "actions" one id on per link); key 2 gives a
    // trigger's links in the order they were made, which the alarm threads
    // walk with get equal and get next; key 1 finds an action's links when
    // the action is deleted.
    {QX_TRACXREF_FILE, nullptr,
     File(QX_TRACXREF_RECORD_SIZE,
          {Key(QX_TRACXREF_KEY_LINK, kUnique, {U32(QX_TRACXREF_TRIGGER_ID), U32(QX_TRACXREF_ACTION_ID)}),
           Key(QX_TRACXREF_KEY_ACTION, kDuplicates, {U32(QX_TRACXREF_ACTION_ID)}),
           Key(QX_TRACXREF_KEY_TRIGGER, kDuplicates, {U32(QX_TRACXREF_TRIGGER_ID)})})},
    // Key 0 unique: one function per action and platform, read with get
    // equal and stepped with get next in (platform, action id) order; key 1
    // lists an action's platforms; key 2 deletes an action's rows.
    {QX_PFACTPRO_FILE, nullptr,
     File(QX_PFACTPRO_RECORD_SIZE,
          {Key(QX_PFACTPRO_KEY_PLATFORM, kUnique, {I32(QX_PFACTPRO_PLATFORM), U32(QX_PFACTPRO_ACTION_ID)}),
           Key(QX_PFACTPRO_KEY_ACTION_PLATFORM, kUnique, {U32(QX_PFACTPRO_ACTION_ID), I32(QX_PFACTPRO_PLATFORM)}),
           Key(QX_PFACTPRO_KEY_ACTION, kDuplicates, {U32(QX_PFACTPRO_ACTION_ID)})})},
    // Key 0: an action's configuration rows by code; codes may repeat.
    {QX_PFACTCFG_FILE, nullptr,
     File(QX_PFACTCFG_RECORD_SIZE,
          {Key(QX_PFACTCFG_KEY_ACTION_CODE, kDuplicates, {U32(QX_PFACTCFG_ACTION_ID), I32(QX_PFACTCFG_CODE)}),
           Key(QX_PFACTCFG_KEY_ACTION, kDuplicates, {U32(QX_PFACTCFG_ACTION_ID)})})},
    {QX_TRIGLOG_FILE, nullptr,
     File(QX_TRIGLOG_RECORD_SIZE,
          {Key(QX_TRIGLOG_KEY_ID, kAutoNumbered, {U32(QX_TRIGLOG_ID)}),
           Key(QX_TRIGLOG_KEY_TRIGGER, kDuplicates, {U32(QX_TRIGLOG_TRIGGER_ID)})})},
    // Key 0 orders whole records by trigger id and then their other bytes
    // as they are, and refuses none of them.
    {QX_TRDFXREF_FILE, nullptr,
     File(QX_TRDFXREF_RECORD_SIZE,
          {Key(QX_XREF_KEY_RECORD, kDuplicates,
               {U32(QX_XREF_TRIGGER_ID), Text(QX_XREF_OTHER, QX_TRDFXREF_RECORD_SIZE - QX_XREF_OTHER)}),
           Key(QX_XREF_KEY_TRIGGER, kDuplicates, {U32(QX_XREF_TRIGGER_ID)})})},
    {QX_TRAFXREF_FILE, nullptr,
     File(QX_TRAFXREF_RECORD_SIZE,
          {Key(QX_XREF_KEY_RECORD, kDuplicates,
               {U32(QX_XREF_TRIGGER_ID), Text(QX_XREF_OTHER, QX_TRAFXREF_RECORD_SIZE - QX_XREF_OTHER)}),
           Key(QX_XREF_KEY_TRIGGER, kDuplicates, {U32(QX_XREF_TRIGGER_ID)})})},

    // Server configuration: section name, setting name, value.
    {QX_QXSERVER_FILE, QX_LDRA_SERVER_OWNER,
     File(QX_QXSERVER_RECORD_SIZE,
          {Key(QX_QXSERVER_KEY_SETTING, kUnique,
               {Text(QX_QXSERVER_SECTION, QX_SETTING_TEXT_SIZE), Text(QX_QXSERVER_SETTING, QX_SETTING_TEXT_SIZE)})})},
};

const std::size_t kProductFileCount = sizeof kProductFiles / sizeof kProductFiles[0];

}  // namespace qxldra

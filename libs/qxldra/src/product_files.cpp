#include "product_files.h"

#include <initializer_list>

#include "qxldra_host.h"

namespace qxldra {

namespace {

constexpr Segment U32(uint16_t offset) { return {offset, 4, QX_LDRA_SEG_UNSIGNED}; }
constexpr Segment I32(uint16_t offset) { return {offset, 4, QX_LDRA_SEG_SIGNED}; }
constexpr Segment Text(uint16_t offset, uint16_t length) { return {offset, length, QX_LDRA_SEG_TEXT}; }

constexpr uint16_t kUnique = QX_LDRA_KEY_UNIQUE;
constexpr uint16_t kDuplicates = QX_LDRA_KEY_DUPLICATES;
constexpr uint16_t kAutoNumbered = QX_LDRA_KEY_AUTONUMBER;

constexpr KeyDefinition Key(uint16_t flags, std::initializer_list<Segment> segments) {
  KeyDefinition key;
  key.flags = flags;
  for (const Segment& segment : segments) key.segments[key.segment_count++] = segment;
  return key;
}

constexpr FileDefinition File(uint16_t record_length, std::initializer_list<KeyDefinition> keys) {
  FileDefinition file;
  file.record_length = record_length;
  for (const KeyDefinition& key : keys) file.keys[file.key_count++] = key;
  return file;
}

}  // namespace

// Keys are listed from key 0. Texts are blank-padded fields, ids unsigned,
// platform and configuration codes signed.
const ProductFile kProductFiles[] = {
    // Record definitions: table id, table name, definition number, then the
    // node position in "tdefex".
    {"tdefex", nullptr,
     File(308, {Key(kUnique, {U32(0), Text(4, 20), U32(24), U32(28)}),
                Key(kDuplicates, {U32(0), Text(4, 20), U32(24)})})},
    {"tabdef", nullptr, File(170, {Key(kUnique, {U32(0), Text(4, 20), U32(24)})})},

    // Trigger files, in the order the trigger module opens them.
    {"trigex", nullptr, File(284, {Key(kUnique, {U32(0), U32(4)}), Key(kDuplicates, {U32(0)})})},
    // Trigger names are unique: users pick triggers by name.
    {"triggers", nullptr, File(148, {Key(kAutoNumbered, {U32(0)}), Key(kUnique, {Text(4, 40)})})},
    {"trigtxt", nullptr, File(8196, {Key(kUnique, {U32(0)})})},
    // Key 1: action names, which need not be unique.
    {"actions", nullptr, File(148, {Key(kAutoNumbered, {U32(0)}), Key(kDuplicates, {Text(4, 40)})})},
    {"tracxref", nullptr,
     File(8, {Key(kUnique, {U32(0), U32(4)}), Key(kDuplicates, {U32(4)}), Key(kDuplicates, {U32(0)})})},
    // Key 1: an action's platform rows in platform-code order.
    {"pfactpro64", nullptr,
     File(208, {Key(kUnique, {I32(0), U32(4)}), Key(kUnique, {U32(4), I32(0)}), Key(kDuplicates, {U32(4)})})},
    // Key 0: an action's configuration rows by code; codes may repeat.
    {"pfactcfg", nullptr, File(458, {Key(kDuplicates, {U32(4), I32(0)}), Key(kDuplicates, {U32(4)})})},
    {"triglog", nullptr, File(282, {Key(kAutoNumbered, {U32(0)}), Key(kDuplicates, {U32(12)})})},
    // Other programs write the two cross-reference files; beyond the trigger
    // id their contents are theirs. Key 0 orders whole records by trigger id
    // and then their other bytes as they are, and refuses none of them.
    {"trdfxref", nullptr, File(36, {Key(kDuplicates, {U32(0), Text(4, 32)}), Key(kDuplicates, {U32(0)})})},
    {"trafxref", nullptr, File(8, {Key(kDuplicates, {U32(0), Text(4, 4)}), Key(kDuplicates, {U32(0)})})},

    // Server configuration: section name, setting name, value.
    {"qxserver", QX_LDRA_SERVER_OWNER, File(332, {Key(kUnique, {Text(0, 40), Text(40, 40)})})},
};

const std::size_t kProductFileCount = sizeof kProductFiles / sizeof kProductFiles[0];

}  // namespace qxldra

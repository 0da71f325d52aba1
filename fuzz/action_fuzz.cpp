// Fuzzes adding actions from definition texts, with any bytes, delimiter
// and terminator. The input's first byte is the delimiter, the second the
// terminator, the next two say how much of the rest is the platform text
// (the remainder is the configuration text). Every add must give exactly
// the rows a plain model of the two texts gives, or -1 with nothing of the
// action left behind; a new action is deleted again, and afterwards no
// action, platform or configuration record may be left.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "datafiles/record_files.h"
#include "qxexpc.h"
#include "qxldra_host.h"
#include "qxldra_product.h"

namespace {

constexpr char kOwner[] = "fuzz-owner";

// A row as stored: code, then the two 100-byte item fields.
struct Row {
  int32_t code;
  std::string first, second;
  bool operator==(const Row&) const = default;
};

// An item's field: the bytes, zero-filled to the width, trailing zero bytes
// turned to blanks.
std::string Field(std::string item) {
  item.resize(QX_ACTION_ITEM_SIZE, '\0');
  for (auto at = item.rbegin(); at != item.rend() && *at == '\0'; ++at) *at = ' ';
  return item;
}

int32_t Code(const std::string& item) {
  const long long value = std::strtoll(item.c_str(), nullptr, 10);
  return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<int32_t>(value);
}

// The rows of a text the plain way; false when the add must fail.
bool ModelRows(const std::string& text, char delimiter, char terminator, std::vector<Row>* rows) {
  for (std::size_t at = 0; at < text.size();) {
    std::vector<std::string> items;
    std::string item;
    std::size_t end = at;
    for (; end < text.size() && (text[end] == delimiter || text[end] != terminator); ++end) {
      if (text[end] != delimiter) {
        item += text[end];
        continue;
      }
      while (!item.empty() && item.back() == ' ') item.pop_back();
      items.push_back(item);
      item.clear();
    }
    if (end == text.size() || items.size() < 3) return false;
    for (int i = 0; i < 3; ++i) {
      if (items[i].size() > QX_ACTION_ITEM_SIZE) return false;
    }
    rows->push_back({Code(items[0]), Field(items[1]), Field(items[2])});
    at = end + 1;
  }
  return true;
}

struct Files {
  unsigned char client[QX_LDRA_CLIENT_ID_SIZE] = {'f', 'u', 'z', 'z'};
  RecFileHandle* platform = nullptr;
  RecFileHandle* config = nullptr;
  RecFileHandle* actions = nullptr;
};

const Files& Open() {
  static const Files files = [] {
    const auto folder = std::filesystem::current_path() / "action_fuzz_files";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string prefix = folder.string() + "/";
    Files opened;
    if (qxldraCreateProductFiles(prefix.c_str(), kOwner) != 0 || QXTRGInitDat(prefix.c_str(), kOwner) != 0 ||
        RecFileOpen(opened.client, prefix.c_str(), QX_PFACTPRO_FILE, kOwner, &opened.platform) != 0 ||
        RecFileOpen(opened.client, prefix.c_str(), QX_PFACTCFG_FILE, kOwner, &opened.config) != 0 ||
        RecFileOpen(opened.client, prefix.c_str(), QX_ACTIONS_FILE, kOwner, &opened.actions) != 0) {
      std::abort();
    }
    return opened;
  }();
  return files;
}

// The rows of the action in `file` through its action-id key, in the order
// they were added.
std::vector<Row> StoredRows(const Files& files, RecFileHandle* file, int16_t key_number, uint32_t action_id,
                            std::size_t first) {
  std::vector<Row> rows;
  unsigned char record[QX_PFACTCFG_RECORD_SIZE];
  unsigned char key[4];
  RecPutU32(key, action_id);
  int32_t status = RecFileCall(file, files.client, QX_LDRA_OP_GET_EQUAL, record, sizeof record, key, 4, key_number);
  while (status == 0 && RecGetU32(key) == action_id) {
    const char* text = reinterpret_cast<const char*>(record);
    rows.push_back({static_cast<int32_t>(RecGetU32(record)), std::string(text + first, QX_ACTION_ITEM_SIZE),
                    std::string(text + first + QX_ACTION_ITEM_SIZE, QX_ACTION_ITEM_SIZE)});
    status = RecFileCall(file, files.client, QX_LDRA_OP_GET_NEXT, record, sizeof record, key, 4, key_number);
  }
  return rows;
}

bool Empty(const Files& files, RecFileHandle* file) {
  unsigned char record[QX_PFACTCFG_RECORD_SIZE];
  return RecFileCall(file, files.client, QX_LDRA_OP_GET_FIRST, record, sizeof record, nullptr, 0, 0) != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const Files& files = Open();
  const char delimiter = static_cast<char>(data[0]), terminator = static_cast<char>(data[1]);
  const std::string rest(reinterpret_cast<const char*>(data + 4), size - 4);
  const std::size_t split = (static_cast<std::size_t>(data[2]) | static_cast<std::size_t>(data[3]) << 8) %
                            (rest.size() + 1);
  const std::string platform = rest.substr(0, split), config = rest.substr(split);

  std::vector<Row> platform_rows, config_rows;
  bool adds = ModelRows(platform, delimiter, terminator, &platform_rows) &&
              ModelRows(config, delimiter, terminator, &config_rows);
  std::set<int32_t> codes;
  for (const Row& row : platform_rows) adds = adds && codes.insert(row.code).second;  // one per platform

  const int32_t id = QXTRGAddAction("fuzz", "fuzzed action", 1, static_cast<int32_t>(platform.size()),
                                    static_cast<int32_t>(config.size()), platform.data(), config.data(), &delimiter,
                                    &terminator);
  if (platform.empty() || config.empty()) {
    if (id != QX_STATUS_MISSING) std::abort();
  } else if (!adds) {
    if (id != -1) std::abort();
  } else {
    if (id <= 0) std::abort();
    const auto action = static_cast<uint32_t>(id);
    if (StoredRows(files, files.platform, QX_PFACTPRO_KEY_ACTION, action, QX_PFACTPRO_LIBRARY) != platform_rows ||
        StoredRows(files, files.config, QX_PFACTCFG_KEY_ACTION, action, QX_PFACTCFG_FIRST) != config_rows) {
      std::abort();
    }
    QXTRGDeleteAction(action);
  }
  if (!Empty(files, files.actions) || !Empty(files, files.platform) || !Empty(files, files.config)) std::abort();
  return 0;
}

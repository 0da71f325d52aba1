// The shared library exports exactly the 37 functions of its interface, as
// qxexpc.def lists them, and a name the .def gives as another's alias
// ("A = B") is that same function: read the export table of the built file
// (ELF dynamic symbols on Linux, the PE export directory on Windows) and
// compare.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <typename T>
T Read(const Bytes& file, std::size_t at) {
  T value{};
  if (at <= file.size() && sizeof(T) <= file.size() - at) std::memcpy(&value, file.data() + at, sizeof(T));
  return value;
}

std::string ReadName(const Bytes& file, std::size_t at) {
  std::string name;
  while (at < file.size() && file[at] != 0) name.push_back(static_cast<char>(file[at++]));
  return name;
}

using Exports = std::map<std::string, uint64_t>;  // name -> address

// Defined, non-local symbols of the ELF64 dynamic symbol table.
Exports ElfExports(const Bytes& file) {
  Exports names;
  auto section_table = Read<uint64_t>(file, 0x28);
  auto section_size = Read<uint16_t>(file, 0x3A);
  auto section_count = Read<uint16_t>(file, 0x3C);
  for (uint16_t i = 0; i < section_count; ++i) {
    std::size_t header = section_table + static_cast<std::size_t>(i) * section_size;
    if (Read<uint32_t>(file, header + 4) != 11) continue;  // SHT_DYNSYM
    auto symbols = Read<uint64_t>(file, header + 0x18);
    auto size = Read<uint64_t>(file, header + 0x20);
    auto link = Read<uint32_t>(file, header + 0x28);
    auto entry_size = Read<uint64_t>(file, header + 0x38);
    std::size_t strings_header = section_table + static_cast<std::size_t>(link) * section_size;
    auto strings = Read<uint64_t>(file, strings_header + 0x18);
    for (uint64_t at = symbols; entry_size != 0 && at + entry_size <= symbols + size; at += entry_size) {
      auto name = Read<uint32_t>(file, at);
      auto info = Read<uint8_t>(file, at + 4);
      auto section = Read<uint16_t>(file, at + 6);
      int binding = info >> 4;
      if (section == 0 || (binding != 1 && binding != 2)) continue;  // undefined or local
      names[ReadName(file, strings + name)] = Read<uint64_t>(file, at + 8);
    }
  }
  return names;
}

// Names of the PE32+ export directory.
Exports PeExports(const Bytes& file) {
  Exports names;
  auto pe = Read<uint32_t>(file, 0x3C);
  auto section_count = Read<uint16_t>(file, pe + 6);
  auto optional_size = Read<uint16_t>(file, pe + 20);
  std::size_t optional = pe + 24;
  auto export_rva = Read<uint32_t>(file, optional + 112);
  std::size_t sections = optional + optional_size;
  auto to_offset = [&](uint32_t rva) -> std::size_t {
    for (uint16_t i = 0; i < section_count; ++i) {
      std::size_t s = sections + static_cast<std::size_t>(i) * 40;
      auto virtual_size = Read<uint32_t>(file, s + 8);
      auto virtual_address = Read<uint32_t>(file, s + 12);
      auto raw = Read<uint32_t>(file, s + 20);
      if (rva >= virtual_address && rva < virtual_address + virtual_size) return raw + (rva - virtual_address);
    }
    return file.size();
  };
  if (export_rva == 0) return names;
  std::size_t directory = to_offset(export_rva);
  auto name_count = Read<uint32_t>(file, directory + 24);
  std::size_t functions = to_offset(Read<uint32_t>(file, directory + 28));
  std::size_t name_table = to_offset(Read<uint32_t>(file, directory + 32));
  std::size_t ordinals = to_offset(Read<uint32_t>(file, directory + 36));
  for (uint32_t i = 0; i < name_count; ++i) {
    auto ordinal = Read<uint16_t>(file, ordinals + 2 * i);
    names[ReadName(file, to_offset(Read<uint32_t>(file, name_table + 4 * i)))] =
        Read<uint32_t>(file, functions + 4 * std::size_t{ordinal});
  }
  return names;
}

// The exported names of the .def file; *aliases receives A -> B for "A = B".
std::set<std::string> DefNames(const char* path, std::map<std::string, std::string>* aliases) {
  std::set<std::string> names;
  std::ifstream in(path);
  std::string line;
  std::regex entry(R"(^\s+([A-Za-z_][A-Za-z0-9_]*)(\s*=\s*([A-Za-z_][A-Za-z0-9_]*))?)");
  std::smatch match;
  while (std::getline(in, line)) {
    if (!std::regex_search(line, match, entry)) continue;
    names.insert(match[1]);
    if (match[3].matched) (*aliases)[match[1]] = match[3];
  }
  return names;
}

const std::set<std::string> kInterface = {
    "QXExpStartExpression", "QXExpAddToken", "QXExpFinishExpression", "QXExpStoreExpression", "QXQFStoreExpression",
    "QXQFEvaluateExpression", "QXQFDeleteExpression", "QXQFAddNewExpNode", "QXQFGetExpNode", "QXTRGAddNewTriggerFn",
    "QXMRDInitDat", "QXMRDDeinitDat", "QXMRDStoreExpression", "QXMRDDeleteExpression", "QXMRDFindRecordDefinition",
    "QXMRDAddNewExpNode", "QXMRDGetExpNode", "QXMRDFreeHandle", "QXTRGFreeHandle", "QXGetDataFromBuffer",
    "QXTRGInitDat", "QXTRGDeinitDat", "QXTRGCreateTrigger", "QXTRGModifyTrigger", "QXTRGDeleteTriggerAndExp",
    "QXTRGDeleteTriggers", "QXTRGInsertTrigTxt", "QXTRGGetTrigTxt", "QXTRGAddNewExpNode", "QXTRGGetExpNode",
    "QXTRGAddAction", "QXTRGAddNewTriggerAction", "QXTRGRemoveActionFromTrigger", "QXTRGDeleteAction",
    "QXTRGPerformTriggers", "QXTRGGetFirstTriggerFnByTrigByPlatform", "QXTRGGetNextTriggerFnByTrigByPlatform"};

TEST(Exports, TheLibraryExportsExactlyTheInterface) {
  Bytes file = ReadFile(QX_LIBRARY_FILE);
  ASSERT_GT(file.size(), 64u) << "cannot read " << QX_LIBRARY_FILE;
  std::map<std::string, std::string> aliases;
  std::set<std::string> expected = DefNames(QX_DEF_FILE, &aliases);
  ASSERT_EQ(kInterface.size(), 37u);
  EXPECT_EQ(expected, kInterface);
  ASSERT_FALSE(aliases.empty());
  Exports actual;
  if (file[0] == 0x7F && file[1] == 'E') {
    actual = ElfExports(file);
  } else {
    ASSERT_EQ(file[0], 'M');
    actual = PeExports(file);
  }
  std::set<std::string> names;
  for (const auto& [name, address] : actual) names.insert(name);
  EXPECT_EQ(names, expected);
  for (const auto& [alias, name] : aliases) EXPECT_EQ(actual[alias], actual[name]) << alias;
}

}  // namespace

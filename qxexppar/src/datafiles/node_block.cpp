#include "datafiles/node_block.h"

#include <cstdint>
#include <cstring>

#include "datafiles/record_files.h"

namespace {

bool KeepsValue(int32_t kind, int32_t length) { return length >= 1 && kind != QX_KIND_FIELD; }

void Put(unsigned char* block, int offset, int32_t value) { RecPutU32(block + offset, static_cast<uint32_t>(value)); }

int32_t Get(const unsigned char* block, int offset) { return static_cast<int32_t>(RecGetU32(block + offset)); }

}  // namespace

bool NodeBlockFits(const ExpToken& token) {
  return !KeepsValue(token.kind, token.length) || token.length <= QX_NODE_VALUE_SIZE;
}

void NodeBlockFromToken(const ExpToken& token, unsigned char* block) {
  std::memset(block, 0, QX_NODE_BLOCK_SIZE);
  const auto kind = static_cast<uint16_t>(token.kind);
  std::memcpy(block + QX_NODE_KIND, &kind, 2);
  if (KeepsValue(token.kind, token.length)) {
    std::memcpy(block + QX_NODE_VALUE, token.value, static_cast<std::size_t>(token.length));
  }
  Put(block, QX_NODE_TYPE, token.type);
  Put(block, QX_NODE_OFFSET, token.offset);
  Put(block, QX_NODE_LENGTH, token.length);
  Put(block, QX_NODE_ATTR1, token.attr1);
  Put(block, QX_NODE_ATTR2, token.attr2);
  Put(block, QX_NODE_GROUP, static_cast<int32_t>(token.group));
}

void NodeBlockToToken(const unsigned char* block, ExpToken* token) {
  int16_t kind;
  std::memcpy(&kind, block + QX_NODE_KIND, 2);
  token->kind = kind;
  token->type = Get(block, QX_NODE_TYPE);
  token->offset = Get(block, QX_NODE_OFFSET);
  token->length = Get(block, QX_NODE_LENGTH);
  token->attr1 = Get(block, QX_NODE_ATTR1);
  token->attr2 = Get(block, QX_NODE_ATTR2);
  token->group = static_cast<uint32_t>(Get(block, QX_NODE_GROUP));
  std::memset(token->value, 0, QX_NODE_VALUE_SIZE);
  if (KeepsValue(token->kind, token->length)) {
    const int32_t n = token->length < QX_NODE_VALUE_SIZE ? token->length : QX_NODE_VALUE_SIZE;
    std::memcpy(token->value, block + QX_NODE_VALUE, static_cast<std::size_t>(n));
  }
}

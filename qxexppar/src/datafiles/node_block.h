// A compiled expression's node as the data-file stores keep it: the node
// block of qxldra_product.h ("trigex" and "tdefex" hold one after their own
// key fields), and its mapping to the 280-byte ExpToken.
//
// The kind is kept as its low 16 bits and read back sign-extended. Value
// bytes are kept only for a node whose length n is at least 1 and that is
// not a field reference (kind 51): the first n of them, n at most 250; the
// rest of the value area is zero.
#ifndef QXEXPPAR_DATAFILES_NODE_BLOCK_H
#define QXEXPPAR_DATAFILES_NODE_BLOCK_H

#include "qxexpc.h"
#include "qxldra_product.h"

static_assert(QX_NODE_VALUE_SIZE == QX_STORED_VALUE_SIZE);
static_assert(QX_TRIGEX_NODE + QX_NODE_BLOCK_SIZE == QX_TRIGEX_RECORD_SIZE);
static_assert(QX_TDEFEX_NODE + QX_NODE_BLOCK_SIZE == QX_TDEFEX_RECORD_SIZE);

// False for a token whose value would not fit the block: one that keeps
// value bytes and whose length is above 250. Such a node is refused, never
// cut.
bool NodeBlockFits(const ExpToken& token);

// Writes a token that fits into the QX_NODE_BLOCK_SIZE bytes at `block`.
void NodeBlockFromToken(const ExpToken& token, unsigned char* block);

// Fills `token` from the block: every word, and the first 250 bytes of the
// value area (zero, then the kept value bytes; a stored length above 250
// copies only 250). The last two value bytes stay as they were.
void NodeBlockToToken(const unsigned char* block, ExpToken* token);

#endif

// Actions: an action's record in "actions", one function per platform in
// "pfactpro64" and configuration rows in "pfactcfg", all under the action's
// id, and the links between triggers and actions in "tracxref".
//
// An action is added from two definition texts: runs of rows, each row a
// run of items ended by the caller's delimiter character and the row ended
// by the caller's terminator character (when the two are the same
// character it is a delimiter). Characters after a row's last delimiter are
// dropped; an item keeps its leading blanks and loses its trailing ones.
#ifndef QXEXPPAR_TRIGGERS_ACTIONS_H
#define QXEXPPAR_TRIGGERS_ACTIONS_H

#include <cstdint>

// The items a row needs; later ones are counted and not kept.
inline constexpr int kTrgRowItems = 3;

// An item: where it starts in the text and its length, trailing blanks cut.
struct TrgItem {
  int32_t start;
  int32_t length;
};

// Reads the row of `text` (its first `length` bytes, never more) that
// starts at index `start`. Returns the index of the terminator that ends
// the row, or -1 when the text ends first (or `start` is not below
// `length`). *count receives the number of items the row ended with a
// delimiter, and items[0 .. kTrgRowItems-1] the first of them.
int32_t TrgSplitItems(const char* text, int32_t length, int32_t start, int32_t* count, TrgItem* items,
                      char delimiter, char terminator);

// Deletes the action's records of "actions", "pfactpro64" and "pfactcfg",
// each file through its key of the action id.
void TrgDeleteActionRows(uint32_t action_id);

#endif

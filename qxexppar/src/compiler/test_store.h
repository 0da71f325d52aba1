// A store for tests: keeps every node AddNewExpNode receives, in order, and
// serves them back through GetExpNode. It can refuse the nth node.
#ifndef QXEXPPAR_COMPILER_TEST_STORE_H
#define QXEXPPAR_COMPILER_TEST_STORE_H

#include <cstdint>
#include <vector>

#include "qxexpc.h"

struct TestStore {
  std::vector<ExpToken> nodes;
  int add_calls = 0;
  int refuse_at = 0;          // refuse the add_calls-th node when it equals this
  int32_t refuse_status = 0;  // status returned for the refused node
  bool positions_in_order = true;

  static int32_t Add(void* handle, const ExpToken* token, uint32_t position) {
    auto* store = static_cast<TestStore*>(handle);
    ++store->add_calls;
    if (store->add_calls == store->refuse_at) return store->refuse_status;
    if (position != store->nodes.size() + 1) store->positions_in_order = false;
    store->nodes.push_back(*token);
    return 0;
  }

  static int32_t Get(void* handle, uint32_t position, ExpToken* token) {
    auto* store = static_cast<TestStore*>(handle);
    if (position < 1 || position > store->nodes.size()) return -11;
    *token = store->nodes[position - 1];
    return 0;
  }

  ExpStoreFns Fns() const {
    ExpStoreFns fns{};
    fns.GetExpNode = Get;
    fns.AddNewExpNode = Add;
    return fns;
  }

  std::vector<int32_t> Kinds() const {
    std::vector<int32_t> kinds;
    for (const ExpToken& node : nodes) kinds.push_back(node.kind);
    return kinds;
  }
};

#endif

// Postfix conversion of a 15-token filter, hand-over to a store that keeps
// nothing.

#include <benchmark/benchmark.h>

#include <vector>

#include "qxexpc.h"

namespace {

int32_t Discard(void*, const ExpToken*, uint32_t) { return 0; }

ExpToken Token(int32_t kind) {
  ExpToken token{};
  token.kind = kind;
  return token;
}

void BM_ConvertFifteenTokens(benchmark::State& state) {
  std::vector<ExpToken> tokens;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) tokens.push_back(Token(i % 2 ? QX_KIND_AND : QX_KIND_OR));
    tokens.push_back(Token(QX_KIND_FIELD));
    tokens.push_back(Token(QX_KIND_EQ));
    tokens.push_back(Token(QX_KIND_LITERAL));
  }
  ExpStoreFns fns{};
  fns.AddNewExpNode = Discard;
  for (auto _ : state) {
    ExpBuilder* builder = QXExpStartExpression(nullptr, &fns);
    for (const ExpToken& token : tokens) QXExpAddToken(builder, &token);
    benchmark::DoNotOptimize(QXExpFinishExpression(builder, 0));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(tokens.size()));
}
BENCHMARK(BM_ConvertFifteenTokens);

}  // namespace

#include "compiler/node_dump.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "compiler/test_store.h"

namespace {

std::vector<ExpToken> Compile(const std::string& text) {
  TestStore store;
  ExpStoreFns fns = store.Fns();
  EXPECT_EQ(QXExpStoreExpression(&store, &fns, text.c_str(), static_cast<int32_t>(text.size()), 0), 0) << text;
  return store.nodes;
}

bool SameNodes(const std::vector<ExpToken>& a, const std::vector<ExpToken>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0);
}

ExpToken Operator(int32_t kind) {
  ExpToken token{};
  token.kind = kind;
  token.type = token.offset = token.length = -1;
  return token;
}

struct InfixCase {
  const char* text;
  const char* infix;
};

class InfixTest : public ::testing::TestWithParam<InfixCase> {};

// The infix text shows the grouping and compiles back to the same nodes.
TEST_P(InfixTest, ShowsTheGroupingAndCompilesBack) {
  const std::vector<ExpToken> nodes = Compile(GetParam().text);
  const ExpInfix infix = ExpRenderInfix(nodes.data(), static_cast<uint32_t>(nodes.size()));
  ASSERT_EQ(infix.problem, ExpInfixProblem::kNone);
  EXPECT_EQ(infix.text, GetParam().infix);
  EXPECT_EQ(infix.used, nodes.size());
  EXPECT_TRUE(SameNodes(Compile(infix.text), nodes)) << infix.text;
}

INSTANTIATE_TEST_SUITE_P(
    Expressions, InfixTest,
    ::testing::Values(
        InfixCase{"db 0 4 int = val 4 int 17", "db 0 4 int = val 4 int 17"},
        // "or" binds tighter than "and".
        InfixCase{"db 0 4 int = val 4 int 1 and db 4 4 int = val 4 int 2 or db 8 4 int = val 4 int 3",
                  "( db 0 4 int = val 4 int 1 ) and ( ( db 4 4 int = val 4 int 2 ) or ( db 8 4 int = val 4 int 3 ) )"},
        InfixCase{"( db 0 4 int = val 4 int 1 and db 4 4 int = val 4 int 2 ) or db 8 4 int = val 4 int 3",
                  "( ( db 0 4 int = val 4 int 1 ) and ( db 4 4 int = val 4 int 2 ) ) or ( db 8 4 int = val 4 int 3 )"},
        // Comparisons bind tighter than "not"; equal priorities group to the left.
        InfixCase{"not db 0 4 int = val 4 int 1", "not ( db 0 4 int = val 4 int 1 )"},
        InfixCase{"not ( not db 0 4 int > val 4 int 1 )", "not ( not ( db 0 4 int > val 4 int 1 ) )"},
        InfixCase{"db 0 4 int - val 4 int 1 - val 4 int 2 = val 4 int 0",
                  "( ( db 0 4 int - val 4 int 1 ) - val 4 int 2 ) = val 4 int 0"},
        InfixCase{"db 0 2 unsigned + db 2 2 unsigned > val 2 unsigned 5",
                  "( db 0 2 unsigned + db 2 2 unsigned ) > val 2 unsigned 5"},
        InfixCase{"values 2 db 0 4 int db 4 2 int val 4 int 1 val 2 int 2 val 4 int 3 val 2 int 4 "
                  "and db 8 1 int = val 1 int 0",
                  "values 2 db 0 4 int db 4 2 int val 4 int 1 val 2 int 2 val 4 int 3 val 2 int 4 "
                  "and ( db 8 1 int = val 1 int 0 )"},
        InfixCase{"range 1 db 0 4 int val 4 int 10 val 4 int 20 exclude values val 4 int 15 val 4 int 16 "
                  "exclude range val 4 int 11 val 4 int 12 exclude range val 4 int 17 val 4 int 18",
                  "range 1 db 0 4 int val 4 int 10 val 4 int 20 exclude values val 4 int 15 val 4 int 16 "
                  "exclude range val 4 int 11 val 4 int 12 exclude range val 4 int 17 val 4 int 18"},
        InfixCase{"db 8 1 int = val 1 int 0 or range 2 db 0 4 int db 4 4 int val 4 int 1 val 4 int 2 "
                  "val 4 int 3 val 4 int 4 exclude range val 4 int 1 val 4 int 2 val 4 int 1 val 4 int 2",
                  "( db 8 1 int = val 1 int 0 ) or range 2 db 0 4 int db 4 4 int val 4 int 1 val 4 int 2 "
                  "val 4 int 3 val 4 int 4 exclude range val 4 int 1 val 4 int 2 val 4 int 1 val 4 int 2"},
        InfixCase{"db 0 4 int = getrecid val 5", "db 0 4 int = getrecid val 5"},
        InfixCase{"db 0 8 char 0.0 = val 8 char \"A B\" and db 8 4 date < val 4 date 1 2 2003",
                  "( db 0 8 char 0.0 = val 8 char \"A B\" ) and ( db 8 4 date < val 4 date 1 2 2003 )"}));

TEST(InfixProblemTest, NodesTheWalkNeverReadsAreCounted) {
  std::vector<ExpToken> nodes = Compile("val 4 int 1 val 4 int 2");
  ExpInfix infix = ExpRenderInfix(nodes.data(), static_cast<uint32_t>(nodes.size()));
  EXPECT_EQ(infix.problem, ExpInfixProblem::kNone);
  EXPECT_EQ(infix.text, "val 4 int 2");
  EXPECT_EQ(infix.used, 1u);

  // The second "not" takes the first off the operator stack before it has
  // an operand: the first lands last in the nodes, where no walk reads it.
  nodes = Compile("not not db 0 4 int > val 4 int 1");
  ASSERT_EQ(nodes.size(), 5u);
  infix = ExpRenderInfix(nodes.data(), 5);
  EXPECT_EQ(infix.text, "not ( db 0 4 int > val 4 int 1 )");
  EXPECT_EQ(infix.used, 4u);
}

TEST(InfixProblemTest, NamesTheNodeThatDoesNotFit) {
  std::vector<ExpToken> nodes = Compile("db 0 4 int = val 4 int 1 and db 4 4 int = val 4 int 2");
  nodes[4] = Operator(QX_KIND_OPEN);
  ExpInfix infix = ExpRenderInfix(nodes.data(), static_cast<uint32_t>(nodes.size()));
  EXPECT_EQ(infix.problem, ExpInfixProblem::kUnknownKind);
  EXPECT_EQ(infix.position, 5u);
  EXPECT_TRUE(infix.text.empty());

  nodes.resize(3);  // "and", "=", the literal: the field and the left side are missing
  infix = ExpRenderInfix(nodes.data(), static_cast<uint32_t>(nodes.size()));
  EXPECT_EQ(infix.problem, ExpInfixProblem::kMissingOperand);
  EXPECT_EQ(infix.position, 4u);

  infix = ExpRenderInfix(nullptr, 5);
  EXPECT_EQ(infix.problem, ExpInfixProblem::kMissingOperand);
  EXPECT_EQ(infix.position, 1u);
}

TEST(InfixProblemTest, ListsMustHoldTheConstantsTheirCountsSay) {
  std::vector<ExpToken> nodes = Compile("values 1 db 0 4 int val 4 int 1 val 4 int 2");
  ASSERT_EQ(nodes.size(), 3u);
  nodes[1].group = 3;  // three tuples claimed, two stored
  EXPECT_EQ(ExpRenderInfix(nodes.data(), 3).problem, ExpInfixProblem::kListShape);
  nodes[1].group = 2;
  nodes[2].kind = QX_KIND_FIELD;
  ExpInfix infix = ExpRenderInfix(nodes.data(), 3);
  EXPECT_EQ(infix.problem, ExpInfixProblem::kListShape);
  EXPECT_EQ(infix.position, 3u);
  nodes[0].value[0] = 9;  // a field count outside 1 to 5
  EXPECT_EQ(ExpRenderInfix(nodes.data(), 3).problem, ExpInfixProblem::kListShape);
}

TEST(InfixProblemTest, DeepNestingIsRefusedNotOverflowed) {
  std::vector<ExpToken> nodes(kExpInfixMaxDepth + 10, Operator(QX_KIND_NOT));
  nodes.push_back(Compile("val 4 int 1")[0]);
  const ExpInfix infix = ExpRenderInfix(nodes.data(), static_cast<uint32_t>(nodes.size()));
  EXPECT_EQ(infix.problem, ExpInfixProblem::kTooDeep);
  EXPECT_STREQ(ExpInfixProblemText(infix.problem), "nesting too deep to write back");
}

// Operator, literal and field rows are shown whole by the tool's explain test.
TEST(NodeRowTest, DescribesListsFetchesAndUnknownKinds) {
  const std::vector<ExpToken> list = Compile("values 2 db 0 4 int qx 8 2 int val 4 int 1 val 2 int 2");
  ExpNodeRow row = ExpDescribeNode(list[0]);
  EXPECT_EQ(row.kind, "values");
  EXPECT_EQ(row.type, "9");
  EXPECT_EQ(row.value, "db 0 4 int, qx 8 2 int");

  const std::vector<ExpToken> fetch = Compile("db 0 4 int = getrecid db 8");
  EXPECT_EQ(ExpDescribeNode(fetch[1]).kind, "getrecid field");
  EXPECT_EQ(ExpDescribeNode(fetch[1]).value, "record numbered by qx 8");
  EXPECT_EQ(ExpDescribeNode(Operator(99)).kind, "kind 99");
}

}  // namespace

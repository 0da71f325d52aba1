#include "qxexpc.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/kinds.h"
#include "compiler/test_store.h"
#include "platform/allocation_testing.h"
#include "uxposs.h"

namespace {

// Tokens are written as words: operators by their text, "(" and ")",
// "not", "values"/"range", "xN" for field N, "vN" for literal N, and
// "exclude" for kind 16. Stored nodes are written the same way.
ExpToken TokenOf(const std::string& word) {
  ExpToken token{};
  token.type = -1;
  token.offset = -1;
  token.length = -1;
  if ((word[0] == 'x' || word[0] == 'v') && word.size() > 1 && std::isdigit(static_cast<unsigned char>(word[1]))) {
    token.kind = word[0] == 'x' ? QX_KIND_FIELD : QX_KIND_LITERAL;
    token.offset = std::stoi(word.substr(1));
    token.length = 4;
    token.value[0] = static_cast<unsigned char>(token.offset);
    return token;
  }
  if (word == "values") token.kind = QX_KIND_VALUES;
  else if (word == "range") token.kind = QX_KIND_RANGE;
  else if (word == "exclude") token.kind = QX_KIND_EXCLUDE_RANGE;
  else if (word == "junk") token.kind = 99;
  else token.kind = ExpFindOperatorWord(word.c_str())->kind;
  return token;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::string NodeText(const ExpToken& node) {
  if (node.kind == QX_KIND_FIELD) return "x" + std::to_string(node.offset);
  if (node.kind == QX_KIND_LITERAL) return "v" + std::to_string(node.offset);
  return ExpFindKind(node.kind)->name;
}

std::string NodesText(const TestStore& store) {
  std::string text;
  for (const ExpToken& node : store.nodes) text += (text.empty() ? "" : " ") + NodeText(node);
  return text;
}

struct Conversion {
  int32_t add_status = 0;  // first non-zero status of QXExpAddToken
  int32_t finish_status = 0;
  TestStore store;
};

// Converts the words; stops adding at the first refused token and aborts.
Conversion Convert(const std::string& text) {
  Conversion result;
  ExpStoreFns fns = result.store.Fns();
  ExpBuilder* builder = QXExpStartExpression(&result.store, &fns);
  EXPECT_NE(builder, nullptr);
  for (const std::string& word : Words(text)) {
    ExpToken token = TokenOf(word);
    result.add_status = QXExpAddToken(builder, &token);
    if (result.add_status != 0) {
      EXPECT_EQ(QXExpFinishExpression(builder, 1), 0);
      return result;
    }
  }
  result.finish_status = QXExpFinishExpression(builder, 0);
  return result;
}

class PostfixTest : public LeakCheckedTest {};

struct OrderCase {
  const char* tokens;
  const char* nodes;  // root first
};

const OrderCase kOrderCases[] = {
    {"x1 = x2 and x3 = x4", "and = x4 x3 = x2 x1"},
    {"x1 and x2 or x3", "and or x3 x2 x1"},             // "or" binds tighter
    {"x1 or x2 and x3", "and x3 or x2 x1"},
    {"x1 = x2 = x3", "= x3 = x2 x1"},                   // equal priorities group left
    {"x1 - x2 + x3", "+ x3 - x2 x1"},
    {"not x1 = x2", "not = x2 x1"},                     // "not" yields to a comparison
    {"not x1 and x2", "and x2 not x1"},
    {"x1 and not x2 = x3", "and not = x3 x2 x1"},
    {"( x1 and x2 ) or x3", "or x3 and x2 x1"},
    {"x1 and ( x2 and x3 )", "and and x3 x2 x1"},
    {"( ( x1 ) )", "x1"},
    {"x1 >= x2 + x3 - x4", ">= - x4 + x3 x2 x1"},
    {"values v1 v2 and x3 = x4", "and = x4 x3 values v2 v1"},
    {"x5 = x6 and range v1 v2", "and range v2 v1 = x6 x5"},
};

TEST_F(PostfixTest, NodesComeRootFirstWithTheRightOperandBeforeTheLeft) {
  for (const OrderCase& c : kOrderCases) {
    Conversion result = Convert(c.tokens);
    EXPECT_EQ(result.add_status, 0) << c.tokens;
    EXPECT_EQ(result.finish_status, 0) << c.tokens;
    EXPECT_EQ(NodesText(result.store), c.nodes) << c.tokens;
    EXPECT_TRUE(result.store.positions_in_order) << c.tokens;
  }
}

struct StatusCase {
  const char* tokens;
  int32_t add_status;
  int32_t finish_status;
  const char* nodes;  // what reached the store: nothing after a refused token (abort)
};

const StatusCase kStatusCases[] = {
    {"", 0, UX_LINK_EMPTY, ""},
    {"( )", 0, UX_LINK_EMPTY, ""},
    {"( ( ) ( ) )", 0, UX_LINK_EMPTY, ""},
    {")", QX_STATUS_NO_MEMORY, 0, ""},
    {"x1 )", QX_STATUS_NO_MEMORY, 0, ""},
    {"x1 and x2 )", QX_STATUS_NO_MEMORY, 0, ""},
    {"exclude", QX_STATUS_NO_MEMORY, 0, ""},
    {"x1 junk", QX_STATUS_NO_MEMORY, 0, ""},
    // The unclosed "(" is reached after the nodes before it were stored.
    {"x1 and ( x2", 0, QX_STATUS_NO_MEMORY, "and"},
    {"( x1 and x2", 0, QX_STATUS_NO_MEMORY, ""},
};

TEST_F(PostfixTest, StatusesAndWhatReachedTheStore) {
  for (const StatusCase& c : kStatusCases) {
    Conversion result = Convert(c.tokens);
    EXPECT_EQ(result.add_status, c.add_status) << c.tokens;
    EXPECT_EQ(result.finish_status, c.finish_status) << c.tokens;
    EXPECT_EQ(NodesText(result.store), c.nodes) << c.tokens;
  }
}

TEST_F(PostfixTest, MissingBuilderOrTableIsRefused) {
  ExpToken token = TokenOf("x1");
  EXPECT_EQ(QXExpAddToken(nullptr, &token), QX_STATUS_MISSING);
  EXPECT_EQ(QXExpFinishExpression(nullptr, 0), QX_STATUS_MISSING);
  EXPECT_EQ(QXExpFinishExpression(nullptr, 1), QX_STATUS_MISSING);
  // A builder without a table may convert, but has nowhere to hand nodes.
  ExpBuilder* builder = QXExpStartExpression(nullptr, nullptr);
  ASSERT_NE(builder, nullptr);
  EXPECT_EQ(QXExpAddToken(builder, nullptr), QX_STATUS_MISSING);
  ASSERT_EQ(QXExpAddToken(builder, &token), 0);
  EXPECT_EQ(QXExpFinishExpression(builder, 0), QX_STATUS_MISSING);
}

TEST_F(PostfixTest, TokensAreCopiedWhenAdded) {
  TestStore store;
  ExpStoreFns fns = store.Fns();
  ExpBuilder* builder = QXExpStartExpression(&store, &fns);
  ASSERT_NE(builder, nullptr);
  ExpToken token = TokenOf("x7");
  ASSERT_EQ(QXExpAddToken(builder, &token), 0);
  token = TokenOf("=");
  ASSERT_EQ(QXExpAddToken(builder, &token), 0);
  token = TokenOf("v3");
  ASSERT_EQ(QXExpAddToken(builder, &token), 0);
  token.value[0] = 99;
  ASSERT_EQ(QXExpFinishExpression(builder, 0), 0);
  ASSERT_EQ(store.nodes.size(), 3u);
  EXPECT_EQ(store.nodes[1].value[0], 3);
  EXPECT_EQ(store.nodes[1].length, 4);
}

// ---- An independent reference: precedence climbing over the same words ----

struct Tree {
  std::string word;  // operator word or operand
  std::unique_ptr<Tree> left, right;  // "not" has only `right`
};

int Priority(const std::string& word) {
  const ExpKindInfo* info = ExpFindOperatorWord(word.c_str());
  return info != nullptr && info->kind_class == ExpKindClass::kInfix ? info->priority : -1;
}

class ReferenceParser {
 public:
  explicit ReferenceParser(std::vector<std::string> words) : words_(std::move(words)) {}
  std::unique_ptr<Tree> Parse() { return Expression(0); }

 private:
  std::unique_ptr<Tree> Expression(int min_priority) {
    std::unique_ptr<Tree> left = Primary();
    while (next_ < words_.size() && Priority(words_[next_]) >= min_priority) {
      auto node = std::make_unique<Tree>();
      node->word = words_[next_++];
      node->left = std::move(left);
      node->right = Expression(Priority(node->word) + 1);  // left grouping
      left = std::move(node);
    }
    return left;
  }
  std::unique_ptr<Tree> Primary() {
    const std::string& word = words_[next_++];
    if (word == "(") {
      std::unique_ptr<Tree> inner = Expression(0);
      ++next_;  // ")"
      return inner;
    }
    auto node = std::make_unique<Tree>();
    node->word = word;
    // "not" takes what binds tighter than itself: comparisons and sums.
    if (word == "not") node->right = Expression(ExpKindPriority(QX_KIND_NOT) + 1);
    return node;
  }
  std::vector<std::string> words_;
  std::size_t next_ = 0;
};

void RootFirst(const Tree& tree, std::string* out) {
  *out += (out->empty() ? "" : " ") + tree.word;
  if (tree.right) RootFirst(*tree.right, out);
  if (tree.left) RootFirst(*tree.left, out);
}

// Random well-formed expressions, written with the parentheses the
// priorities require plus some that are not needed.
class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  std::string Expression() {
    next_operand_ = 1;
    std::string text = Node(4, -1, false);
    return text;
  }

 private:
  // `parent` is the parent's priority (-1 at the top, 30 under "not");
  // `right` tells whether this is a right operand.
  std::string Node(int depth, int parent, bool right) {
    static const char* kOperators[] = {"and", "or", "=", "!=", ">", "<", ">=", "<=", "+", "-"};
    std::string text;
    int own = 100;  // operands bind tightest
    int choice = depth > 0 ? static_cast<int>(rng_() % 12) : 11;
    if (choice < 10) {
      std::string op = kOperators[choice];
      own = Priority(op);
      text = Node(depth - 1, own, false) + " " + op + " " + Node(depth - 1, own, true);
    } else if (choice == 10) {
      own = 30;
      text = "not " + Node(depth - 1, 30, true);
    } else {
      text = "x" + std::to_string(next_operand_++);
    }
    bool needed = own != 100 && (own < parent || (right && own == parent) ||
                                 (own == 30 && parent >= 30));
    if (needed || (own != 100 && rng_() % 5 == 0)) text = "( " + text + " )";
    return text;
  }
  std::mt19937 rng_;
  int next_operand_ = 1;
};

TEST_F(PostfixTest, RandomExpressionsMatchTheReferenceParser) {
  Generator generator(20261206);
  for (int i = 0; i < 2000; ++i) {
    std::string text = generator.Expression();
    std::string expected;
    RootFirst(*ReferenceParser(Words(text)).Parse(), &expected);
    Conversion result = Convert(text);
    ASSERT_EQ(result.add_status, 0) << text;
    ASSERT_EQ(result.finish_status, 0) << text;
    ASSERT_EQ(NodesText(result.store), expected) << text;
  }
}

// Every allocation of Start, Add and Finish, made to fail in turn, gives its
// status, leaves the live-block count where it was, and hands over either
// nothing or the nodes before a store failure.
TEST_F(PostfixTest, EveryAllocationFailureIsReportedAndLeaksNothing) {
  const std::vector<std::string> words = Words("( x1 = x2 or x3 < x4 ) and not x5 >= x6 + x7");
  const std::string complete = NodesText(Convert("( x1 = x2 or x3 < x4 ) and not x5 >= x6 + x7").store);
  TestStore store;
  int32_t status = 0;
  int failures = SweepAllocationFailures(
      [&] {
        store = TestStore{};
        ExpStoreFns fns = store.Fns();
        ExpBuilder* builder = QXExpStartExpression(&store, &fns);
        status = builder == nullptr ? QX_STATUS_NO_MEMORY : 0;
        for (std::size_t i = 0; builder != nullptr && status == 0 && i < words.size(); ++i) {
          ExpToken token = TokenOf(words[i]);
          status = QXExpAddToken(builder, &token);
          if (status != 0) {
            EXPECT_EQ(QXExpFinishExpression(builder, 1), 0);
          }
        }
        if (builder != nullptr && status == 0) status = QXExpFinishExpression(builder, 0);
      },
      [&](long n, bool injected) {
        if (!injected) {
          EXPECT_EQ(status, 0);
          EXPECT_EQ(NodesText(store), complete);
          return;
        }
        EXPECT_TRUE(status == QX_STATUS_NO_MEMORY || status == UX_LINK_NO_MEMORY) << "allocation " << n;
        EXPECT_TRUE(store.nodes.empty() || complete.rfind(NodesText(store), 0) == 0);
      });
  EXPECT_GT(failures, 10);
}

}  // namespace

// A randomised differential test: random expressions over a record layout,
// each compiled and evaluated by the library and by a small model of the
// language written here (integer and text comparisons, sums and
// differences, "and", "or", "not" with the language's priorities, "values"
// and "range" lists with exclusions, and computed values (truths, lists,
// sums) compared again, with "bit" too). The library's faster path for
// filters and the plain walk through the node callbacks must agree as well.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "evaluator/evaluate.h"
#include "evaluator/test_records.h"
#include "qxexpc.h"

namespace {

// The layout: four 4-byte ints at data offsets 0, 4, 8, 12; two 4-byte
// char fields at 16 and 20.
constexpr int kInts = 4;
constexpr int kTexts = 2;
const char* const kTextChoices[] = {"", "A", "AB", "B", "BA", "A B"};

struct Record {
  int32_t ints[kInts];
  std::string texts[kTexts];
  TestRecord Build() const {
    TestRecord r(32);
    for (int i = 0; i < kInts; ++i) r.Data<int32_t>(4 * i, ints[i]);
    for (int i = 0; i < kTexts; ++i) r.Text(16 + 4 * i, texts[i], 4);
    return r;
  }
};

std::string IntField(int i) { return "db " + std::to_string(4 * i) + " 4 int"; }
std::string TextField(int i) { return "db " + std::to_string(16 + 4 * i) + " 4 char 0.0"; }
std::string IntValue(int32_t v) { return "val 4 int " + std::to_string(v); }

// A value of the model: a truth, or a failure of the walk.
using Truth = std::optional<bool>;

struct Node {
  enum Kind { kAnd, kOr, kNot, kLeaf } kind;
  std::unique_ptr<Node> left, right;  // "not" uses right
  // Leaves know their text and how to evaluate themselves.
  std::string text;
  std::function<Truth(const Record&)> eval;
};

int Priority(Node::Kind kind) { return kind == Node::kAnd ? 10 : kind == Node::kOr ? 20 : kind == Node::kNot ? 30 : 100; }

Truth Evaluate(const Node& node, const Record& record) {
  if (node.kind == Node::kLeaf) return node.eval(record);
  if (node.kind == Node::kNot) {
    Truth t = Evaluate(*node.right, record);
    return t ? Truth(!*t) : std::nullopt;
  }
  // Both sides are always evaluated: a failure anywhere fails the walk.
  Truth r = Evaluate(*node.right, record);
  Truth l = Evaluate(*node.left, record);
  if (!r || !l) return std::nullopt;
  return node.kind == Node::kAnd ? (*l && *r) : (*l || *r);
}

bool Compare(int s, const std::string& op) {
  if (op == "=") return s == 0;
  if (op == "!=") return s != 0;
  if (op == ">") return s > 0;
  if (op == "<") return s < 0;
  if (op == ">=") return s >= 0;
  return s <= 0;
}

std::string Trim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  Record RandomRecord() {
    Record r;
    for (int32_t& v : r.ints) v = Pick(-3, 3);
    for (std::string& t : r.texts) t = kTextChoices[Pick(0, 5)];
    return r;
  }

  std::unique_ptr<Node> Expression(int depth) {
    auto node = std::make_unique<Node>();
    int choice = depth > 0 ? Pick(0, 5) : 5;
    if (choice <= 1) {
      node->kind = choice == 0 ? Node::kAnd : Node::kOr;
      node->left = Expression(depth - 1);
      node->right = Expression(depth - 1);
    } else if (choice == 2) {
      node->kind = Node::kNot;
      node->right = Expression(depth - 1);
    } else {
      node->kind = Node::kLeaf;
      Leaf(node.get());
    }
    return node;
  }

  // The text, with the parentheses the priorities need and some they don't.
  std::string Render(const Node& node, int parent, bool right) {
    std::string text;
    int own = Priority(node.kind);
    if (node.kind == Node::kLeaf) {
      text = node.text;
    } else if (node.kind == Node::kNot) {
      text = "not " + Render(*node.right, own, true);
    } else {
      text = Render(*node.left, own, false) + (node.kind == Node::kAnd ? " and " : " or ") +
             Render(*node.right, own, true);
    }
    bool needed = own != 100 && (own < parent || (right && own == parent) || (own == 30 && parent >= 30));
    if (needed || (own != 100 && Pick(0, 6) == 0)) text = "( " + text + " )";
    return text;
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

  std::string Op() {
    static const char* kOps[] = {"=", "!=", ">", "<", ">=", "<="};
    return kOps[Pick(0, 5)];
  }

  // A "bit" constant (stored as 0xFF when not 0): the rule masks each side
  // with its own mask, and a computed value has none, so it reads as 0
  // against any operator.
  std::string BitValue(bool* zero) {
    int mask = Pick(0, 3), value = Pick(0, 2);
    *zero = (mask & (value != 0 ? 0xFF : 0)) == 0;
    return "val 1 bit 0." + std::to_string(mask) + " " + std::to_string(value);
  }

  void Leaf(Node* node, int last_choice = 7) {
    switch (Pick(0, last_choice)) {
      case 0: {  // int field OP literal
        int f = Pick(0, kInts - 1);
        int32_t v = Pick(-3, 3);
        std::string op = Op();
        node->text = IntField(f) + " " + op + " " + IntValue(v);
        node->eval = [f, v, op](const Record& r) -> Truth { return Compare((r.ints[f] > v) - (r.ints[f] < v), op); };
        return;
      }
      case 1: {  // int field OP int field
        int f = Pick(0, kInts - 1), g = Pick(0, kInts - 1);
        std::string op = Op();
        node->text = IntField(f) + " " + op + " " + IntField(g);
        node->eval = [f, g, op](const Record& r) -> Truth {
          return Compare((r.ints[f] > r.ints[g]) - (r.ints[f] < r.ints[g]), op);
        };
        return;
      }
      case 2: {  // int field +/- int field OP literal (32-bit sums)
        int f = Pick(0, kInts - 1), g = Pick(0, kInts - 1);
        int32_t v = Pick(-6, 6);
        bool plus = Pick(0, 1) == 1;
        std::string op = Op();
        node->text = IntField(f) + (plus ? " + " : " - ") + IntField(g) + " " + op + " " + IntValue(v);
        node->eval = [f, g, v, plus, op](const Record& r) -> Truth {
          int32_t sum = plus ? r.ints[f] + r.ints[g] : r.ints[f] - r.ints[g];
          return Compare((sum > v) - (sum < v), op);
        };
        return;
      }
      case 6: {  // ( truth ) OP int literal, or OP bit literal
        auto inner = std::make_shared<Node>();
        Leaf(inner.get(), 5);
        std::string op = Op();
        bool bit_zero = false;
        bool bit = Pick(0, 1) == 1;
        int32_t v = Pick(-1, 2);
        node->text = "( " + inner->text + " ) " + op + " " + (bit ? BitValue(&bit_zero) : IntValue(v));
        node->eval = [inner, op, bit, bit_zero, v](const Record& r) -> Truth {
          Truth t = inner->eval(r);
          if (!t) return std::nullopt;
          if (bit) return bit_zero;
          int32_t l = *t ? 1 : 0;
          return Compare((l > v) - (l < v), op);
        };
        return;
      }
      case 7: {  // int field +/- int field OP bit literal
        int f = Pick(0, kInts - 1), g = Pick(0, kInts - 1);
        bool bit_zero = false;
        node->text = IntField(f) + (Pick(0, 1) == 1 ? " + " : " - ") + IntField(g) + " " + Op() + " " +
                     BitValue(&bit_zero);
        node->eval = [bit_zero](const Record&) -> Truth { return bit_zero; };
        return;
      }
      case 3: {  // text field OP text literal: trailing blanks trimmed, "!=" fails
        int f = Pick(0, kTexts - 1);
        // An empty quoted text would swallow the words up to the next quote:
        // a single blank writes the empty text.
        std::string literal = kTextChoices[Pick(0, 5)];
        if (literal.empty()) literal = " ";
        std::string op = Op();
        node->text = TextField(f) + " " + op + " val 4 char \"" + literal + "\"";
        node->eval = [f, literal, op](const Record& r) -> Truth {
          if (op == "!=") return std::nullopt;
          int s = Trim(r.texts[f]).compare(Trim(literal));
          return Compare((s > 0) - (s < 0), op);
        };
        return;
      }
      case 4: {  // values N fields, G groups
        int n = Pick(1, 2), groups = Pick(1, 3);
        std::vector<int> fields;
        std::string text = "values " + std::to_string(n);
        for (int i = 0; i < n; ++i) {
          fields.push_back(Pick(0, kInts - 1));
          text += " " + IntField(fields.back());
        }
        std::vector<std::vector<int32_t>> tuples(static_cast<size_t>(groups));
        for (auto& tuple : tuples) {
          for (int i = 0; i < n; ++i) {
            tuple.push_back(Pick(-3, 3));
            text += " " + IntValue(tuple.back());
          }
        }
        node->text = text;
        node->eval = [fields, tuples](const Record& r) -> Truth {
          for (const auto& tuple : tuples) {
            bool equal = true;
            for (size_t i = 0; i < fields.size(); ++i) equal = equal && r.ints[fields[i]] == tuple[i];
            if (equal) return true;
          }
          return false;
        };
        return;
      }
      default: {  // range with excluded values and excluded ranges
        int n = Pick(1, 2);
        std::vector<int> fields;
        std::string text = "range " + std::to_string(n);
        for (int i = 0; i < n; ++i) {
          fields.push_back(Pick(0, kInts - 1));
          text += " " + IntField(fields.back());
        }
        auto tuple = [&] {
          std::vector<int32_t> t;
          for (int i = 0; i < n; ++i) {
            t.push_back(Pick(-3, 3));
            text += " " + IntValue(t.back());
          }
          return t;
        };
        std::vector<int32_t> low = tuple(), high = tuple();
        std::vector<std::vector<int32_t>> excluded_values, excluded_lows, excluded_highs;
        if (Pick(0, 1) == 1) {
          text += " exclude values";
          for (int g = Pick(1, 2); g > 0; --g) excluded_values.push_back(tuple());
        }
        for (int p = Pick(0, 2); p > 0; --p) {
          text += " exclude range";
          excluded_lows.push_back(tuple());
          excluded_highs.push_back(tuple());
        }
        node->text = text;
        node->eval = [=](const Record& r) -> Truth {
          auto within = [&](const std::vector<int32_t>& lo, const std::vector<int32_t>& hi) {
            for (size_t i = 0; i < fields.size(); ++i) {
              int32_t v = r.ints[fields[i]];
              if (v > hi[i] || v < lo[i]) return false;
            }
            return true;
          };
          for (size_t p = 0; p < excluded_lows.size(); ++p) {
            if (within(excluded_lows[p], excluded_highs[p])) return false;
          }
          for (const auto& t : excluded_values) {
            bool equal = true;
            for (size_t i = 0; i < fields.size(); ++i) equal = equal && r.ints[fields[i]] == t[i];
            if (equal) return false;
          }
          return within(low, high);
        };
        return;
      }
    }
  }

  std::mt19937 rng_;
};

// The walk through the store's own node callbacks, without the faster path.
uint32_t MatchThroughCallbacks(FilterHandle* handle, const TestRecord& record) {
  ExpStoreFns fns{};
  fns.GetExpNode = QXQFGetExpNode;
  fns.AddNewExpNode = QXQFAddNewExpNode;
  uint32_t match = 99;
  EXPECT_EQ(ExpEvaluate(handle, &fns, &match, record.data()), 0);
  return match;
}

TEST(FilterModel, RandomExpressionsAgreeWithTheModel) {
  Generator generator(20261206);
  int matches = 0, failures_of_walk = 0;
  constexpr int kCases = 10000;
  for (int i = 0; i < kCases; ++i) {
    std::unique_ptr<Node> tree = generator.Expression(i % 5);
    std::string text = generator.Render(*tree, -1, false);
    FilterHandle* handle = nullptr;
    ASSERT_EQ(QXQFStoreExpression(text.c_str(), &handle), 0) << text;
    for (int k = 0; k < 3; ++k) {
      Record record = generator.RandomRecord();
      TestRecord buffer = record.Build();
      Truth expected = Evaluate(*tree, record);
      uint32_t match = 99;
      ASSERT_EQ(QXQFEvaluateExpression(buffer.data(), handle, &match, nullptr), 0);
      ASSERT_EQ(match, expected.value_or(false) ? 1u : 0u) << text;
      ASSERT_EQ(MatchThroughCallbacks(handle, buffer), match) << text;
      matches += match;
      failures_of_walk += expected ? 0 : 1;
    }
    ASSERT_EQ(QXQFDeleteExpression(handle), 0);
  }
  // The cases must exercise both outcomes and failing walks.
  EXPECT_GT(matches, kCases / 5);
  EXPECT_LT(matches, kCases * 3 - kCases / 5);
  EXPECT_GT(failures_of_walk, kCases / 50);
}

}  // namespace

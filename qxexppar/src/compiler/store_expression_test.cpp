#include "compiler/store_expression.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "compiler/kinds.h"
#include "compiler/list_fields.h"
#include "compiler/test_scan.h"
#include "compiler/test_store.h"
#include "platform/allocation_testing.h"
#include "uxposs.h"

namespace {

struct Compiled {
  int32_t status = 0;
  ExpCompileStop stop{};
  TestStore store;
};

Compiled Compile(const std::string& text) {
  Compiled result;
  ExpStoreFns fns = result.store.Fns();
  result.status = ExpCompileText(&result.store, &fns, text.data(), static_cast<int32_t>(text.size()), &result.stop);
  return result;
}

// Nodes written for tables: operators by their word, fields as f<offset>,
// literals by their value (texts quoted, integers as numbers), then the
// list marker as @<offset> when it is not -1 and the group as #<group>.
std::string NodeText(const ExpToken& node) {
  std::string text;
  if (node.kind == QX_KIND_FIELD) return "f" + std::to_string(node.offset);
  if (node.kind != QX_KIND_LITERAL) return ExpFindKind(node.kind)->name;
  if (node.type == 8) {
    text = "'" + std::string(reinterpret_cast<const char*>(node.value), static_cast<std::size_t>(node.length)) + "'";
  } else {
    int32_t number = 0;
    std::memcpy(&number, node.value, static_cast<std::size_t>(node.length < 4 ? node.length : 4));
    text = std::to_string(number);
  }
  if (node.offset != -1) text += "@" + std::to_string(node.offset);
  if (node.group != 0) text += "#" + std::to_string(node.group);
  return text;
}

std::string NodesText(const TestStore& store) {
  std::string text;
  for (const ExpToken& node : store.nodes) text += (text.empty() ? "" : " ") + NodeText(node);
  return text;
}

class StoreExpressionTest : public LeakCheckedTest {};

ExpToken Node(int32_t kind, int32_t type, int32_t offset, int32_t length, const void* value = nullptr) {
  ExpToken token;
  std::memset(&token, 0, sizeof token);
  token.kind = kind;
  token.type = type;
  token.offset = offset;
  token.length = length;
  if (value != nullptr) std::memcpy(token.value, value, static_cast<std::size_t>(length));
  return token;
}

TEST_F(StoreExpressionTest, TheTypicalFilterReachesTheStoreByteForByte) {
  Compiled c = Compile("db 0 4 int = val 4 int 17 and qx 120 8 char != val 8 char \"ABC\"");
  ASSERT_EQ(c.status, 0);
  const unsigned char seventeen[4] = {17, 0, 0, 0};
  const ExpToken expected[] = {
      Node(QX_KIND_AND, -1, -1, -1),
      Node(QX_KIND_NE, -1, -1, -1),
      Node(QX_KIND_LITERAL, 8, -1, 8, "ABC     "),
      Node(QX_KIND_FIELD, 8, 120, 8),
      Node(QX_KIND_EQ, -1, -1, -1),
      Node(QX_KIND_LITERAL, 4, -1, 4, seventeen),
      Node(QX_KIND_FIELD, 4, 386, 4),
  };
  ASSERT_EQ(c.store.nodes.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(std::memcmp(&c.store.nodes[i], &expected[i], sizeof(ExpToken)), 0) << "node " << i + 1;
  }
  EXPECT_TRUE(c.store.positions_in_order);
}

struct TextCase {
  const char* text;
  int32_t status;
  const char* nodes;  // what reached the store, root first
};

// F is a 4-byte "int" field; the values are 4-byte "int" literals.
const TextCase kTextCases[] = {
    // Lists, in the node order the evaluator reads.
    {"range 1 db 0 4 int val 4 int 1 val 4 int 9 exclude values val 4 int 5 val 4 int 6",
     0, "range 6@17#2 5@17#1 9 1"},
    {"range 1 db 0 4 int val 4 int 1 val 4 int 9 exclude range val 4 int 2 val 4 int 3 "
     "exclude range val 4 int 4 val 4 int 5",
     0, "range 5@16#2 4@16#2 3@16#1 2@16#1 9 1"},
    {"range 1 db 0 4 int val 4 int 1 val 4 int 9 exclude values val 4 int 5 "
     "exclude range val 4 int 2 val 4 int 3",
     0, "range 3@16#1 2@16#1 5@17#1 9 1"},
    {"values 1 db 0 4 int val 4 int 1 val 4 int 2 val 4 int 3", 0, "values 3#3 2#2 1#1"},
    {"values 2 db 0 4 int qx 9 2 char val 4 int 1 val 2 char \"a\" val 4 int 2 val 2 char \"b\"",
     0, "values 'b '#2 2#2 'a '#1 1#1"},
    {"values 1 db 0 4 int val 4 int 1 and range 1 db 4 4 int val 4 int 2 val 4 int 3",
     0, "and range 3 2 values 1#1"},
    {"range 1 db 0 4 int val 4 int 1 val 4 int 9 exclude values val 4 int 5 or ( values 1 db 0 4 int val 4 int 7 )",
     0, "or values 7#1 range 5@17#1 9 1"},
    {"not values 1 db 0 4 int val 4 int 1 = val 4 int 0", 0, "not = 0 values 1#1"},
    // A field of length 0 takes the length of its first value.
    {"values 1 db 0 0 ldr5 val 2 ldr5 7 val 2 ldr5 8", 0, "values 8#2 7#1"},
    {"values 1 db 0 0 ldr5 val 2 ldr5 7 val 1 ldr5 8", -14, ""},
    // The text may end where a list may end, and a last operand cut short
    // is dropped.
    {"range 1 db 0 4 int val 4 int 1 val 4 int 9 exclude", 0, "range 9 1"},
    {"db 0 4 int = val 4 int 17 and db 4 4", 0, "and = 17 f386"},
    {"db 0 4 int = val 4 int 5 getrecid val 12", 0, "= getrecid val 5 f386"},
    // Failures reach nothing.
    {"", -16, ""},
    {"values 1 db 0 4 int and db 0 4 int", -14, ""},
    {"values 1 db 0 4 int", -14, ""},
    {"values 1 db 0 4 int val 4 int 1 exclude range val 4 int 1 val 4 int 2", -14, ""},
    {"values 1 db 0 4 int val 4 int 1 exclude values val 4 int 2", -14, ""},
    {"values 1 db 0 4 int val 4 int 1 val 4 unsigned 2", -14, ""},
    {"range 1 db 0 4 int val 4 int 1", -16, ""},
    {"range 1 db 0 4 int val 4 int 1 and db 0 4 int", -12, ""},
    {"range 1 db 0 4 int ( val 4 int 1", -12, ""},
    {"range 1 db 0 4 int val 4 int 1 exclude range", -13, ""},
    {"range 1 db 0 4 unsigned val 4 int 1 val 4 int 2", -14, ""},
    {"range 1 db 0 4 int val 2 int 1 val 4 int 2", -14, ""},
    {"range 1 db 0 4 int db 0 4 int val 4 int 2", -14, ""},
    {"range 2 db 0 4 int db 4 4 int val 4 int 1", -14, ""},
    {"range 1 db 0 4 int val 4 int 1 val 3 int 2", -14, ""},  // a scan failure inside a group
    {"range 1 db 0 4 int val 4 int 1 val 4 int 9 exclude values", -14, ""},
    {"range 1 db 0 4 int val 4 int 1 val 4 int 9 exclude values exclude range val 4 int 2 val 4 int 3", -14, ""},
    {"range 1 db 0 4 int val 4 int 1 val 4 int 9 exclude range val 4 int 2", -16, ""},
    {"range 1 db 0 4 int val 4 int 1 val 4 int 9 exclude range val 4 int 2 or", -12, ""},
    {"range 1 db 0 4 int val 4 int 1 val 4 int 9 exclude range val 4 int 2 val 4 int 3 exclude values val 4 int 4",
     -17, ""},
    {"range 1 db 0 4 int val 4 int 1 val 4 int 9 exclude foo", -5, ""},
    {"exclude values val 4 int 1", -17, ""},
    {"db 0 4 int = val 4 int 1 and exclude range val 4 int 1 val 4 int 2", -17, ""},
    {"range 6 db 0 4 int", -15, ""},
    {"db 0 4 int = val 4 int 17 junk", -5, ""},
    {"db 0 4 int = val 3 int 17", -6, ""},
    {"db 0 4 int = val 4 int", -7, ""},
    {"db 0 4 ldr12", -9, ""},
    {") and db 0 4 int", -1, ""},
    {"( db 0 4 int = val 4 int 1", -1, ""},
    {"( )", UX_LINK_EMPTY, ""},
};

TEST_F(StoreExpressionTest, TextsGiveTheirNodesOrTheirStatus) {
  for (const TextCase& c : kTextCases) {
    Compiled result = Compile(c.text);
    EXPECT_EQ(result.status, c.status) << c.text;
    EXPECT_EQ(NodesText(result.store), c.nodes) << c.text;
    if (c.status != 0) {
      EXPECT_EQ(result.store.add_calls, 0) << c.text;
    }
    EXPECT_TRUE(result.store.positions_in_order) << c.text;
  }
}

TEST_F(StoreExpressionTest, AStoreFailureIsPassedOnAndTheNodesBeforeItStay) {
  TestStore store;
  store.refuse_at = 3;
  store.refuse_status = 4242;
  ExpStoreFns fns = store.Fns();
  const std::string text = "db 0 4 int = val 4 int 17 and qx 120 8 char != val 8 char \"ABC\"";
  EXPECT_EQ(QXExpStoreExpression(&store, &fns, text.c_str(), static_cast<int32_t>(text.size()), 0), 4242);
  EXPECT_EQ(NodesText(store), "and !=");
  EXPECT_EQ(store.add_calls, 3);  // nothing is handed over after the refusal
}

TEST_F(StoreExpressionTest, ArgumentsAndTextLength) {
  TestStore store;
  ExpStoreFns fns = store.Fns();
  const char text[] = "db 0 4 int = val 4 int 17 and qx 0 4 blob";
  EXPECT_EQ(QXExpStoreExpression(nullptr, &fns, text, 10, 0), QX_STATUS_MISSING);
  EXPECT_EQ(QXExpStoreExpression(&store, nullptr, text, 10, 0), QX_STATUS_MISSING);
  EXPECT_EQ(QXExpStoreExpression(&store, &fns, nullptr, 10, 0), QX_STATUS_MISSING);
  EXPECT_EQ(QXExpStoreExpression(&store, &fns, text, -1, 0), QX_STATUS_MISSING);
  EXPECT_EQ(QXExpStoreExpression(&store, &fns, text, 0, 0), QX_STATUS_END_OF_TEXT);
  EXPECT_EQ(store.add_calls, 0);
  // Only the first `length` bytes count: the unknown word is never read.
  EXPECT_EQ(QXExpStoreExpression(&store, &fns, text, 25, 1), 0);
  EXPECT_EQ(NodesText(store), "= 17 f386");
  EXPECT_STREQ(text, "db 0 4 int = val 4 int 17 and qx 0 4 blob");  // only read

  // A NUL ends the text early.
  TestStore cut;
  fns = cut.Fns();
  const char with_nul[] = "db 0 4 int\0 = blob";
  EXPECT_EQ(QXExpStoreExpression(&cut, &fns, with_nul, sizeof with_nul - 1, 0), 0);
  EXPECT_EQ(NodesText(cut), "f386");

  // A table without AddNewExpNode: the text compiles, the hand-over cannot.
  ExpStoreFns empty{};
  EXPECT_EQ(QXExpStoreExpression(&store, &empty, text, 25, 0), QX_STATUS_MISSING);
}

TEST_F(StoreExpressionTest, TheStopNamesTheWordWhereReadingStopped) {
  struct StopCase {
    const char* text;
    int32_t status;
    const char* word;  // the text at the stop; "" for a place
    int32_t offset;
  };
  const StopCase cases[] = {
      {"db 0 4 int = val 4 int 17 and qx 0 4 blob or", -5, "blob", 37},
      {"db 0 4 int = val 4 int", -7, "", 22},
      {"range 1 db 0 4 unsigned val 4 int 1 val 4 int 2", -14, "1", 34},
      {"db 0 4 int and ) or", -1, ")", 15},
      {"( db 0 4 int", -1, "", 12},
      {"db 0 4 int = val 4 int 1 exclude values", -17, "values", 33},
      {"db 0 4 int = val 4 int 1", 0, "", 24},
      {"", -16, "", 0},
  };
  for (const StopCase& c : cases) {
    Compiled result = Compile(c.text);
    EXPECT_EQ(result.status, c.status) << c.text;
    EXPECT_EQ(result.stop.offset, c.offset) << c.text;
    EXPECT_EQ(std::string(c.text).substr(static_cast<std::size_t>(result.stop.offset),
                                         static_cast<std::size_t>(result.stop.length)),
              c.word)
        << c.text;
  }
}

// Every allocation made to fail in turn: the status says so, nothing leaks
// and the store is never called.
TEST_F(StoreExpressionTest, EveryAllocationFailureIsReportedAndLeaksNothing) {
  const std::string text =
      "not ( db 0 4 int = val 4 int 17 or qx 120 8 char != val 8 char \"ABC\" ) and "
      "range 1 db 4 4 int val 4 int 1 val 4 int 9 exclude values val 4 int 5 val 4 int 6 "
      "exclude range val 4 int 2 val 4 int 3 and values 2 db 8 2 int db 10 1 logical "
      "val 2 int 7 val 1 logical Y val 2 int 8 val 1 logical N";
  const std::string complete = NodesText(Compile(text).store);
  TestStore store;
  int32_t status = 0;
  int failures = SweepAllocationFailures(
      [&] {
        store = TestStore{};
        ExpStoreFns fns = store.Fns();
        status = QXExpStoreExpression(&store, &fns, text.c_str(), static_cast<int32_t>(text.size()), 0);
      },
      [&](long n, bool injected) {
        if (!injected) {
          EXPECT_EQ(status, 0);
          EXPECT_EQ(NodesText(store), complete);
          return;
        }
        EXPECT_TRUE(status == QX_STATUS_NO_MEMORY || status == QX_STATUS_MISSING || status == UX_LINK_NO_MEMORY)
            << "allocation " << n << ": " << status;
        EXPECT_EQ(store.add_calls, 0) << "allocation " << n;
      });
  EXPECT_GT(failures, 30);
}

// ---- Generated texts, compiled and read back ---------------------------------

std::string Describe(const ExpToken& token) {
  return std::to_string(token.kind) + "/" + std::to_string(token.type) + "/" + std::to_string(token.offset) +
         "/" + std::to_string(token.length) + "/" + std::to_string(token.attr1) + "." +
         std::to_string(token.attr2) + "#" + std::to_string(token.group) + ":" + Hex(token.value, sizeof token.value);
}

// Random well-formed texts: operands of every form, operators with the
// parentheses their priorities need (and some they do not), lists with
// their groups and exclusions. Alongside, the expression they stand for,
// fully parenthesised, with every operand written as the token it gives.
class TextGenerator {
 public:
  explicit TextGenerator(unsigned seed) : rng_(seed) {}

  struct Generated {
    std::string text;
    std::string expected;
  };

  Generated Expression() {
    Piece piece = Node(4, -1, false);
    return {piece.text, piece.expected};
  }

 private:
  struct Piece {
    std::string text;
    std::string expected;
  };

  int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  // A keyword in random letter case, and the blanks before the next word.
  std::string Word(const std::string& word) {
    std::string out = word;
    for (char& c : out) {
      if (c >= 'a' && c <= 'z' && Pick(3) == 0) c = static_cast<char>(c - 'a' + 'A');
    }
    return out + std::string(static_cast<std::size_t>(1 + (Pick(4) == 0 ? Pick(3) : 0)), ' ');
  }

  std::string Number(int min, int max) { return std::to_string(min + Pick(max - min + 1)); }

  // Never empty: the reader skips a run of quotes, so "" would take the
  // text up to the next quote.
  std::string QuotedText(int max_length) {
    std::string text = "\"";
    int length = 1 + Pick(max_length);
    for (int i = 0; i < length; ++i) text += Pick(5) == 0 ? ' ' : static_cast<char>('a' + Pick(26));
    return text + "\" ";
  }

  // A field reference, and what its literals are written with.
  struct Typed {
    int form;
    std::string length;
    std::string type;  // for "ldr" fields
    std::string field;
  };

  Typed TypedField() {
    const std::string at = Number(0, 300) + " ";
    Typed t{Pick(9), std::to_string(1 << Pick(4)), "", ""};
    switch (t.form) {
      case 0: t.field = Word("db") + at + t.length + " " + Word("int"); break;
      case 1: t.field = Word("qx") + at + t.length + " " + Word("unsigned"); break;
      case 2:
        t.length = Number(1, 12);
        t.field = Pick(2) == 0 ? Word("qx") + at + t.length + " " + Word("char")
                               : Word("db") + at + t.length + " " + Word("char") + Number(0, 9) + "." + Number(0, 9) + " ";
        break;
      case 3: t.field = Word("db") + at + "4 " + Word("date"); break;
      case 4: t.field = Word("db") + at + "4 " + Word("time"); break;
      case 5: t.field = Word("db") + at + "8 " + Word("float"); break;
      case 6: t.field = Word("db") + at + "1 " + Word("logical"); break;
      case 7:
        // A field of length 0 takes the length of its first value.
        t.type = "ldr" + std::to_string(Pick(2) == 0 ? 5 : 7);
        t.field = Word("db") + at + (Pick(2) == 0 ? "0 " : "2 ") + Word(t.type);
        break;
      default: t.field = Word("db") + at + "4 " + Word("autoinc"); break;
    }
    return t;
  }

  // A literal of the field's type and length, with a value of its own.
  std::string Literal(const Typed& t) {
    switch (t.form) {
      case 0: return Word("val") + t.length + " " + Word("int") + Number(-99999, 99999) + " ";
      case 1: return Word("val") + t.length + " " + Word("unsigned") + Number(0, 99999) + " ";
      case 2: return Word("val") + t.length + " " + Word("char") + QuotedText(14);
      case 3: return Word("val") + "4 " + Word("date") + Number(1, 12) + " " + Number(1, 28) + " " + Number(0, 9999) + " ";
      case 4: return Word("val") + "4 " + Word("time") + Number(0, 23) + ":" + Number(0, 59) + ":" + Number(0, 59) + " ";
      case 5: return Word("val") + "8 " + Word(Pick(2) == 0 ? "float" : "currency") + Number(-999, 999) + "." + Number(0, 99) + " ";
      case 6: return Word("val") + "1 " + Word("logical") + static_cast<char>('A' + Pick(26)) + " ";
      case 7: return Word("val") + "2 " + Word(t.type) + Number(0, 999) + " ";
      default: return Word("val") + "4 " + Word(Pick(2) == 0 ? "autoinc" : "int") + Number(0, 99999) + " ";
    }
  }

  Piece Operand() {
    std::string text;
    switch (Pick(6)) {
      case 0: text = TypedField().field; break;
      case 1: text = Word("val") + Number(0, 20) + " " + Word("decimal") + Number(1, 20) + "." + Number(0, 9) + " " + Number(-99, 99) + "." + Number(0, 9) + " "; break;
      case 2: text = Word("val") + "8 " + Word("timestamp") + "\"" + Number(1, 12) + "/" + Number(1, 28) + "/" + Number(1, 9999) + " " + Number(0, 23) + ":" + Number(0, 59) + ":" + Number(0, 59) + "\" "; break;
      case 3: text = Word("getrecid") + Word(Pick(2) == 0 ? "val" : "db") + Number(0, 5000) + " "; break;
      default: text = Literal(TypedField()); break;
    }
    return {text, Describe(ScanValid(text))};
  }

  // One value for each field, marked, written to the list and expected.
  void Group(const std::vector<Typed>& fields, int32_t marker, uint32_t group, Piece* list,
             std::vector<std::string>* values) {
    for (const Typed& field : fields) {
      const std::string literal = Literal(field);
      ExpToken token = ScanValid(literal);
      token.offset = marker;
      token.group = group;
      list->text += literal;
      values->push_back(Describe(token));
    }
  }

  Piece List() {
    const bool range = Pick(2) == 0;
    const int count = 1 + Pick(3);
    std::vector<Typed> fields;
    Piece list{Word(range ? "range" : "values") + std::to_string(count) + " ", ""};
    for (int i = 0; i < count; ++i) {
      fields.push_back(TypedField());
      list.text += fields.back().field;
    }
    const std::string head = Describe(ScanValid(list.text));
    std::vector<std::string> values;
    if (range) {
      Group(fields, -1, 0, &list, &values);
      Group(fields, -1, 0, &list, &values);
      if (Pick(2) == 0) {
        list.text += Word("exclude") + Word("values");
        for (uint32_t g = 1, groups = 1 + static_cast<uint32_t>(Pick(3)); g <= groups; ++g) {
          Group(fields, 17, g, &list, &values);
        }
      }
      for (uint32_t pair = 1, pairs = static_cast<uint32_t>(Pick(3)); pair <= pairs; ++pair) {
        list.text += Word("exclude") + Word("range");
        Group(fields, 16, pair, &list, &values);
        Group(fields, 16, pair, &list, &values);
      }
    } else {
      for (uint32_t g = 1, groups = 1 + static_cast<uint32_t>(Pick(3)); g <= groups; ++g) {
        Group(fields, -1, g, &list, &values);
      }
    }
    list.expected = "[" + head;
    for (const std::string& value : values) list.expected += " " + value;
    list.expected += "]";
    return list;
  }

  // `parent` is the priority of the operator above (-1 at the top), `right`
  // tells whether this is its right operand.
  Piece Node(int depth, int parent, bool right) {
    static const char* kOperators[] = {"and", "or", "=", "!=", ">", "<", ">=", "<=", "+", "-"};
    Piece piece;
    int own = 100;  // operands bind tightest
    int choice = depth > 0 ? Pick(13) : 10 + Pick(3);
    if (choice < 10) {
      const std::string op = kOperators[choice];
      own = ExpFindOperatorWord(op.c_str())->priority;
      Piece left = Node(depth - 1, own, false);
      Piece right_piece = Node(depth - 1, own, true);
      piece.text = left.text + Word(op) + right_piece.text;
      piece.expected = "(" + left.expected + " " + op + " " + right_piece.expected + ")";
    } else if (choice == 10) {
      own = ExpKindPriority(QX_KIND_NOT);
      Piece operand = Node(depth - 1, own, true);
      piece.text = Word("not") + operand.text;
      piece.expected = "(not " + operand.expected + ")";
    } else if (choice == 11) {
      own = ExpKindPriority(QX_KIND_RANGE);
      piece = List();
    } else {
      piece = Operand();
    }
    const int kNot = ExpKindPriority(QX_KIND_NOT);
    bool needed = own != 100 && (own < parent || (right && own == parent) || (own == kNot && parent >= kNot));
    if (needed || (own != 100 && Pick(5) == 0)) piece.text = Word("(") + piece.text + Word(")");
    return piece;
  }

  std::mt19937 rng_;
};

// Reads the subtree at `pos` back from the nodes, root first, and writes
// it the way the generator writes the expression.
std::string ReadBack(const std::vector<ExpToken>& nodes, std::size_t* pos) {
  if (*pos >= nodes.size()) return "<missing>";
  const ExpToken& node = nodes[(*pos)++];
  switch (ExpKindClassOf(node.kind)) {
    case ExpKindClass::kInfix: {
      std::string right = ReadBack(nodes, pos);
      std::string left = ReadBack(nodes, pos);
      return "(" + left + " " + ExpFindKind(node.kind)->name + " " + right + ")";
    }
    case ExpKindClass::kPrefix:
      return "(not " + ReadBack(nodes, pos) + ")";
    case ExpKindClass::kList: {
      ExpListField fields[kExpMaxListFields];
      const std::size_t n = static_cast<std::size_t>(ExpReadListFields(&node, fields));
      // The values follow last first: exclude-range pairs (the first
      // carries the number of pairs), exclude-values groups, the bounds;
      // or the groups of "values" (the first carries their number).
      std::size_t count = 0;
      auto marked = [&](int32_t marker, std::size_t per_group) {
        std::size_t at = *pos + count;
        if (at < nodes.size() && nodes[at].offset == marker) count += per_group * nodes[at].group;
      };
      if (node.kind == QX_KIND_RANGE) {
        marked(16, 2 * n);
        marked(17, n);
        count += 2 * n;
      } else {
        marked(-1, n);
      }
      std::string text = "[" + Describe(node);
      for (std::size_t i = count; i-- > 0;) {
        text += " " + (*pos + i < nodes.size() ? Describe(nodes[*pos + i]) : "<missing>");
      }
      *pos += count;
      return text + "]";
    }
    default:
      return Describe(node);
  }
}

TEST_F(StoreExpressionTest, GeneratedTextsCompileAndReadBackAsWritten) {
  TextGenerator generator(20261207);
  for (int i = 0; i < 400; ++i) {
    TextGenerator::Generated generated = generator.Expression();
    Compiled result = Compile(generated.text);
    ASSERT_EQ(result.status, 0) << generated.text;
    std::size_t pos = 0;
    std::string read_back = ReadBack(result.store.nodes, &pos);
    ASSERT_EQ(read_back, generated.expected) << generated.text;
    ASSERT_EQ(pos, result.store.nodes.size()) << generated.text;
  }
}

}  // namespace

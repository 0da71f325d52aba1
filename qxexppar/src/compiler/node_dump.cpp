#include "compiler/node_dump.h"

#include <cstring>
#include <vector>

#include "compiler/kinds.h"
#include "compiler/list_fields.h"
#include "compiler/type_names.h"
#include "compiler/value_text.h"

namespace {

// List constants carry their block in `offset`: excluded-range bounds,
// excluded values, or the list's own values and bounds.

std::string FieldsText(const ExpToken& list) {
  ExpListField fields[kExpMaxListFields];
  const int32_t count = ExpReadListFields(&list, fields);
  std::string text;
  for (int32_t i = 0; i < count; ++i) {
    const ExpListField& f = fields[i];
    text += (i == 0 ? "" : ", ") + ExpFieldText(f.offset, f.length, f.type, f.attr1, f.attr2);
  }
  return text;
}

// Reads the walk's way through the nodes, writing each subtree back.
class InfixWriter {
 public:
  InfixWriter(const ExpToken* nodes, uint32_t count) : nodes_(nodes), count_(count) {}

  ExpInfix Run() {
    ExpInfix infix;
    Subtree root;
    if (Read(&root, 0)) {
      infix.text = root.text;
    } else {
      infix.problem = problem_;
      infix.position = at_;
    }
    infix.used = position_ - 1;
    return infix;
  }

 private:
  struct Subtree {
    std::string text;
    bool operation = false;  // wrapped in parentheses when it is an operand
  };

  // Parentheses are words of their own in the language.
  static std::string Wrapped(const Subtree& s) { return s.operation ? "( " + s.text + " )" : s.text; }

  bool Fail(ExpInfixProblem problem, uint32_t position) {
    problem_ = problem;
    at_ = position;
    return false;
  }

  // The node at the running position, which moves past it; nullptr (and a
  // problem) when the nodes have run out.
  const ExpToken* Next() {
    if (position_ > count_) {
      Fail(ExpInfixProblem::kMissingOperand, position_);
      return nullptr;
    }
    return &nodes_[position_++ - 1];
  }

  bool Read(Subtree* out, int depth) {
    if (depth >= kExpInfixMaxDepth) return Fail(ExpInfixProblem::kTooDeep, position_);
    const uint32_t position = position_;
    const ExpToken* node = Next();
    if (node == nullptr) return false;
    const ExpKindInfo* info = ExpFindKind(node->kind);
    switch (ExpKindClassOf(node->kind)) {
      case ExpKindClass::kInfix: {
        Subtree right, left;
        if (!Read(&right, depth + 1) || !Read(&left, depth + 1)) return false;
        out->text = Wrapped(left) + " " + info->word + " " + Wrapped(right);
        out->operation = true;
        return true;
      }
      case ExpKindClass::kPrefix: {
        Subtree operand;
        if (!Read(&operand, depth + 1)) return false;
        out->text = std::string(info->word) + " " + Wrapped(operand);
        out->operation = true;
        return true;
      }
      case ExpKindClass::kList:
        return ReadList(*node, position, out);
      case ExpKindClass::kLiteral:
      case ExpKindClass::kField:
      case ExpKindClass::kFetchByNumber:
      case ExpKindClass::kFetchByField:
        out->text = ExpOperandText(*node);
        return true;
      default:
        return Fail(ExpInfixProblem::kUnknownKind, position);
    }
  }

  // Takes `n` constants of the list at `list_position` into `block`.
  bool TakeConstants(uint64_t n, uint32_t list_position, std::vector<const ExpToken*>* block) {
    if (n > count_ - (position_ - 1)) return Fail(ExpInfixProblem::kListShape, list_position);
    for (uint64_t i = 0; i < n; ++i) {
      const ExpToken* node = Next();
      if (node->kind != QX_KIND_LITERAL) return Fail(ExpInfixProblem::kListShape, position_ - 1);
      block->push_back(node);
    }
    return true;
  }

  // The group number of the next node: how many tuples or pairs its block
  // holds (it stands first, with the highest number).
  uint32_t NextGroup() const { return position_ <= count_ ? nodes_[position_ - 1].group : 0; }
  int32_t NextMarker() const { return position_ <= count_ ? nodes_[position_ - 1].offset : 0; }

  // A list and its constants, in the order the walk reads them: excluded
  // ranges, excluded values, then the list's own; each block last value
  // first. Written back in text order, which is that order reversed.
  bool ReadList(const ExpToken& list, uint32_t position, Subtree* out) {
    ExpListField fields[kExpMaxListFields];
    const uint64_t n = static_cast<uint64_t>(ExpReadListFields(&list, fields));
    if (n == 0) return Fail(ExpInfixProblem::kListShape, position);
    std::vector<const ExpToken*> ranges, values, own;
    if (list.kind == QX_KIND_VALUES) {
      if (!TakeConstants(n * NextGroup(), position, &own)) return false;
      if (own.empty()) return Fail(ExpInfixProblem::kListShape, position);
    } else {
      if (NextMarker() == kExpExcludedRangeMarker && !TakeConstants(2 * n * NextGroup(), position, &ranges)) return false;
      if (NextMarker() == kExpExcludedValueMarker && !TakeConstants(n * NextGroup(), position, &values)) return false;
      if (!TakeConstants(2 * n, position, &own)) return false;
    }
    std::string text = std::string(list.kind == QX_KIND_VALUES ? "values " : "range ") + std::to_string(n);
    for (uint64_t i = 0; i < n; ++i) {
      const ExpListField& f = fields[i];
      text += " " + ExpFieldText(f.offset, f.length, f.type, f.attr1, f.attr2);
    }
    auto append = [&text](const std::vector<const ExpToken*>& block, uint64_t per_keyword, const char* keyword) {
      for (size_t i = block.size(); i-- > 0;) {
        const size_t written = block.size() - 1 - i;
        if (keyword != nullptr && written % per_keyword == 0) text += std::string(" ") + keyword;
        text += " " + ExpOperandText(*block[i]);
      }
    };
    append(own, 0, nullptr);
    if (!values.empty()) append(values, values.size(), "exclude values");
    append(ranges, 2 * n, "exclude range");
    out->text = text;
    return true;
  }

  const ExpToken* nodes_;
  uint32_t count_;
  uint32_t position_ = 1;
  ExpInfixProblem problem_ = ExpInfixProblem::kNone;
  uint32_t at_ = 0;
};

std::string TypeText(int32_t type) {
  if (type == -1) return "-";
  const char* name = ExpTypeName(type);
  return name != nullptr ? std::to_string(type) + " " + name : std::to_string(type);
}

}  // namespace

ExpNodeRow ExpDescribeNode(const ExpToken& node) {
  ExpNodeRow row;
  const ExpKindInfo* info = ExpFindKind(node.kind);
  row.kind = info != nullptr ? info->name : "kind " + std::to_string(node.kind);
  row.type = TypeText(node.type);
  row.attrs = node.attr1 == 0 && node.attr2 == 0 ? "-" : std::to_string(node.attr1) + "." + std::to_string(node.attr2);
  switch (node.kind) {
    case QX_KIND_LITERAL:
      row.value = ExpLiteralValueText(node);
      break;
    case QX_KIND_FIELD:
      row.value = ExpOperandText(node);
      break;
    case QX_KIND_VALUES:
    case QX_KIND_RANGE:
      row.value = FieldsText(node);
      break;
    case QX_KIND_FETCH_BY_NUMBER:
    case QX_KIND_FETCH_BY_FIELD: {
      int32_t number;
      std::memcpy(&number, node.value, sizeof number);
      row.value = (node.kind == QX_KIND_FETCH_BY_NUMBER ? "record " : "record numbered by qx ") + std::to_string(number);
      break;
    }
    default:
      break;
  }
  return row;
}

ExpInfix ExpRenderInfix(const ExpToken* nodes, uint32_t count) {
  if (nodes == nullptr) count = 0;
  return InfixWriter(nodes, count).Run();
}

const char* ExpInfixProblemText(ExpInfixProblem problem) {
  switch (problem) {
    case ExpInfixProblem::kNone:
      return "none";
    case ExpInfixProblem::kUnknownKind:
      return "a node the evaluation does not know";
    case ExpInfixProblem::kListShape:
      return "a list whose constants are not where its counts say";
    case ExpInfixProblem::kMissingOperand:
      return "the nodes end before an operator has its operands";
    case ExpInfixProblem::kTooDeep:
      return "nesting too deep to write back";
  }
  return "?";
}

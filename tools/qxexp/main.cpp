// qxexp: a host of the expression library for people.
//
//   qxexp demo   converts the tokens of a sample filter and prints the nodes
//                the store receives, root first.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "qxexpc.h"

namespace {

struct PrintingStore {
  int32_t nodes = 0;
};

const char* KindName(int32_t kind) {
  switch (kind) {
    case QX_KIND_AND: return "and";
    case QX_KIND_OR: return "or";
    case QX_KIND_EQ: return "=";
    case QX_KIND_NE: return "!=";
    case QX_KIND_GT: return ">";
    case QX_KIND_LT: return "<";
    case QX_KIND_NOT: return "not";
    case QX_KIND_LITERAL: return "val";
    case QX_KIND_FIELD: return "field";
    default: return "?";
  }
}

int32_t PrintNode(void* handle, const ExpToken* token, uint32_t position) {
  static_cast<PrintingStore*>(handle)->nodes++;
  std::printf("%4u  %-6s type %3d  offset %5d  length %4d\n", position, KindName(token->kind),
              token->type, token->offset, token->length);
  return 0;
}

ExpToken Token(int32_t kind, int32_t type, int32_t offset, int32_t length) {
  ExpToken token;
  std::memset(&token, 0, sizeof token);
  token.kind = kind;
  token.type = type;
  token.offset = offset;
  token.length = length;
  return token;
}

int Demo() {
  // db 0 4 int = val 4 int 17 and not qx 120 8 char = val 8 char "ABC"
  std::vector<ExpToken> tokens = {
      Token(QX_KIND_FIELD, 4, 386, 4),   Token(QX_KIND_EQ, -1, -1, -1),
      Token(QX_KIND_LITERAL, 4, -1, 4),  Token(QX_KIND_AND, -1, -1, -1),
      Token(QX_KIND_NOT, -1, -1, -1),    Token(QX_KIND_FIELD, 8, 120, 8),
      Token(QX_KIND_EQ, -1, -1, -1),     Token(QX_KIND_LITERAL, 8, -1, 8),
  };
  tokens[2].value[0] = 17;
  std::memcpy(tokens[7].value, "ABC     ", 8);

  PrintingStore store;
  ExpStoreFns fns;
  std::memset(&fns, 0, sizeof fns);
  fns.AddNewExpNode = PrintNode;
  std::printf("filter: db 0 4 int = val 4 int 17 and not qx 120 8 char = val 8 char \"ABC\"\n");
  std::printf(" pos  kind\n");
  ExpBuilder* builder = QXExpStartExpression(&store, &fns);
  if (builder == nullptr) {
    std::fprintf(stderr, "qxexp: out of memory\n");
    return 1;
  }
  for (const ExpToken& token : tokens) {
    int32_t status = QXExpAddToken(builder, &token);
    if (status != 0) {
      QXExpFinishExpression(builder, 1);
      std::fprintf(stderr, "qxexp: token refused with status %d\n", status);
      return 1;
    }
  }
  int32_t status = QXExpFinishExpression(builder, 0);
  if (status != 0) {
    std::fprintf(stderr, "qxexp: conversion failed with status %d\n", status);
    return 1;
  }
  std::printf("%d nodes stored\n", store.nodes);
  return 0;
}

void Usage(std::FILE* out) {
  std::fprintf(out, "usage: qxexp COMMAND\n\ncommands:\n  demo   convert a sample filter and print its nodes\n  help   show this text\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    Usage(stderr);
    return 2;
  }
  std::string command = argv[1];
  if (command == "demo") return Demo();
  if (command == "help" || command == "--help" || command == "-h") {
    Usage(stdout);
    return 0;
  }
  std::fprintf(stderr, "qxexp: unknown command '%s'\n", argv[1]);
  Usage(stderr);
  return 2;
}

/* A C host of the library: converts the tokens of  a = b and c = d  and
 * checks the nodes the store receives, then compiles the same shape from
 * text. Exits 0 on success. */
#include "qxexpc.h"

#include <stdio.h>
#include <string.h>

static int32_t kinds[16];
static int32_t count;

static int32_t Record(void *handle, const ExpToken *token, uint32_t position) {
  (void)handle;
  if (position != (uint32_t)count + 1 || count >= 16) return -100;
  kinds[count++] = token->kind;
  return 0;
}

static ExpToken Make(int32_t kind, int32_t offset) {
  ExpToken token;
  memset(&token, 0, sizeof token);
  token.kind = kind;
  token.offset = offset;
  return token;
}

int main(void) {
  ExpStoreFns fns;
  ExpToken tokens[7];
  static const int32_t expected[7] = {QX_KIND_AND, QX_KIND_EQ, QX_KIND_FIELD, QX_KIND_FIELD,
                                      QX_KIND_EQ, QX_KIND_FIELD, QX_KIND_FIELD};
  ExpBuilder *builder;
  int i;
  memset(&fns, 0, sizeof fns);
  fns.AddNewExpNode = Record;
  tokens[0] = Make(QX_KIND_FIELD, 1);
  tokens[1] = Make(QX_KIND_EQ, -1);
  tokens[2] = Make(QX_KIND_FIELD, 2);
  tokens[3] = Make(QX_KIND_AND, -1);
  tokens[4] = Make(QX_KIND_FIELD, 3);
  tokens[5] = Make(QX_KIND_EQ, -1);
  tokens[6] = Make(QX_KIND_FIELD, 4);
  builder = QXExpStartExpression(NULL, &fns);
  if (builder == NULL) return 1;
  for (i = 0; i < 7; ++i) {
    if (QXExpAddToken(builder, &tokens[i]) != 0) return 2;
  }
  if (QXExpFinishExpression(builder, 0) != 0) return 3;
  if (count != 7) return 4;
  for (i = 0; i < 7; ++i) {
    if (kinds[i] != expected[i]) return 5;
  }
  if (QXExpFinishExpression(NULL, 0) != QX_STATUS_MISSING) return 6;
  {
    static const char text[] = "db 0 4 int = val 4 int 17 and qx 120 8 char != val 8 char \"ABC\"";
    count = 0;
    if (QXExpStoreExpression(&count, &fns, text, (int32_t)strlen(text), 0) != 0) return 7;
    if (count != 7 || kinds[0] != QX_KIND_AND || kinds[2] != QX_KIND_LITERAL) return 8;
    if (QXExpStoreExpression(&count, &fns, "", 0, 0) != QX_STATUS_END_OF_TEXT) return 9;
  }
  printf("c api: 7 nodes, root first\n");
  return 0;
}

/* A host built against an installed qxexpc: catches install rules, package
 * files or version macros that do not give a working library. Compiles a
 * filter, evaluates a record it matches, and prints the version the headers
 * carry. Exits 0 when the record matches. */
#include <qxexpc.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

int main(void) {
  unsigned char record[QX_RECORD_HEADER_SIZE + 4] = {0};
  const uint32_t kind = 1;
  const int32_t data_length = 4, age = 21;
  FilterHandle *filter = NULL;
  uint32_t match = 0;
  memcpy(record + 12, &kind, 4);
  memcpy(record + 380, &data_length, 4);
  memcpy(record + QX_RECORD_HEADER_SIZE, &age, 4);
  if (QXQFStoreExpression("db 0 4 int >= val 4 int 18", &filter) != 0 ||
      QXQFEvaluateExpression(record, filter, &match, NULL) != 0 || match != 1) {
    fprintf(stderr, "the installed library does not match the record\n");
    return 1;
  }
  QXQFDeleteExpression(filter);
  printf("qxexpc %s %d\n", QXEXPC_VERSION_STRING, QXEXPC_VERSION);
  return 0;
}

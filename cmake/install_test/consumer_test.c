/* A host built against an installed qxexpc: catches install rules, package
 * files or version macros that do not give a working library. Compiles a
 * filter, evaluates a record that matches and one that does not, and prints
 * the version the headers carry. Exits 0 when all is as expected. */
#include <qxexpc.h>

#include <stdio.h>
#include <string.h>

static void MakeRecord(unsigned char *record, int32_t age) {
  const uint32_t rec_id = 1, kind = 1;
  const int32_t data_length = 4;
  memset(record, 0, QX_RECORD_HEADER_SIZE + 4);
  memcpy(record + 0, &rec_id, 4);
  memcpy(record + 12, &kind, 4);
  memcpy(record + 380, &data_length, 4);
  memcpy(record + QX_RECORD_HEADER_SIZE, &age, 4);
}

int main(void) {
  unsigned char record[QX_RECORD_HEADER_SIZE + 4];
  FilterHandle *filter = NULL;
  uint32_t adult = 0, child = 1;
  int32_t status = QXQFStoreExpression("db 0 4 int >= val 4 int 18", &filter);
  if (status != 0) {
    fprintf(stderr, "the filter does not compile: %d\n", (int)status);
    return 1;
  }
  MakeRecord(record, 21);
  status = QXQFEvaluateExpression(record, filter, &adult, NULL);
  MakeRecord(record, 9);
  if (status == 0) status = QXQFEvaluateExpression(record, filter, &child, NULL);
  QXQFDeleteExpression(filter);
  if (status != 0 || adult != 1 || child != 0) {
    fprintf(stderr, "wrong evaluation: status %d, matches %u and %u\n", (int)status, (unsigned)adult,
            (unsigned)child);
    return 1;
  }
  printf("qxexpc %s %d\n", QXEXPC_VERSION_STRING, QXEXPC_VERSION);
  return 0;
}

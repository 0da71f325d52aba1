/* A C host of the trigger files: makes the product's data files under a
 * prefix in the working folder, creates a trigger through the library, reads
 * its nodes back position by position and its text, and deletes it; then
 * performs a trigger whose action is in the sample action library, loaded
 * by name, and finds the line the action wrote. Exits 0 on success. */
#include "qxexpc.h"
#include "qxldra_host.h"
#include "qxldra_product.h"
#include "qxsample.h"
#include "uxposs_host.h"

#include <stdio.h>
#include <string.h>

static const char kPrefix[] = "c_trigger_";

/* Files of an earlier run go first, so that every run starts afresh. */
static void RemoveFiles(void) {
  static const char *const names[] = {QX_TDEFEX_FILE,   QX_TABDEF_FILE,   QX_TRIGEX_FILE,   QX_TRIGGERS_FILE,
                                      QX_TRIGTXT_FILE,  QX_ACTIONS_FILE,  QX_TRACXREF_FILE, QX_PFACTPRO_FILE,
                                      QX_PFACTCFG_FILE, QX_TRIGLOG_FILE,  QX_TRDFXREF_FILE, QX_TRAFXREF_FILE,
                                      QX_QXSERVER_FILE};
  static const char *const endings[] = {"", "-wal", "-shm", "-journal"};
  char path[64];
  size_t i;
  for (i = 0; i < 4 * sizeof names / sizeof names[0]; ++i) {
    snprintf(path, sizeof path, "%s%s%s", kPrefix, names[i / 4], endings[i % 4]);
    remove(path);
  }
  remove(QX_SAMPLE_LOG_FILE);
}

/* As a host of the record-definition files too: lists definition 3 of
 * table 7 "orders" as another program would, stores its expression and
 * finds it for a record whose first data word is above 20. */
static int RunDefinition(void) {
  static const char expression[] = "db 0 4 int > val 4 int 20";
  unsigned char position[QX_LDRA_POSITION_SIZE], client[QX_LDRA_CLIENT_ID_SIZE] = {0};
  unsigned char tabdef[QX_TABDEF_RECORD_SIZE], record[QX_RECORD_HEADER_SIZE + 4] = {0};
  char path[64];
  uint16_t length = sizeof "c-host";
  const uint32_t table = 7, number = 3;
  uint32_t found = 0;
  snprintf(path, sizeof path, "%s%s", kPrefix, QX_TABDEF_FILE);
  memset(tabdef, ' ', sizeof tabdef);
  memcpy(tabdef + QX_TABDEF_TABLE_ID, &table, 4);
  memcpy(tabdef + QX_TABDEF_TABLE_NAME, "orders", 6);
  memcpy(tabdef + QX_TABDEF_DEFINITION, &number, 4);
  if (QXMRDInitDat(kPrefix, "c-host") != 0) return 20;
  if (qx_LDRAID(QX_LDRA_OP_OPEN, position, (void *)"c-host", &length, path, 0, client) != 0) return 21;
  length = sizeof tabdef;
  if (qx_LDRAID(QX_LDRA_OP_INSERT, position, tabdef, &length, NULL, -1, client) != 0) return 22;
  qx_LDRAID(QX_LDRA_OP_CLOSE, position, NULL, &length, NULL, 0, client);
  if (QXMRDStoreExpression(table, "orders", number, expression, sizeof expression - 1) != 0) return 23;
  record[12] = 1; /* record kind */
  record[380] = 4; /* data length */
  record[QX_RECORD_HEADER_SIZE] = 21;
  if (QXMRDFindRecordDefinition(&found, table, "orders", record, 0) != 0 || found != number) return 24;
  if (QXMRDDeleteExpression(table, "orders", number) != 0) return 25;
  QXMRDDeinitDat();
  return 0;
}

static int Run(void) {
  static const char expression[] = "db 0 4 int = val 4 int 17 and db 4 4 int > val 4 int 2";
  static const int32_t kinds[] = {QX_KIND_AND,   QX_KIND_GT, QX_KIND_LITERAL, QX_KIND_FIELD,
                                  QX_KIND_EQ, QX_KIND_LITERAL, QX_KIND_FIELD};
  const int32_t length = (int32_t)strlen(expression);
  unsigned char trigger[QX_TRIGGERS_RECORD_SIZE];
  char text[QX_TRIGGER_TEXT_BUFFER_SIZE];
  ExpToken node;
  uint32_t id, i;
  memset(trigger, 0, sizeof trigger);
  memcpy(trigger + QX_TRIGGERS_NAME, "c host", 6);
  trigger[QX_TRIGGERS_ACTIVE] = 1;
  if (QXTRGCreateTrigger(trigger, expression, length) != 0) return 3;
  memcpy(&id, trigger + QX_TRIGGERS_ID, sizeof id);
  if (QXTRGInsertTrigTxt(id, expression, length) != 0) return 4;
  for (i = 0; i < 7; ++i) {
    if (QXTRGGetExpNode(&id, i + 1, &node) != 0 || node.kind != kinds[i]) return 5;
  }
  if (QXTRGGetExpNode(&id, 8, &node) == 0) return 6;
  if (QXTRGGetTrigTxt(id, text) != 0 || strcmp(text, expression) != 0) return 7;
  if (QXTRGDeleteTriggers(id) != 0 || QXTRGGetExpNode(&id, 1, &node) == 0) return 8;
  return QXMRDFreeHandle(NULL) == 0 ? RunDefinition() : 9;
}

/* A trigger whose action, in the sample action library, appends a line to
 * a file in the working folder (no "qxserver" settings: empty paths). */
static int Perform(void) {
  static const char rows[] = "2," QX_SAMPLE_LIBRARY "," QX_SAMPLE_APPEND ",;", text[] = "db 0 4 int = val 4 int 17";
  unsigned char trigger[QX_TRIGGERS_RECORD_SIZE] = {0}, link[8], record[QX_RECORD_HEADER_SIZE + 4] = {42};
  const int32_t action = QXTRGAddAction("sample", "append", 1, (int32_t)strlen(rows), 7, rows, "1,x,y,;", ",", ";");
  char line[256] = "";
  FILE *sample;
  trigger[QX_TRIGGERS_ACTIVE] = 1;
  if (action < 1 || QXTRGCreateTrigger(trigger, text, (int32_t)strlen(text)) != 0) return 10;
  memcpy(link, trigger + QX_TRIGGERS_ID, 4);
  memcpy(link + 4, &action, 4);
  record[12] = 1; /* record kind */
  record[380] = 4; /* data length */
  record[QX_RECORD_HEADER_SIZE] = 17;
  if (QXTRGAddNewTriggerAction(link) != 0 || QXTRGPerformTriggers(record, 0, kPrefix, NULL) != 9 || record[364] != 'T') {
    return 11;
  }
  ux_WaitForThreads();
  sample = fopen(QX_SAMPLE_LOG_FILE, "r");
  if (sample == NULL || fgets(line, sizeof line, sample) == NULL) line[0] = '\0';
  if (sample != NULL) fclose(sample);
  return strstr(line, "rec_id=42 field=17") != NULL ? 0 : 12;
}

int main(void) {
  int status = 2;
  RemoveFiles();
  if (qxldraCreateProductFiles(kPrefix, "c-host") != 0) return 1;
  if (QXTRGInitDat(kPrefix, "c-host") == 0) status = Run();
  if (status == 0) status = Perform();
  QXTRGDeinitDat();
  RemoveFiles();
  if (status == 0) printf("c trigger host: created, read back, deleted and performed\n");
  return status;
}

/* A C host of the trigger files: makes the product's data files under a
 * prefix in the working folder, creates a trigger through the library, reads
 * its nodes back position by position and its text, and deletes it; then
 * performs a trigger whose action is in the sample action library, loaded
 * by name, and finds the action's line and its log row. Exits 0 on
 * success. */
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
                                      QX_QXSERVER_FILE, QX_SAMPLE_LOG_FILE};
  static const char *const endings[] = {"", "-wal", "-shm", "-journal"};
  char path[64];
  size_t i;
  for (i = 0; i < 4 * sizeof names / sizeof names[0]; ++i) {
    snprintf(path, sizeof path, "%s%s%s", kPrefix, names[i / 4], endings[i % 4]);
    remove(path);
  }
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
  return QXMRDFreeHandle(NULL) == 0 ? 0 : 9;
}

static uint32_t U32At(const unsigned char *at) {
  uint32_t value;
  memcpy(&value, at, sizeof value);
  return value;
}

/* One call on the data file `name`, opened and closed around it. */
static int16_t CallOnce(const char *name, const char *owner, uint16_t operation, void *data, uint16_t length) {
  unsigned char position[QX_LDRA_POSITION_SIZE], key[QX_LDRA_MAX_KEY_LENGTH];
  static const unsigned char client[QX_LDRA_CLIENT_ID_SIZE] = {'c'};
  char path[64];
  uint16_t owner_length = (uint16_t)(strlen(owner) + 1);
  int16_t status;
  snprintf(path, sizeof path, "%s%s", kPrefix, name);
  status = qx_LDRAID(QX_LDRA_OP_OPEN, position, (void *)owner, &owner_length, path, 0, client);
  if (status != 0) return status;
  memset(key, 0, sizeof key);
  status = qx_LDRAID(operation, position, data, &length, key, operation == QX_LDRA_OP_INSERT ? -1 : 0, client);
  qx_LDRAID(QX_LDRA_OP_CLOSE, position, NULL, &length, NULL, 0, client);
  return status;
}

static int Perform(void) {
  static const char rows[] = "2," QX_SAMPLE_LIBRARY "," QX_SAMPLE_APPEND ",;", expression[] = "db 0 4 int = val 4 int 17";
  unsigned char setting[QX_QXSERVER_RECORD_SIZE], trigger[QX_TRIGGERS_RECORD_SIZE], link[8], function[208];
  unsigned char record[QX_RECORD_HEADER_SIZE + 4], row[QX_TRIGLOG_RECORD_SIZE];
  const uint32_t rec_id = 42, kind = 1, length = 4, key = 17;
  int32_t action;
  uint32_t id;
  char line[256] = "";
  FILE *sample;
  memset(setting, ' ', sizeof setting);
  memcpy(setting + QX_QXSERVER_SECTION, "QXMON PATHS", 11);
  memcpy(setting + QX_QXSERVER_SETTING, "Log Path", 8);
  memcpy(setting + QX_QXSERVER_VALUE, kPrefix, strlen(kPrefix));
  if (CallOnce(QX_QXSERVER_FILE, QX_LDRA_SERVER_OWNER, QX_LDRA_OP_INSERT, setting, sizeof setting) != 0) return 10;
  action = QXTRGAddAction("sample", "append", 1, (int32_t)strlen(rows), 7, rows, "1,x,y,;", ",", ";");
  memset(trigger, 0, sizeof trigger);
  trigger[QX_TRIGGERS_ACTIVE] = 1;
  if (action < 1 || QXTRGCreateTrigger(trigger, expression, (int32_t)strlen(expression)) != 0) return 11;
  memcpy(link, trigger + QX_TRIGGERS_ID, 4);
  memcpy(link + 4, &action, 4);
  id = U32At(trigger + QX_TRIGGERS_ID);
  if (QXTRGAddNewTriggerAction(link) != 0) return 12;
  if (QXTRGGetFirstTriggerFnByTrigByPlatform(&id, function, 2) != 0 ||
      strcmp((char *)function + QX_PFACTPRO_FUNCTION, QX_SAMPLE_APPEND) != 0) {
    return 13;
  }
  memset(record, 0, sizeof record);
  memcpy(record, &rec_id, 4);
  memcpy(record + 12, &kind, 4);
  memcpy(record + 380, &length, 4);
  memcpy(record + QX_RECORD_HEADER_SIZE, &key, 4);
  if (QXTRGPerformTriggers(record, 0, kPrefix, NULL) != 9 || record[364] != 'T') return 14;
  ux_WaitForThreads();
  if (CallOnce(QX_TRIGLOG_FILE, "c-host", QX_LDRA_OP_GET_FIRST, row, sizeof row) != 0) return 15;
  if (U32At(row + QX_TRIGLOG_TRIGGER_ID) != id || U32At(row + QX_TRIGLOG_ACTION_ID) != (uint32_t)action ||
      U32At(row + QX_TRIGLOG_REC_ID) != rec_id || U32At(row + QX_TRIGLOG_RESULT) != 0 ||
      row[QX_TRIGLOG_HUNDREDTHS] != 48 || memcmp(row + QX_TRIGLOG_MESSAGE, "appended rec_id=42 to ", 22) != 0) {
    return 16;
  }
  snprintf(line, sizeof line, "%s%s", kPrefix, QX_SAMPLE_LOG_FILE);
  sample = fopen(line, "r");
  if (sample == NULL) return 17;
  if (fgets(line, sizeof line, sample) == NULL) line[0] = '\0';
  fclose(sample);
  return strstr(line, "rec_id=42 field=17") != NULL ? 0 : 18;
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

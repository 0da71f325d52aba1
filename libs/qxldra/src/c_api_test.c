/* A C host of the record manager: the headers are plain C. Creates the
 * product files in a folder, stores a server setting and reads it back.
 * Returns 0, or the number of the step that failed. */
#include "qxldra.h"
#include "qxldra_host.h"
#include "qxldra_testing.h"

#include <stdio.h>
#include <string.h>

int QxldraCHostRoundTrip(const char *prefix);

int QxldraCHostRoundTrip(const char *prefix) {
  static const unsigned char client[QX_LDRA_CLIENT_ID_SIZE] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'U', 'X', 140, 0};
  unsigned char position[QX_LDRA_POSITION_SIZE];
  unsigned char record[332];
  unsigned char key[QX_LDRA_MAX_KEY_LENGTH];
  char path[QX_LDRA_MAX_PATH + 1];
  char owner[] = QX_LDRA_SERVER_OWNER;
  uint16_t length = (uint16_t)sizeof owner;

  if (qxldraCreateProductFiles(prefix, "host") != QX_LDRA_OK) return 1;
  snprintf(path, sizeof path, "%s%s", prefix, "qxserver");
  if (qx_LDRAID(QX_LDRA_OP_OPEN, position, owner, &length, path, 0, client) != QX_LDRA_OK) return 2;
  memset(record, ' ', sizeof record);
  memcpy(record, "QXMON PATHS", 11);
  memcpy(record + 40, "Root Path", 9);
  memcpy(record + 80, "/opt/qx", 7);
  length = sizeof record;
  if (qx_LDRAID(QX_LDRA_OP_INSERT, position, record, &length, NULL, -1, client) != QX_LDRA_OK) return 3;
  memcpy(key, record, 80);
  memset(record, 0, sizeof record);
  length = sizeof record;
  if (qx_LDRAID(QX_LDRA_OP_GET_EQUAL, position, record, &length, key, 0, client) != QX_LDRA_OK) return 4;
  if (length != 332 || memcmp(record + 80, "/opt/qx ", 8) != 0) return 5;
  if (strcmp(qxldraStatusText(QX_LDRA_END_OF_FILE), "no further record in key order") != 0) return 6;
  if (qx_LDRAID(QX_LDRA_OP_RESET, NULL, NULL, NULL, NULL, 0, client) != QX_LDRA_OK) return 7;
  if (qxldraOpenFileCount() != 0) return 8;
  return 0;
}

/* The sample action library: action functions (QxActionFn, qxexpc.h) that
 * a platform row names to make a fired trigger leave a trace. Built as
 * libqxsample.so on Linux and w64qxsample.dll on Windows.
 *
 *  QxSampleAppendLine   appends one line to the file QX_SAMPLE_LOG_FILE in
 *                       the "Log Path" (a prefix, joined as "%s%s"):
 *                         <local date and time> trigger=<id> "<name>"
 *                         rec_id=<rec_id> field=<first 4 data bytes as a
 *                         signed number, or - when the data is shorter>
 *                       Returns 0 with the message "appended rec_id=<rec_id>
 *                       to <file>"; 1 with "cannot open <file>" when the
 *                       file cannot be opened.
 *  QxSampleAppendAlone  the same, and notices calls that overlap: returns
 *                       2 with the message "overlapped rec_id=<rec_id>"
 *                       when another call of the library ran during it.
 *  QxSampleFail         returns -1 with "sample failure rec_id=<rec_id>".
 *  QxSampleFillMessage  writes n characters 'a', 'b', ... 'z', 'a', ...
 *                       into the message buffer, n being the first 4 data
 *                       bytes held to 0..QX_ACTION_MESSAGE_SIZE; at the
 *                       buffer's size no terminator is written. Returns n.
 */
#ifndef QXSAMPLE_H
#define QXSAMPLE_H

#define QX_SAMPLE_APPEND "QxSampleAppendLine"
#define QX_SAMPLE_APPEND_ALONE "QxSampleAppendAlone"
#define QX_SAMPLE_FAIL "QxSampleFail"
#define QX_SAMPLE_FILL "QxSampleFillMessage"
#define QX_SAMPLE_LOG_FILE "qxsample.log"

#define QX_SAMPLE_CANNOT_OPEN 1
#define QX_SAMPLE_OVERLAPPED 2
#define QX_SAMPLE_FAILED (-1)

#include <stdint.h>

#ifndef QXSAMPLE_API
#define QXSAMPLE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

QXSAMPLE_API int32_t QxSampleAppendLine(const void *trigger, const void *record, const void *server_paths,
                                        char *message);
QXSAMPLE_API int32_t QxSampleAppendAlone(const void *trigger, const void *record, const void *server_paths,
                                         char *message);
QXSAMPLE_API int32_t QxSampleFail(const void *trigger, const void *record, const void *server_paths,
                                  char *message);
QXSAMPLE_API int32_t QxSampleFillMessage(const void *trigger, const void *record, const void *server_paths,
                                         char *message);

#ifdef __cplusplus
}
#endif

#endif

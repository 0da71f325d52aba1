// Performing triggers: the triggers of "triggers" visited in ascending id
// order, each active one evaluated against the monitored record, and each
// match fired on an alarm thread that runs the trigger's actions under the
// alarm lock and logs every call in "triglog".
#ifndef QXEXPPAR_TRIGGERS_PERFORM_H
#define QXEXPPAR_TRIGGERS_PERFORM_H

#include <cstdint>

// Inside the trigger module, 5 means "skip this entry" (an inactive
// trigger; a link whose action does not run on the platform).
inline constexpr int32_t kTrgSkip = 5;

// Read the trigger after id 0 (First) or after the handle's trigger id
// (Next) from "triggers" into `trigger` (148 bytes), with its name and
// description cut of trailing blanks, and store its id in `handle` (a
// TriggerHandle). Return 0 for an active trigger, kTrgSkip for an inactive
// one, the read's status (9 after the last trigger), or -2 for a missing
// argument or a closed file.
int32_t TrgFirstTrigger(void* handle, unsigned char* trigger);
int32_t TrgNextTrigger(void* handle, unsigned char* trigger);

// What an alarm thread owns from its start: a copy of the monitored record
// in a block of QX_RECORD_BUFFER_SIZE bytes and a copy of the fired
// trigger's record. All three blocks come from qxdbgMalloc.
struct AlarmThreadArg {
  unsigned char* record;
  unsigned char* trigger;
};

// An alarm thread: under the alarm lock, sets the copy's byte 364 to 'T'
// and runs every action of the trigger that has a function for
// QX_ACTION_PLATFORM, in the order of the trigger's links, logging each
// call; a library or function that cannot be found is skipped without a
// row. Then frees `argument` (an AlarmThreadArg) and its copies.
void AlarmThread(void* argument);

// Inserts the "triglog" row of one action call: local date and time now
// (hundredths always 48), the trigger's id, the action id and platform code
// of `function` (a "pfactpro64" record), the record's rec_id, `result`, and
// the first characters of `message` up to its terminator, at most 250,
// blank-padded. `path` is not used. Returns the insert's status; -2 for a
// missing argument or a closed "triglog".
int32_t TrgWriteLog(const unsigned char* trigger, const unsigned char* function, const unsigned char* record,
                    const char* path, int32_t result, const char* message);

#endif

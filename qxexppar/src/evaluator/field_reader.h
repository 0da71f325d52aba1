// Reading the fields of one record buffer.
//
// Header fields (offsets 0-383) are copied as stored. Data fields (offsets
// from 384 up, at offset - 386 of the data) are decoded by the field-
// conversion service when the record kind is 1, 2 or 3. The service is
// prepared for the record (return form 1, the record's data as its buffer)
// at the first data field read and restored by ExpFieldReaderFinish, so a
// reader that takes many fields of one record prepares the service once. A
// reader used for one field makes exactly the calls QXGetDataFromBuffer
// makes: set the form, set the buffer, get the field, restore the form.
#ifndef QXEXPPAR_EVALUATOR_FIELD_READER_H
#define QXEXPPAR_EVALUATOR_FIELD_READER_H

#include <cstdint>

#include "compiler/list_fields.h"
#include "evaluator/exp_value.h"
#include "qxexpc.h"

struct ExpFieldReader {
  const unsigned char* record;
  int32_t data_length;     // as the header says
  int32_t data_bounded;    // the same, held within the buffer
  bool decodable;          // the record kind is 1, 2 or 3
  bool prepared;           // the service holds this record's data
  int32_t previous_form;   // the form to restore
  char context[24];        // the service's conversion context (not read)
};

void ExpFieldReaderStart(ExpFieldReader* reader, const void* record);

// Copies one field into `value` (room for `length` bytes) with the
// statuses of QXGetDataFromBuffer: 0; -1 when the field is not available;
// or the service's status. A value of type 0 is blank-padded from its first
// NUL to `length`, whatever the outcome, when it is a data field.
int32_t ExpFieldReaderRead(ExpFieldReader* reader, void* value, int32_t offset, int32_t length,
                           uint32_t type, uint32_t attr1, uint32_t attr2);

// Restores the service's return form if the reader prepared it.
void ExpFieldReaderFinish(ExpFieldReader* reader);

// Fills `value` with the field a node describes, read with `fields`: -17
// when the field is not available (or does not fit a value area).
int32_t ExpFieldValue(const ExpToken* node, ExpFieldReader* fields, ExpValue* value);

// The same for a field of a list, described by its entry.
int32_t ExpDescribedFieldValue(const ExpListField& field, ExpFieldReader* fields, ExpValue* value);

#endif

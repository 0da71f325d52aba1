/* The product's data files: their names, record layouts and key numbers.
 *
 * Written once, here, for everything that reads or writes these files: the
 * record manager builds its product-file table from these constants (the
 * keys it creates), and the expression library's data-file modules address
 * records and keys with them. A key number names the key of that number in
 * the file's definition; a key value is the key's fields in the order given,
 * each as stored in the record.
 *
 * Conventions of every record below: byte offsets from the record's start;
 * integers little-endian, ids unsigned 32-bit, codes signed 32-bit; texts
 * are fixed-width fields padded with blanks, with no terminator (a text
 * that fills its field has none either). */
#ifndef QXLDRA_PRODUCT_H
#define QXLDRA_PRODUCT_H

/* ---- Node block ----------------------------------------------------------
 * One stored node of a compiled expression, as "trigex" and "tdefex" both
 * keep it after their own key fields. */
#define QX_NODE_KIND 0                   /* i16: the token kind's low 16 bits */
#define QX_NODE_VALUE 2                  /* QX_NODE_VALUE_SIZE value bytes, zero-filled */
#define QX_NODE_VALUE_SIZE 250
#define QX_NODE_TYPE 252
#define QX_NODE_OFFSET 256
#define QX_NODE_LENGTH 260               /* i32: value length n */
#define QX_NODE_ATTR1 264
#define QX_NODE_ATTR2 268
#define QX_NODE_GROUP 272
#define QX_NODE_BLOCK_SIZE 276

/* ---- Record definitions ------------------------------------------------- */

#define QX_TDEFEX_FILE "tdefex" /* nodes of record-definition expressions */
#define QX_TDEFEX_RECORD_SIZE 308
#define QX_TDEFEX_TABLE_ID 0
#define QX_TDEFEX_TABLE_NAME 4           /* QX_TABLE_NAME_SIZE */
#define QX_TDEFEX_DEFINITION 24
#define QX_TDEFEX_POSITION 28
#define QX_TDEFEX_NODE 32                /* node block */
#define QX_TDEFEX_KEY_NODE 0             /* table id, name, definition, position; unique */
#define QX_TDEFEX_KEY_DEFINITION 1       /* table id, name, definition; duplicates */

#define QX_TABDEF_FILE "tabdef" /* one record per record definition */
#define QX_TABDEF_RECORD_SIZE 170
#define QX_TABDEF_TABLE_ID 0
#define QX_TABDEF_TABLE_NAME 4           /* QX_TABLE_NAME_SIZE */
#define QX_TABDEF_DEFINITION 24
#define QX_TABDEF_KEY_DEFINITION 0       /* table id, name, definition; unique */
#define QX_TABLE_NAME_SIZE 20

/* ---- Trigger files, in the order the trigger module opens them ---------- */

#define QX_TRIGEX_FILE "trigex" /* nodes of trigger expressions */
#define QX_TRIGEX_RECORD_SIZE 284
#define QX_TRIGEX_TRIGGER_ID 0
#define QX_TRIGEX_POSITION 4
#define QX_TRIGEX_NODE 8                 /* node block */
#define QX_TRIGEX_KEY_NODE 0             /* trigger id, position; unique */
#define QX_TRIGEX_KEY_TRIGGER 1          /* trigger id; duplicates */

#define QX_TRIGGERS_FILE "triggers"
#define QX_TRIGGERS_RECORD_SIZE 148
#define QX_TRIGGERS_ID 0
#define QX_TRIGGERS_NAME 4               /* QX_NAME_SIZE */
#define QX_TRIGGERS_DESCRIPTION 44       /* QX_DESCRIPTION_SIZE */
#define QX_TRIGGERS_ACTIVE 144           /* u32: 0 inactive */
#define QX_TRIGGERS_KEY_ID 0             /* auto-numbered */
#define QX_TRIGGERS_KEY_NAME 1           /* unique: a trigger is modified by its name */
#define QX_NAME_SIZE 40
#define QX_DESCRIPTION_SIZE 100

#define QX_TRIGTXT_FILE "trigtxt" /* a trigger's source text */
#define QX_TRIGTXT_RECORD_SIZE 8196
#define QX_TRIGTXT_TRIGGER_ID 0
#define QX_TRIGTXT_TEXT 4
#define QX_TRIGTXT_TEXT_SIZE 8192
#define QX_TRIGTXT_KEY_TRIGGER 0         /* unique: one text per trigger */

#define QX_ACTIONS_FILE "actions"
#define QX_ACTIONS_RECORD_SIZE 148
#define QX_ACTIONS_ID 0
#define QX_ACTIONS_NAME 4                /* QX_NAME_SIZE */
#define QX_ACTIONS_DESCRIPTION 44        /* QX_DESCRIPTION_SIZE */
#define QX_ACTIONS_ENABLED 144           /* u32: 0 disabled */
#define QX_ACTIONS_KEY_ID 0              /* auto-numbered */
#define QX_ACTIONS_KEY_NAME 1            /* duplicates */

#define QX_TRACXREF_FILE "tracxref" /* links between triggers and actions */
#define QX_TRACXREF_RECORD_SIZE 8
#define QX_TRACXREF_TRIGGER_ID 0
#define QX_TRACXREF_ACTION_ID 4
#define QX_TRACXREF_KEY_LINK 0           /* trigger id, action id; unique */
#define QX_TRACXREF_KEY_ACTION 1         /* action id; duplicates */
#define QX_TRACXREF_KEY_TRIGGER 2        /* trigger id; duplicates, in the order linked */

#define QX_PFACTPRO_FILE "pfactpro64" /* an action's function per platform */
#define QX_PFACTPRO_RECORD_SIZE 208
#define QX_PFACTPRO_PLATFORM 0
#define QX_PFACTPRO_ACTION_ID 4
#define QX_PFACTPRO_LIBRARY 8            /* QX_ACTION_ITEM_SIZE */
#define QX_PFACTPRO_FUNCTION 108         /* QX_ACTION_ITEM_SIZE */
#define QX_PFACTPRO_KEY_PLATFORM 0       /* platform code, action id; unique */
#define QX_PFACTPRO_KEY_ACTION_PLATFORM 1 /* action id, platform code; unique */
#define QX_PFACTPRO_KEY_ACTION 2         /* action id; duplicates */
#define QX_ACTION_ITEM_SIZE 100

#define QX_PFACTCFG_FILE "pfactcfg" /* an action's configuration rows */
#define QX_PFACTCFG_RECORD_SIZE 458
#define QX_PFACTCFG_CODE 0
#define QX_PFACTCFG_ACTION_ID 4
#define QX_PFACTCFG_FIRST 8              /* QX_ACTION_ITEM_SIZE */
#define QX_PFACTCFG_SECOND 108           /* QX_ACTION_ITEM_SIZE */
#define QX_PFACTCFG_REST 208             /* QX_PFACTCFG_REST_SIZE, blanks */
#define QX_PFACTCFG_REST_SIZE 250
#define QX_PFACTCFG_KEY_ACTION_CODE 0    /* action id, code; duplicates */
#define QX_PFACTCFG_KEY_ACTION 1         /* action id; duplicates */

#define QX_TRIGLOG_FILE "triglog" /* one row per action call */
#define QX_TRIGLOG_RECORD_SIZE 282
#define QX_TRIGLOG_ID 0
#define QX_TRIGLOG_DAY 4                 /* u8 */
#define QX_TRIGLOG_MONTH 5               /* u8 */
#define QX_TRIGLOG_YEAR 6                /* u16 */
#define QX_TRIGLOG_HUNDREDTHS 8          /* u8 */
#define QX_TRIGLOG_SECOND 9              /* u8 */
#define QX_TRIGLOG_MINUTE 10             /* u8 */
#define QX_TRIGLOG_HOUR 11               /* u8 */
#define QX_TRIGLOG_TRIGGER_ID 12
#define QX_TRIGLOG_ACTION_ID 16
#define QX_TRIGLOG_PLATFORM 20
#define QX_TRIGLOG_REC_ID 24
#define QX_TRIGLOG_RESULT 28
#define QX_TRIGLOG_MESSAGE 32            /* QX_TRIGLOG_MESSAGE_SIZE */
#define QX_TRIGLOG_MESSAGE_SIZE 250
#define QX_TRIGLOG_KEY_ID 0              /* auto-numbered */
#define QX_TRIGLOG_KEY_TRIGGER 1         /* duplicates */

/* Other programs write the two cross-reference files; beyond the trigger id
 * their contents are theirs. */
#define QX_TRDFXREF_FILE "trdfxref"
#define QX_TRAFXREF_FILE "trafxref"
#define QX_TRDFXREF_RECORD_SIZE 36
#define QX_TRAFXREF_RECORD_SIZE 8
#define QX_XREF_TRIGGER_ID 0
#define QX_XREF_OTHER 4                  /* the rest of the record */
#define QX_XREF_KEY_RECORD 0             /* trigger id, then the other bytes; duplicates */
#define QX_XREF_KEY_TRIGGER 1            /* trigger id; duplicates */

/* ---- Server configuration (owner QX_LDRA_SERVER_OWNER) ------------------ */

#define QX_QXSERVER_FILE "qxserver"
#define QX_QXSERVER_RECORD_SIZE 332
#define QX_QXSERVER_SECTION 0            /* QX_SETTING_TEXT_SIZE */
#define QX_QXSERVER_SETTING 40           /* QX_SETTING_TEXT_SIZE */
#define QX_QXSERVER_VALUE 80             /* QX_SETTING_TEXT_SIZE */
#define QX_QXSERVER_KEY_SETTING 0        /* section, setting; unique */
#define QX_SETTING_TEXT_SIZE 40

#endif

/* qxexpc: the client-side expression library.
 *
 * Hosts compile filter and trigger expressions written in a small word-based
 * language, evaluate them against records of the record manager, keep
 * record definitions and triggers in data files, and perform triggers.
 *
 * Conventions
 *  1. Every function returns a 32-bit signed status unless it says
 *     otherwise: 0 success; -1 no memory, or a kind the operation does not
 *     support; -2 a missing argument, handle or closed file; the other
 *     negative values are the QX_STATUS_* codes below, each documented with
 *     the operations that return it. Positive values are passed through
 *     from the services: 1501 and 1502 from the list library, the record
 *     manager's statuses (9: end of file) sign-extended from 16 bits.
 *  2. Ownership: tokens and callback tables live in the caller's memory and
 *     are copied or only read; a handle is released once, by the operation
 *     that created it or by the matching delete operation. Buffers the host
 *     passes in stay the host's.
 *  3. Byte order: numbers inside values and records are little-endian.
 *  4. No function lets a C++ exception escape.
 *  5. Thread safety: independent builders and handles may be used on
 *     different threads; one builder or handle is used by one thread at a
 *     time.
 */
#ifndef QXEXPC_H
#define QXEXPC_H

#include <stdint.h>

#include "qxexpc_version.h" /* QXEXPC_VERSION_MAJOR, _MINOR, _PATCH, _STRING */

#ifndef QXEXPC_API
#define QXEXPC_API
#endif

/* Exported functions never throw. */
#ifdef __cplusplus
#define QXEXPC_NOEXCEPT noexcept
#else
#define QXEXPC_NOEXCEPT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Token kinds (ExpToken.kind) -------------------------------------- */
enum {
  QX_KIND_AND = 1,
  QX_KIND_OR = 2,
  QX_KIND_EQ = 10,
  QX_KIND_GT = 11,
  QX_KIND_LT = 12,
  QX_KIND_NE = 13,
  QX_KIND_VALUES = 14,
  QX_KIND_RANGE = 15,
  QX_KIND_EXCLUDE_RANGE = 16,
  QX_KIND_EXCLUDE_VALUES = 17,
  QX_KIND_GE = 18,
  QX_KIND_LE = 19,
  QX_KIND_PLUS = 20,
  QX_KIND_MINUS = 21,
  QX_KIND_NOT = 30,
  QX_KIND_OPEN = 40,
  QX_KIND_CLOSE = 41,
  QX_KIND_LITERAL = 50,
  QX_KIND_FIELD = 51,
  QX_KIND_FETCH_BY_NUMBER = 71,
  QX_KIND_FETCH_BY_FIELD = 72
};

/* ---- Statuses ---------------------------------------------------------- */
/* Some codes mean different things to different operations; the
 * operation's description says which. */
enum {
  QX_STATUS_OK = 0,
  QX_STATUS_NO_MEMORY = -1,           /* also: kind not supported */
  QX_STATUS_MISSING = -2,             /* argument, handle or open file */
  QX_STATUS_NOT_COMPARABLE = -3,      /* evaluation: operands do not compare */
  QX_STATUS_DATE_TIME_MISMATCH = -4,  /* evaluation: date/time types differ */
  QX_STATUS_UNKNOWN_WORD = -5,        /* compile: word not recognised */
  QX_STATUS_BAD_LENGTH = -6,          /* compile: length not allowed */
  QX_STATUS_BAD_VALUE = -7,           /* compile: literal value missing or bad */
  QX_STATUS_BAD_TYPE_NUMBER = -9,     /* compile: "ldr" type number */
  QX_STATUS_NODE_REFUSED = -10,       /* filter store: node not stored */
  QX_STATUS_NODE_NOT_FOUND = -11,     /* filter store: no node there */
  QX_STATUS_LIST_TOO_FEW = -12,       /* compile: list group cut short */
  QX_STATUS_LIST_EXCLUDE_RANGE = -13, /* compile: "exclude range" in a group */
  QX_STATUS_LIST_BAD_VALUE = -14,     /* compile: list value wrong */
  QX_STATUS_LIST_BAD_FIELDS = -15,    /* compile: list count or fields */
  QX_STATUS_END_OF_TEXT = -16,        /* compile: text empty or cut short */
  QX_STATUS_MISPLACED_EXCLUDE = -17,  /* compile: "exclude" out of place */
  /* The same codes under the names of their other meanings. */
  QX_STATUS_UNSUPPORTED = -1,         /* a kind, operator or type not supported */
  QX_STATUS_NODE_NO_DATA = -7,        /* filter store: a node without data */
  QX_STATUS_NODES_UNREACHABLE = -9,   /* filter store: the nodes cannot be reached */
  QX_STATUS_FIELD_NOT_AVAILABLE = -17,/* evaluation: a field not in the record */
  QX_STATUS_NO_SERVER_PATHS = -7      /* triggers: the server paths not loaded */
};

/* ---- Token and node record -------------------------------------------- */

/* Size of the value area of a token; stores keep the first
 * QX_STORED_VALUE_SIZE bytes of it. */
#define QX_TOKEN_VALUE_SIZE 252
#define QX_STORED_VALUE_SIZE 250

/* One token of an expression text, and one stored node of a compiled
 * expression: exactly 280 bytes. */
typedef struct ExpToken {
  int32_t kind;    /* QX_KIND_* */
  int32_t type;    /* field type code; -1 for operators and parentheses */
  int32_t offset;  /* field position in the record buffer; -1 when none;
                      in list values the list marker (-1, 16 or 17) */
  int32_t length;  /* value or field length in bytes; -1 for operators */
  int32_t attr1;   /* first field attribute (before the point of 10.2) */
  int32_t attr2;   /* second field attribute (decimals of packed fields) */
  uint32_t group;  /* value group number within a list, from 1; else 0 */
  unsigned char value[QX_TOKEN_VALUE_SIZE]; /* first `length` bytes */
} ExpToken;

#ifdef __cplusplus
static_assert(sizeof(ExpToken) == 280, "ExpToken is a 280-byte record");
#else
_Static_assert(sizeof(ExpToken) == 280, "ExpToken is a 280-byte record");
#endif

/* The store callback table. A store fills one on its stack and passes its
 * address; the compiler and evaluator call through it and never copy it.
 *  NewHandle      creates a store handle (not called by the library).
 *  FreeHandle     releases a store handle (not called by the library).
 *  GetExpNode     copies the node at `position` (1 = root) into `token`;
 *                 0 when found.
 *  AddNewExpNode  stores a copy of `token` as the node at `position`;
 *                 0 when stored. Called with positions 1, 2, 3, ... in turn.
 *  FetchRecord    fills `buffer` (65,531 zero-filled bytes) with the record
 *                 buffer of the record numbered `record_id`; its result is
 *                 ignored. May be NULL. */
typedef int32_t (*ExpFetchRecordFn)(void *buffer, uint32_t record_id);

typedef struct ExpStoreFns {
  void *(*NewHandle)(void);
  int32_t (*FreeHandle)(void *handle);
  int32_t (*GetExpNode)(void *handle, uint32_t position, ExpToken *token);
  int32_t (*AddNewExpNode)(void *handle, const ExpToken *token, uint32_t position);
  ExpFetchRecordFn FetchRecord;
} ExpStoreFns;

/* ---- Postfix conversion ------------------------------------------------ */

/* The conversion context of one compilation. */
typedef struct ExpBuilder ExpBuilder;

/* Starts a conversion whose nodes will go to `store` through `fns`.
 * Returns the builder, or NULL when no memory is left. */
QXEXPC_API ExpBuilder *QXExpStartExpression(void *store, const ExpStoreFns *fns) QXEXPC_NOEXCEPT;

/* Adds one token, in text order. Operands go to the output; operators wait
 * by priority ("or" binds tighter than "and"; comparisons tighter than
 * "not"; "+" and "-" tightest); equal priorities group to the left.
 * Returns 0; -2 without a builder; -1 for a token kind that cannot be
 * converted (16, 17, or unknown) or a ")" without its "("; or a list
 * status. The token is copied. */
QXEXPC_API int32_t QXExpAddToken(ExpBuilder *builder, const ExpToken *token) QXEXPC_NOEXCEPT;

/* Completes the conversion and hands every node to the store's
 * AddNewExpNode, root first with positions 1, 2, 3, ...; with a non-zero
 * `abort_flag` discards everything and calls no store callback (returns 0).
 * The builder is destroyed in every case. Returns 0; -2 without a builder
 * (or, when nodes are to be handed over, without a table or AddNewExpNode);
 * -1 for a "(" never closed; 1501 when no token was output; or the status
 * of AddNewExpNode or of the list library. If the hand-over stops early the
 * nodes already handed over stay in the store. */
QXEXPC_API int32_t QXExpFinishExpression(ExpBuilder *builder, int32_t abort_flag) QXEXPC_NOEXCEPT;

/* ---- Compiling a text ---------------------------------------------------- */

/* Compiles the expression `text` (its first `length` bytes, or up to a NUL
 * that comes first) and hands the nodes to `store` through
 * fns->AddNewExpNode, root first with positions 1, 2, 3, ... Nothing
 * reaches the store unless the whole text was read without error; if the
 * store refuses a node, the nodes before it stay there and the caller
 * discards them. The text is only read. `reserved` is accepted and not
 * used (the record-definition store passes 1, the others 0).
 * Returns:
 *    0  compiled and handed over completely
 *   -1  no memory; or a ")" without its "(", or a "(" never closed
 *   -2  a missing store, table or text, a negative length, or the
 *       conversion could not be started
 *   -5  an unknown word or type name
 *   -6  a length the type does not allow (text literals: 1 to 250)
 *   -7  a literal value missing, malformed or out of range (a quoted text
 *       of 1024 bytes or more; a timestamp literal whose length is not 8,
 *       that does not give all six numbers month/day/year
 *       hour:minute:second, or whose date or time is out of range)
 *   -9  an "ldr" type number outside 0 to 20, or 12 or 16
 *  -12  a "range" bound group (or an "exclude range" pair) that begins with
 *       an operator, "not" or a parenthesis: too few values
 *  -13  a "range" bound group, or a group of an "exclude range" pair, that
 *       begins with "exclude range"
 *  -14  a list value that is not a literal of its field's type and length
 *       or could not be read; a "values" or "exclude values" list without a
 *       complete group; "exclude range" after a "values" list
 *  -15  a "range"/"values" count missing or outside 1 to 5, or one of its
 *       fields not a field reference
 *  -16  an empty text, or a text that ends inside a "range" bound group or
 *       an "exclude range" pair (a text whose last operand is cut short
 *       otherwise ends there: the incomplete operand is dropped)
 *  -17  "exclude values" or "exclude range" where no "range" list precedes
 *       it, or "exclude values" after an "exclude range" pair
 *  1501 nothing to store (the text held only parentheses)
 *  any other: a list-library status (1503: no memory) or the status of
 *       AddNewExpNode, unchanged. */
QXEXPC_API int32_t QXExpStoreExpression(void *store, const ExpStoreFns *fns, const char *text,
                                        int32_t length, int32_t reserved) QXEXPC_NOEXCEPT;

/* ---- In-memory filters -------------------------------------------------- */

/* One compiled filter expression kept in process memory. */
typedef struct FilterHandle FilterHandle;

/* Compiles the NUL-terminated `text` into a new filter and stores it in
 * *handle; the caller owns it until QXQFDeleteExpression. Returns 0; -2 when
 * `text` or `handle` is missing (*handle not written); -1 when no memory is
 * left (*handle set to NULL); or the compiler's status, with *handle set to
 * NULL and nothing left behind. */
QXEXPC_API int32_t QXQFStoreExpression(const char *text, FilterHandle **handle) QXEXPC_NOEXCEPT;

/* Evaluates the filter against `record` and sets *match to 1 when it
 * matches, else 0. Returns 0 whether or not the record matches (a filter
 * that cannot be evaluated against it does not match); -2 when `match`,
 * `record` or `handle` is missing (*match set to 0 when given). `fetch`
 * serves "getrecid" operands; may be NULL (such operands then never match).
 * One handle must not be evaluated on two threads at once. */
QXEXPC_API int32_t QXQFEvaluateExpression(const void *record, FilterHandle *handle, uint32_t *match,
                                          ExpFetchRecordFn fetch) QXEXPC_NOEXCEPT;

/* Releases the filter and every node. Returns 0, or -2 without a handle. */
QXEXPC_API int32_t QXQFDeleteExpression(FilterHandle *handle) QXEXPC_NOEXCEPT;

/* The filter store's node callbacks (the AddNewExpNode and GetExpNode slots
 * of its ExpStoreFns); `handle` is a FilterHandle. Add stores a copy of the
 * node after the node last added or looked up: 0, or -10 when the node is
 * refused (no memory, or a value longer than 250 bytes). Get copies the
 * first node with that position: 0; -9 when the filter has no nodes; -11
 * when no node has the position; -7 when the node has no data. -2 for a
 * missing handle or token. */
QXEXPC_API int32_t QXQFAddNewExpNode(void *handle, const ExpToken *token,
                                     uint32_t position) QXEXPC_NOEXCEPT;
QXEXPC_API int32_t QXQFGetExpNode(void *handle, uint32_t position, ExpToken *token) QXEXPC_NOEXCEPT;

/* Does nothing and returns 0: the in-memory store's FreeHandle slot. */
QXEXPC_API int32_t QXTRGAddNewTriggerFn(void *handle) QXEXPC_NOEXCEPT;

/* ---- Field extraction ------------------------------------------------- */

/* Record buffers: a 384-byte header (u32 record kind at bytes 12-15, i32
 * data length at bytes 380-383) followed by the record data; at most 65,531
 * bytes in all. */
#define QX_RECORD_HEADER_SIZE 384
#define QX_RECORD_BUFFER_SIZE 65531

/* Copies one field of `record` into `value`, which holds at least `length`
 * bytes. Offsets 0-383 address the header: those bytes are copied as stored
 * (a field may run on into the data, not past the end of the record).
 * Offsets from 384 up address the record data at offset - 386, decoded by
 * the field-conversion service when the record kind is 1, 2 or 3; a data
 * field of type 0 is then blank-padded from its first NUL to `length`,
 * whatever the outcome. Returns 0; -1 when the field is not available (beyond the
 * record, a record kind without decodable data, a negative header length);
 * -2 for a missing value or record; or the field-conversion status. */
QXEXPC_API int32_t QXGetDataFromBuffer(void *value, int32_t offset, int32_t length, uint32_t type,
                                       uint32_t attr1, uint32_t attr2,
                                       const void *record) QXEXPC_NOEXCEPT;

/* ---- Record definitions ---------------------------------------------------
 * A table, named by its id and its name (the first 20 characters count; a
 * longer name is cut to 20), has numbered record definitions, listed by
 * other programs in "tabdef"; each definition's selection expression is
 * kept in "tdefex", one record per node, as the QX_TDEFEX_* and QX_TABDEF_*
 * constants of qxldra_product.h lay them out. The operations share
 * process-wide file handles and record buffers: the host calls them from
 * one thread at a time. Each returns -2 while the files are closed. The
 * store's handles are freed with QXMRDFreeHandle (QXTRGFreeHandle). */

/* Opens "tdefex" and "tabdef": `directory` directly followed by each file
 * name ("%s%s"; NULL for none), with `owner_name`. Files that are open are
 * closed first. Returns 0 with both open; otherwise neither is left open:
 * -2 without an owner name or for a path longer than the record manager
 * takes, -1 when no memory is left, or the status of the open that failed.
 * The trigger files are never touched. */
QXEXPC_API int32_t QXMRDInitDat(const char *directory, const char *owner_name) QXEXPC_NOEXCEPT;

/* Closes the record-definition files, resets the module's record-manager
 * client and frees its buffers; the trigger files stay open. Any state. */
QXEXPC_API void QXMRDDeinitDat(void) QXEXPC_NOEXCEPT;

/* Compiles `text` (its first `length` bytes, or up to a NUL) into the nodes
 * of the table's definition. Nodes the definition has already are not
 * removed: replace an expression by deleting it first. Returns 0; -2 for a
 * missing name or text, a closed store, or when no handle can be made; a
 * compiler status (QXExpStoreExpression); or the status of the insert that
 * failed (10: the definition has an expression already; -10: a value longer
 * than 250 bytes), with no node of this call left behind. */
QXEXPC_API int32_t QXMRDStoreExpression(uint32_t table_id, const char *table_name, uint32_t definition,
                                        const char *text, uint32_t length) QXEXPC_NOEXCEPT;

/* Deletes every node of the definition's expression. Returns 0 (also when
 * there were none, or when the record manager refuses a deletion); -2 for a
 * missing name, a closed store, or when no handle can be made. */
QXEXPC_API int32_t QXMRDDeleteExpression(uint32_t table_id, const char *table_name,
                                         uint32_t definition) QXEXPC_NOEXCEPT;

/* Evaluates the table's definitions, in number order, against `record` (a
 * record buffer as QXGetDataFromBuffer reads it), and sets *definition.
 * With `all_definitions` 0 the walk stops at the first that matches:
 * returns 0 with its number, or 9 (end of file) when none matches. With it
 * set every definition is evaluated: returns 0 with the number of the
 * table's last definition. A definition whose nodes cannot be read or
 * evaluated does not match; "getrecid" operands never match here. Returns
 * 9 with *definition 0 when the table has no definition; -2 for a missing
 * argument (*definition then untouched), a closed store, or when no handle
 * can be made; or the status of a read that failed. */
QXEXPC_API int32_t QXMRDFindRecordDefinition(uint32_t *definition, uint32_t table_id, const char *table_name,
                                             const void *record, uint32_t all_definitions) QXEXPC_NOEXCEPT;

/* The AddNewExpNode and GetExpNode slots of the record-definition store;
 * `handle` is one of the store's own. Add: the insert's status (10: the
 * position is taken); -10 for a value longer than 250 bytes (never cut).
 * Get: 0, or the read's status (4: no such node); the token's last two
 * value bytes are left as they were. Both: -2 for a missing handle or
 * token. A kind is kept as 16 bits signed: above 32767 it reads back
 * negative. */
QXEXPC_API int32_t QXMRDAddNewExpNode(void *handle, const ExpToken *token, uint32_t position) QXEXPC_NOEXCEPT;
QXEXPC_API int32_t QXMRDGetExpNode(void *handle, uint32_t position, ExpToken *token) QXEXPC_NOEXCEPT;

/* ---- Trigger files ------------------------------------------------------
 * The trigger module keeps triggers, their texts and compiled expressions,
 * actions, their platform functions and configuration rows, links and log
 * rows in ten data files of the record manager, laid out as the QX_TRIGEX_*
 * to QX_TRAFXREF_* constants of qxldra_product.h say. Its operations share
 * process-wide file handles and record buffers: the host calls them from one
 * thread at a time. Each returns -2 while the files are closed. */

/* Opens the ten trigger files: `directory` directly followed by each file
 * name ("%s%s": the directory carries its own trailing separator; NULL for
 * none), with `owner_name`. Files that are open are closed first. Returns 0
 * with all ten open; otherwise none is left open: -2 without an owner name
 * or for a path longer than the record manager takes, -1 when no memory is
 * left, or the status of the open that failed. */
QXEXPC_API int32_t QXTRGInitDat(const char *directory, const char *owner_name) QXEXPC_NOEXCEPT;

/* Closes the trigger files, resets the module's record-manager client and
 * frees its buffers. Any state. */
QXEXPC_API void QXTRGDeinitDat(void) QXEXPC_NOEXCEPT;

/* ---- Trigger definitions -------------------------------------------------
 * `trigger` is a 148-byte "triggers" record: id, name (40 bytes) and
 * description (100 bytes) as zero-terminated texts in zero-filled fields, or
 * blank-padded, and the active flag. The record comes back with its texts
 * blank-padded.
 *
 * Create and modify change the files wholly or not at all: the expression
 * is compiled first, and nothing is written unless it compiles; a write that
 * fails is undone (the record's id is then as given) and its status
 * returned. */

/* Stores a new trigger: its record (an id of 0 gets the next free id, which
 * comes back in the record) and its expression `expression` (the first
 * `length` bytes, or up to a NUL) compiled into nodes. The source text is
 * added with QXTRGInsertTrigTxt. Returns 0; -2 for a missing record or
 * text; a compiler status (QXExpStoreExpression); or a record-manager
 * status (10: the id or name is taken). */
QXEXPC_API int32_t QXTRGCreateTrigger(void *trigger, const char *expression, int32_t length) QXEXPC_NOEXCEPT;

/* Replaces the trigger whose name is the record's name, keeping its id
 * (written into the record), its links and its log rows: its record, its
 * source text (`source`, `source_length` bytes as QXTRGInsertTrigTxt takes
 * them) and its compiled expression. Returns 0; -2 for a missing argument or
 * a source length QXTRGInsertTrigTxt refuses; a compiler status; the status
 * of the read by name (4: no trigger has the name); or a record-manager
 * status. */
QXEXPC_API int32_t QXTRGModifyTrigger(void *trigger, const char *expression, int32_t expression_length,
                                      const char *source, int32_t source_length) QXEXPC_NOEXCEPT;

/* Deletes the trigger's record, source text and nodes; its links, log rows
 * and cross-references stay. Returns 0 (also when nothing was stored). */
QXEXPC_API int32_t QXTRGDeleteTriggerAndExp(uint32_t trigger_id) QXEXPC_NOEXCEPT;

/* Deletes everything of the trigger: nodes, log rows, cross-references,
 * record, source text and its links to actions. Returns 0. */
QXEXPC_API int32_t QXTRGDeleteTriggers(uint32_t trigger_id) QXEXPC_NOEXCEPT;

/* The longest source text a trigger keeps, and the room QXTRGGetTrigTxt
 * needs for it and its terminator. */
#define QX_TRIGGER_TEXT_MOST 8191
#define QX_TRIGGER_TEXT_BUFFER_SIZE 8193

/* Stores the trigger's source text: the first `length` bytes of `text` as
 * they are (zero bytes too), blank-padded. Returns 0; -2 for a missing text
 * or a length below 0 or above QX_TRIGGER_TEXT_MOST (nothing is cut); or
 * the insert's status (10: the trigger has a text already). */
QXEXPC_API int32_t QXTRGInsertTrigTxt(uint32_t trigger_id, const char *text, int32_t length) QXEXPC_NOEXCEPT;

/* Copies the trigger's source text, trailing blanks cut and zero-terminated,
 * into `text` (QX_TRIGGER_TEXT_BUFFER_SIZE bytes). Returns 0; -2 without a
 * buffer; or the read's status (4: no text), `text` then untouched. */
QXEXPC_API int32_t QXTRGGetTrigTxt(uint32_t trigger_id, char *text) QXEXPC_NOEXCEPT;

/* Frees a store handle of either data-file store (a trigger's or a record
 * definition's); NULL is ignored. Always 0. QXMRDFreeHandle is the same
 * function. */
QXEXPC_API int32_t QXTRGFreeHandle(void *handle) QXEXPC_NOEXCEPT;
QXEXPC_API int32_t QXMRDFreeHandle(void *handle) QXEXPC_NOEXCEPT;

/* ---- Trigger expression store ---------------------------------------------
 * The AddNewExpNode and GetExpNode slots of the trigger store: one "trigex"
 * record per node. `handle` points at the 32-bit trigger id. */

/* Stores `token` as node `position` of the trigger. Returns the insert's
 * status (10: the position is taken); -2 for a missing handle or token;
 * -10 for a value longer than 250 bytes (kept nodes are never cut). */
QXEXPC_API int32_t QXTRGAddNewExpNode(void *handle, const ExpToken *token, uint32_t position) QXEXPC_NOEXCEPT;

/* Reads node `position` of the trigger into `token` (its last two value
 * bytes are left as they were). Returns 0; -2 for a missing handle or
 * token; or the read's status (4: no such node). */
QXEXPC_API int32_t QXTRGGetExpNode(void *handle, uint32_t position, ExpToken *token) QXEXPC_NOEXCEPT;

/* ---- Actions ---------------------------------------------------------------
 * A definition text is a run of rows; a row is a run of items, each ended
 * by *delimiter, and the row is ended by *terminator (a character equal to
 * the delimiter is a delimiter). Text after a row's last delimiter is
 * dropped; items keep leading blanks and lose trailing ones. Items 1 to 3
 * are used (item 1 a decimal code read as atoi reads, held to 32 bits);
 * later items are ignored. */

/* Adds an action: its "actions" record (name and description cut to 40 and
 * 100 characters, `enabled` 0 or not), one "pfactpro64" row per row of
 * `platform_text` (platform code, library, function) and one "pfactcfg" row
 * per row of `config_text` (code, two texts). Each text is read for exactly
 * its length. Returns the new action id (above 0); -2 for a missing
 * argument or a length below 1; -1 when any row is cut short (no
 * terminator), has fewer than three items or an item 1, 2 or 3 longer than
 * 100 bytes, or a record cannot be written (two platform rows with one code,
 * for one), with nothing of the action left behind. */
QXEXPC_API int32_t QXTRGAddAction(const char *name, const char *description, uint32_t enabled,
                                  int32_t platform_length, int32_t config_length, const char *platform_text,
                                  const char *config_text, const char *delimiter,
                                  const char *terminator) QXEXPC_NOEXCEPT;

/* Links an action to a trigger: `link` is an 8-byte "tracxref" record
 * (trigger id, action id). Neither is checked. Returns the insert's status
 * (10: already linked); -2 without a link. */
QXEXPC_API int32_t QXTRGAddNewTriggerAction(const void *link) QXEXPC_NOEXCEPT;

/* Removes the link of `link` (trigger id, action id). Returns 0; -2 without
 * a link. */
QXEXPC_API int32_t QXTRGRemoveActionFromTrigger(const void *link) QXEXPC_NOEXCEPT;

/* Deletes the action, its platform and configuration rows and its links.
 * Returns 0 (also for an id with nothing stored). */
QXEXPC_API int32_t QXTRGDeleteAction(uint32_t action_id) QXEXPC_NOEXCEPT;


/* ---- Performing triggers ---------------------------------------------------
 * QXTRGPerformTriggers evaluates every active trigger, in ascending id
 * order, against one record; for each trigger that matches it starts an
 * alarm thread on private copies of the record and the trigger. An alarm
 * thread takes the process's alarm lock and walks the trigger's links in
 * the order they were made: for each enabled action with a function for
 * platform QX_ACTION_PLATFORM it loads the library named there, calls the
 * function, writes a "triglog" row with the result and message, and
 * unloads the library. The alarm threads of the process run their actions
 * one at a time. While alarm threads may run, the host does not change the
 * action files ("actions", "tracxref", "pfactpro64", "triglog") and does
 * not close the trigger files. */

/* The platform code whose functions alarm threads run. */
#define QX_ACTION_PLATFORM 2

/* The message buffer an action function receives, and the characters of
 * it that reach the log row. */
#define QX_ACTION_MESSAGE_SIZE 256
#define QX_ACTION_MESSAGE_MOST 250

/* The server paths every action function receives: a 32-bit word (1 once
 * loaded), then eight zero-terminated texts of QX_SERVER_PATH_SIZE bytes,
 * the values of the "QXMON PATHS" settings of "qxserver" (empty when a
 * setting is missing), in the order below. QX_SERVER_PATH_AT(slot) is the
 * byte offset of a slot's text. */
#define QX_SERVER_PATHS_SIZE 2060
#define QX_SERVER_PATH_SIZE 257
#define QX_SERVER_PATH_AT(slot) (4 + (slot) * QX_SERVER_PATH_SIZE)
enum {
  QX_SERVER_PATH_ARCHIVE, /* "Archive Path" */
  QX_SERVER_PATH_CONFIG,  /* "Config Path" */
  QX_SERVER_PATH_COMPRESS,/* "Compress Path" */
  QX_SERVER_PATH_EMPTY,   /* "Empty Path" */
  QX_SERVER_PATH_DATA,    /* "Data Path" */
  QX_SERVER_PATH_LOG,     /* "Log Path" */
  QX_SERVER_PATH_ROOT,    /* "Root Path" */
  QX_SERVER_PATH_VIEW,    /* "View Path" */
  QX_SERVER_PATH_COUNT
};

/* An action function, exported by an action library under the name its
 * "pfactpro64" row gives. `trigger` is the fired trigger's 148-byte
 * "triggers" record with its name and description zero-terminated (unless
 * they fill their fields), `record` the monitored record buffer, both
 * private copies; `server_paths` the server paths above; `message` a
 * zero-filled buffer of QX_ACTION_MESSAGE_SIZE bytes for a message of at
 * most QX_ACTION_MESSAGE_MOST characters. The result and the message go to
 * the log row as they are; nothing else reads them. */
typedef int32_t (*QxActionFn)(const void *trigger, const void *record, const void *server_paths,
                              char *message);

/* Performs the triggers for `record`, a record buffer of at most
 * QX_RECORD_BUFFER_SIZE bytes. The first call of the process loads the
 * server paths from "qxserver" in `directory` (joined as QXTRGInitDat joins
 * it; NULL for none); later calls keep them. Each active trigger's
 * expression is evaluated against the record, with `fetch` serving
 * "getrecid" operands (may be NULL); for each match the record's byte 364
 * is set to 'T' and an alarm thread is started, not waited for. The record
 * is copied, so the host may reuse it on return. `reserved` is not used.
 * Returns:
 *    9  every trigger was visited (also when none is stored)
 *    0  the run ended early: no memory to fire a trigger (later triggers
 *       are not evaluated; a missing record copy is logged)
 *   -2  no record, or one whose data length (bytes 380-383) is negative or
 *       makes it longer than QX_RECORD_BUFFER_SIZE, refused before anything
 *       else; no memory for the path block or the trigger handle; the
 *       trigger files closed
 *   -7  the server paths could not be loaded (the trigger files are then
 *       closed, as by QXTRGDeinitDat; later calls do not load them again)
 *   any other: the status of a failed read of "triggers".
 * A trigger whose thread cannot be started is logged and the run goes on. */
QXEXPC_API int32_t QXTRGPerformTriggers(void *record, uint32_t reserved, const char *directory,
                                        ExpFetchRecordFn fetch) QXEXPC_NOEXCEPT;

/* Walk the action functions of trigger *trigger_id for `platform`, one
 * linked action at a time, in the order of the trigger's links. First
 * starts at the first link; Next goes on from the link the last First or
 * Next on the module's files stood on (the walk's place is kept by the
 * module's "tracxref" file, so only one walk runs at a time). For each
 * link, `function` (a 208-byte "pfactpro64" record) receives the action's
 * row for the platform with its library and function names zero-terminated
 * (unless they fill their 100-byte fields).
 * Returns:
 *    0  `function` holds the row of an enabled action
 *    5  skip this link: its action is disabled, not stored, or has no row
 *       for the platform (`function` then unspecified)
 *   -2  a missing argument, or the trigger files closed
 *   any other: no more links (4 when the trigger has none, 9 after the
 *       last), or the status of a failed read. */
QXEXPC_API int32_t QXTRGGetFirstTriggerFnByTrigByPlatform(uint32_t *trigger_id, void *function,
                                                          int32_t platform) QXEXPC_NOEXCEPT;
QXEXPC_API int32_t QXTRGGetNextTriggerFnByTrigByPlatform(uint32_t *trigger_id, void *function,
                                                         int32_t platform) QXEXPC_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif

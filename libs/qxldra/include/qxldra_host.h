/* What hosts and tools need of the record manager beyond qx_LDRAID:
 * creating the product's data files. */
#ifndef QXLDRA_HOST_H
#define QXLDRA_HOST_H

#include "qxldra.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Owner name of the server configuration file "qxserver", whatever owner
 * name the other files have. */
#define QX_LDRA_SERVER_OWNER "PLOVR583"

/* Creates every data file of the product that does not exist yet: the
 * record-definition files "tdefex" and "tabdef", the trigger files
 * "trigex", "triggers", "trigtxt", "actions", "tracxref", "pfactpro64",
 * "pfactcfg", "triglog", "trdfxref", "trafxref", all with `owner_name`,
 * and the server configuration file "qxserver" with QX_LDRA_SERVER_OWNER.
 * Each path is `directory_prefix` followed directly by the file name, as
 * the library's modules join them (the prefix carries its own trailing
 * separator; NULL stands for none). Files that exist already are left as
 * they are, whatever their owner name, when they are complete data files
 * of their layout; anything else at one of the paths is refused with its
 * status (QX_LDRA_OTHER_LAYOUT for a data file of another layout, or the
 * status with which it cannot be opened). Returns 0, or the status of the
 * first file that could not be created or was refused (the files made
 * before it stay). */
QXLDRA_API int16_t qxldraCreateProductFiles(const char *directory_prefix,
                                            const char *owner_name) QXLDRA_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif

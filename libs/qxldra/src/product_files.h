// The data files of the product: one table of their names, record lengths,
// keys and fixed owner names, used to create them.
#ifndef QXLDRA_PRODUCT_FILES_H
#define QXLDRA_PRODUCT_FILES_H

#include <cstddef>

#include "file_definition.h"

namespace qxldra {

struct ProductFile {
  const char* name;
  const char* fixed_owner;  // nullptr: the owner name the host chooses
  FileDefinition definition;
};

extern const ProductFile kProductFiles[];
extern const std::size_t kProductFileCount;

}  // namespace qxldra

#endif

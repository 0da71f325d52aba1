// Creating the product's data files for hosts and tools.

#include <cstring>
#include <string>
#include <vector>

#include "data_file.h"
#include "file_definition.h"
#include "product_files.h"
#include "qxldra_host.h"

extern "C" int16_t qxldraCreateProductFiles(const char* directory_prefix,
                                            const char* owner_name) noexcept {
  using namespace qxldra;
  if (owner_name == nullptr || *owner_name == '\0') return QX_LDRA_OWNER_MISSING;
  try {
    for (std::size_t i = 0; i < kProductFileCount; ++i) {
      const ProductFile& file = kProductFiles[i];
      std::string path = directory_prefix != nullptr ? directory_prefix : "";
      path += file.name;
      const char* owner = file.fixed_owner != nullptr ? file.fixed_owner : owner_name;
      const std::size_t owner_size = std::strlen(owner) + 1;
      std::vector<unsigned char> data(owner_size + kMaxDefinitionBlockSize);
      std::memcpy(data.data(), owner, owner_size);
      const std::size_t size = owner_size + EncodeDefinition(file.definition, data.data() + owner_size);
      if (size > UINT16_MAX) return QX_LDRA_BAD_DEFINITION;
      uint16_t length = static_cast<uint16_t>(size);
      int16_t status = qx_LDRAID(QX_LDRA_OP_CREATE, nullptr, data.data(), &length, path.data(), 0, nullptr);
      // What is there already must be the file that would have been made.
      if (status == QX_LDRA_FILE_EXISTS) status = DataFile::CheckDefinition(path.c_str(), file.definition);
      if (status != QX_LDRA_OK) return status;
    }
  } catch (...) {
    return QX_LDRA_NO_MEMORY;
  }
  return QX_LDRA_OK;
}

#include "platform/library_loader.h"

#include <dlfcn.h>

QxLibrary* QxLoadLibrary(const char* name) {
  // Bound now, so a library with a missing symbol is refused here rather
  // than failing in the middle of a call.
  return static_cast<QxLibrary*>(dlopen(name, RTLD_NOW | RTLD_LOCAL));
}

QxLibraryFunction QxFindFunction(QxLibrary* library, const char* name) {
  return reinterpret_cast<QxLibraryFunction>(dlsym(library, name));
}

void QxFreeLibrary(QxLibrary* library) { dlclose(library); }

#include "platform/library_loader.h"

#include <windows.h>

QxLibrary* QxLoadLibrary(const char* name) { return reinterpret_cast<QxLibrary*>(LoadLibraryA(name)); }

QxLibraryFunction QxFindFunction(QxLibrary* library, const char* name) {
  return reinterpret_cast<QxLibraryFunction>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

void QxFreeLibrary(QxLibrary* library) { FreeLibrary(reinterpret_cast<HMODULE>(library)); }

// Action libraries, loaded by name with the platform's loader and released
// again after use.
#ifndef QXEXPPAR_PLATFORM_LIBRARY_LOADER_H
#define QXEXPPAR_PLATFORM_LIBRARY_LOADER_H

// A loaded library; null when none.
struct QxLibrary;

// Any function of a library; callers cast it to the function's own type.
using QxLibraryFunction = void (*)();

// Loads the library `name` as the platform's loader finds it by that name
// (a path, or a file name searched for as the platform searches). Null when
// it cannot be loaded. Every successful load is paired with QxFreeLibrary.
QxLibrary* QxLoadLibrary(const char* name);

// The function `name` exported by `library`, or null when it has none.
QxLibraryFunction QxFindFunction(QxLibrary* library, const char* name);

// Releases one load of the library; it is unmapped when no load is left.
void QxFreeLibrary(QxLibrary* library);

#endif

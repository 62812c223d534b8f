#pragma once

#include <QString>

namespace platform {

// The program's modules: shared objects beside this library that are loaded
// when first needed rather than at start, so that the dynamic loader maps
// their large libraries only for the work that needs them. Modules are never
// unloaded: what they made may live to the process's end.
class ModuleLoader {
public:
    // The folder the modules are in, this library's own (the build's library
    // folder, or the program's folder of libraries once installed).
    static QString folder();
    // The C function `entryName` of the module `fileName` in that folder,
    // loading the module if need be; nullptr, with a line on standard error,
    // when the module cannot be loaded or has no such entry.
    static void* entry(const QString& fileName, const char* entryName);
};

} // namespace platform

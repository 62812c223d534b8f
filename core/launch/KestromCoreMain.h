#pragma once

// The framework's entry: makes the application object named by the
// program's information dictionary, starts the application and runs its
// event loop. The program's main calls it and returns its result.
extern "C" __attribute__((visibility("default"))) int KestromCoreMain(int argc, char** argv);

#include <QStringList>

namespace kestrom {

// What KestromCoreMain does once the application object exists, from the
// start with the files given to the end of the process; tests run it under
// an application object of their own.
int runApplication(const QStringList& documents);

} // namespace kestrom

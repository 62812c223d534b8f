#pragma once

#include "app/tavrin/TavrinConnect.h"
#include "model/connections/ConnectPluginManager.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

// The folder of a fuzz program's files; removed when the program ends.
inline const QTemporaryDir& fuzzDocumentFolder() {
    static const QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder for the fuzz documents\n");
        std::abort();
    }
    return folder;
}

// What fuzz targets that open documents need besides the application
// object: the stencil device plug-in with its real models, user defaults in
// a folder of their own, and private temporary folders. Made once, before
// the application object.
inline void prepareFuzzDocuments() {
    static const bool prepared = [] {
        const QTemporaryDir& folder = fuzzDocumentFolder();
        const QString runtime = folder.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        setenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime).constData(), 1);
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        ambrel::ConnectPluginManager::shared().load(
            {std::make_shared<lunvik::TavrinConnect>(lunvik::TavrinConnect::Region::worldwide)});
        return true;
    }();
    (void)prepared;
}

// Stops the run as a finding when a condition that must hold does not.
inline void fuzzCheck(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

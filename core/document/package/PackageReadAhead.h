#pragma once

#include "core/document/package/DocumentPackage.h"
#include "core/document/package/PackageDecodeBound.h"

#include <QString>
#include <QVariantMap>

#include <functional>

namespace kestrom {

// Reads of packages begun before anything opens them. A program knows the
// packages it was started with long before its window is built, so their
// settings and pictures are read meanwhile; the open that comes for such a
// package takes its read instead of beginning another. Main thread only.
class PackageReadAhead {
public:
    // Begins DocumentPackage::loadInBackground for the package at the
    // absolute path, its picture first decoded to cover the bound; nothing
    // when a read of the path is pending already.
    static void begin(const QString& path, const PackageDecodeBound& quickDecodeBound);
    // Hands the pending read of the path to the handler when it was begun
    // with the same bound: the handler then runs on a later turn of the main
    // thread, once the read is done, with what loadInBackground gives. False,
    // the handlers left as they were, when no read of the path is pending; a
    // read begun with another bound is dropped.
    //
    // `settingsParsed`, when given, is told the package's settings on the
    // main thread before the handler runs: before take() returns when the
    // read parsed them already, else on a later turn once it does.
    static bool take(const QString& path, const PackageDecodeBound& quickDecodeBound,
                     DocumentPackage::LoadHandler& handler,
                     std::function<void(const QVariantMap& settings)> settingsParsed = {});
    // Drops the pending reads: nobody takes them any more, and what they
    // read goes once they are done.
    static void dropAll();
    static int pendingCount();
};

} // namespace kestrom

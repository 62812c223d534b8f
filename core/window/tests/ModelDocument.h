#pragma once

#include "core/launch/AppDelegate.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace ambrel {
class DeviceDescriptor;
}

namespace kestrom {
class DocumentWindow;
class PrintJobDocument;
} // namespace kestrom

namespace window_test {

// An application's delegate with its defaults in a folder of its own and one
// new document of the given model; the window is the test's to make.
class ModelDocument {
public:
    // A menu name, when given, names the application's menu before the
    // document is made.
    explicit ModelDocument(const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                           const QString& menuName = {});

    // The first model of a description list in the test plugin's bundle.
    static std::shared_ptr<const ambrel::DeviceDescriptor> model(const QByteArray& json);

    QTemporaryDir folder;
    kestrom::AppDelegate delegate;
    kestrom::PrintJobDocument* document = nullptr;
    kestrom::DocumentWindow* window = nullptr;
};

} // namespace window_test

// Method calls from other programs on the session bus, as the scripting
// service receives them: generated calls go through a private peer-to-peer
// connection (no bus daemon) into the service's handler, which has an open
// document to act on. Each input is a few calls; the documents start afresh
// for every input.

#include "core/document/application/DocumentController.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/scripting/ScriptingService.h"
#include "fuzz/support/FuzzDocuments.h"
#include "fuzz/support/FuzzInput.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusServer>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>

#include <cctype>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace {

struct Peer {
    std::unique_ptr<kestrom::DocumentController> controller;
    std::unique_ptr<kestrom::ScriptingService> service;
    std::unique_ptr<QDBusServer> server;
    std::optional<QDBusConnection> client;
    QStringList files;
};

Peer& peer() {
    static Peer* made = new Peer;
    return *made;
}

// What a load may name: a picture, bytes that are no picture, a folder, a
// missing file, a relative path and a file URL.
QStringList makeFiles() {
    const QTemporaryDir& folder = fuzzDocumentFolder();
    QImage picture(40, 30, QImage::Format_Grayscale8);
    picture.fill(90);
    const QString png = folder.filePath(QStringLiteral("picture.png"));
    picture.save(png, "PNG");
    const QString text = folder.filePath(QStringLiteral("notes.png"));
    QFile notes(text);
    if (notes.open(QIODevice::WriteOnly)) {
        notes.write("no picture here");
    }
    return {png,
            text,
            folder.path(),
            folder.filePath(QStringLiteral("missing.png")),
            QStringLiteral("picture.png"),
            QStringLiteral("file://") + png};
}

void waitFor(const std::function<bool()>& done, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

const char* const interfaces[] = {"org.lunvik.Lunvik.Application",
                                  "org.lunvik.Lunvik.Services",
                                  "org.lunvik.Lunvik.Document",
                                  "org.freedesktop.DBus.Properties",
                                  "org.freedesktop.DBus.Introspectable",
                                  "org.freedesktop.DBus.Peer",
                                  ""};
const char* const members[] = {"LoadImage",
                               "Print",
                               "ClearImage",
                               "ScaleImageToFit",
                               "ScaleImageToActualSize",
                               "ClearImageRepeat",
                               "Get",
                               "GetAll",
                               "Set",
                               "Introspect",
                               "Ping"};
const char* const names[] = {
    "documents",   "name", "modelName", "imageOffsetBase", "Tavrin a5",  "topLeft",    "center",
    "bottomRight", "in",   "image/png", "application/pdf", "image/jpeg", "text/plain", ""};

QString anyText(FuzzInput& in) {
    if (in.flag()) {
        return QString::fromLatin1(names[in.pick(std::size(names))]);
    }
    return in.text();
}

QString anyPath(FuzzInput& in, const QString& document) {
    switch (in.pick(5)) {
    case 0:
        return kestrom::ScriptingService::applicationPath;
    case 1:
    case 2:
        return document;
    case 3:
        return QStringLiteral("/org/lunvik/Lunvik/Document/") + QString::number(in.byte());
    default: {
        // Only valid object paths can be sent at all.
        QString path = QStringLiteral("/org/lunvik/Lunvik");
        const QByteArray tail = in.bytes();
        for (const char c : tail) {
            if (std::isalnum(uchar(c))) {
                path += QLatin1Char(c);
            } else if (c == '/') {
                path += QStringLiteral("/x");
            }
        }
        return path;
    }
    }
}

// A value of one of the types the interfaces use, or of some other type.
QVariant anyValue(FuzzInput& in, const QStringList& files, int depth = 0) {
    switch (in.pick(depth < 2 ? 9 : 7)) {
    case 0:
        return anyText(in);
    case 1:
        return files.value(in.pick(int(files.size())));
    case 2:
        return in.bytes();
    case 3:
        return int(in.integer());
    case 4:
        return in.flag();
    case 5:
        return in.real();
    case 6:
        return QStringList{anyText(in), anyText(in)};
    case 7: {
        QVariantMap map;
        for (int n = in.pick(4); n > 0; --n) {
            // One after the other: every compiler must read an input alike.
            const QString key = anyText(in);
            map.insert(key, anyValue(in, files, depth + 1));
        }
        return map;
    }
    default:
        return QVariant::fromValue(QDBusVariant(anyValue(in, files, depth + 1)));
    }
}

QDBusMessage anyCall(FuzzInput& in, const QString& document, const QStringList& files) {
    const QString path = anyPath(in, document);
    const QString interface = in.pick(8) == 0
                                  ? in.text()
                                  : QString::fromLatin1(interfaces[in.pick(std::size(interfaces))]);
    const QString member =
        in.pick(8) == 0 ? in.text() : QString::fromLatin1(members[in.pick(std::size(members))]);
    QDBusMessage call = QDBusMessage::createMethodCall(QString(), path, interface, member);
    QVariantList arguments;
    for (int n = in.pick(4); n > 0; --n) {
        // Property values and the load's arguments travel in variants.
        QVariant value = anyValue(in, files);
        if (in.pick(3) == 0) {
            value = QVariant::fromValue(QDBusVariant(value));
        }
        arguments << value;
    }
    call.setArguments(arguments);
    return call;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    prepareFuzzDocuments();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    Peer& p = peer();
    p.files = makeFiles();
    p.controller = std::make_unique<kestrom::DocumentController>(
        [] { return std::make_unique<kestrom::PrintJobDocument>(); });
    p.service = std::make_unique<kestrom::ScriptingService>(*p.controller);
    p.server =
        std::make_unique<QDBusServer>(QStringLiteral("unix:tmpdir=") + fuzzDocumentFolder().path());
    static bool connected = false;
    QObject::connect(p.server.get(), &QDBusServer::newConnection,
                     [&p](const QDBusConnection& connection) {
                         QDBusConnection(connection)
                             .registerVirtualObject(kestrom::ScriptingService::applicationPath,
                                                    p.service.get(), QDBusConnection::SubPath);
                         connected = true;
                     });
    p.client = QDBusConnection::connectToPeer(p.server->address(), QStringLiteral("fuzz"));
    waitFor([&] { return connected && p.client->isConnected(); }, 10000);
    fuzzCheck(connected && p.client->isConnected(), "the peer connection does not come up");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Peer& p = peer();
    for (kestrom::Document* open : p.controller->documents()) {
        p.controller->removeDocument(open);
    }
    kestrom::Document* made = p.controller->openUntitledDocument(false);
    const QString document = p.service->pathOf(made);
    fuzzCheck(!document.isEmpty(), "a new document has no object");

    FuzzInput in(data, size);
    for (int calls = 0; calls < 4 && !in.atEnd(); ++calls) {
        const QDBusMessage call = anyCall(in, document, p.files);
        QDBusPendingCall pending = p.client->asyncCall(call, 10000);
        waitFor([&] { return pending.isFinished(); }, 15000);
        fuzzCheck(pending.isFinished(), "a call was never answered");
    }
    return 0;
}

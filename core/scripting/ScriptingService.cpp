#include "core/scripting/ScriptingService.h"

#include "core/document/application/DocumentController.h"
#include "core/document/application/ImageImport.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/Framework.h"
#include "core/document/job/KestromText.h"
#include "core/document/package/DocumentFileError.h"
#include "core/scripting/DocumentScripting.h"
#include "core/window/DocumentWindow.h"
#include "core/window/ErrorSheet.h"
#include "model/pictures/OriginalImage.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/Error.h"
#include "platform/LocalFileUrl.h"
#include "platform/Log.h"
#include "platform/ScriptCommand.h"
#include "platform/graphics/FileType.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QScopeGuard>
#include <QTimer>

namespace kestrom {

const QString ScriptingService::serviceName = QStringLiteral("org.lunvik.Lunvik");
const QString ScriptingService::applicationPath = QStringLiteral("/org/lunvik/Lunvik");
const QString ScriptingService::scriptErrorName = QStringLiteral("org.lunvik.Lunvik.ScriptError");
const QString ScriptingService::applicationInterface =
    QStringLiteral("org.lunvik.Lunvik.Application");
const QString ScriptingService::servicesInterface = QStringLiteral("org.lunvik.Lunvik.Services");
const QString ScriptingService::documentInterface = QStringLiteral("org.lunvik.Lunvik.Document");
const QString ScriptingService::desktopApplicationInterface =
    QStringLiteral("org.freedesktop.Application");

namespace {

const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString documentFolder = QStringLiteral("/org/lunvik/Lunvik/Document");

// The interfaces of one introspection file, without its <node> element.
QString interfacesOf(const QString& fileName) {
    const auto data = Framework::frameworkBundle()->dataForResource(fileName, QStringLiteral("xml"),
                                                                    QStringLiteral("dbus"));
    if (!data) {
        platform::Log::fatal(QStringLiteral("the bundle lacks dbus/") + fileName +
                             QStringLiteral(".xml"));
    }
    const QString text = QString::fromUtf8(*data);
    const qsizetype open = text.indexOf(QLatin1String("<node>"));
    const qsizetype close = text.lastIndexOf(QLatin1String("</node>"));
    if (open < 0 || close < open) {
        platform::Log::fatal(QStringLiteral("dbus/") + fileName +
                             QStringLiteral(".xml has no node"));
    }
    return text.mid(open + 6, close - open - 6);
}

bool isPictureMimeType(const QString& mimeType) {
    const auto type = platform::FileType::withMimeType(mimeType);
    if (!type) {
        return false;
    }
    for (const QString& accepted : ambrel::OriginalImage::imageFileTypes()) {
        if (platform::FileType::conforms(type->identifier(), accepted)) {
            return true;
        }
    }
    return false;
}

// The number of a failure that no error of the application describes.
constexpr int unexpectedErrorNumber = -1;

// The message of a script error: "<number>: <text>". The first case of an
// error kind is numbered 0, which tells a script nothing: its message is the
// text alone. Without a text it is the number alone.
QString describe(qint64 number, const QString& text) {
    if (number == 0) {
        return text;
    }
    if (text.isEmpty()) {
        return QString::number(number);
    }
    return QString::number(number) + QStringLiteral(": ") + text;
}

} // namespace

// One incoming method call and its reply, which may be sent later.
struct ScriptingService::Call {
    QDBusMessage message;
    QDBusConnection connection;

    QVariant argument(int index) const { return message.arguments().value(index); }
    void reply(const QVariantList& values = {}) const { send(message.createReply(values)); }
    void replyProperty(const QVariant& value) const {
        reply({QVariant::fromValue(QDBusVariant(value))});
    }
    void fail(QDBusError::ErrorType type, const QString& text) const {
        send(message.createErrorReply(type, text));
    }
    void failScript(qint64 number, const QString& text) const {
        send(message.createErrorReply(scriptErrorName, describe(number, text)));
    }
    void send(const QDBusMessage& answer) const {
        if (message.isReplyRequired()) {
            connection.send(answer);
        }
    }
    bool is(const QString& interface, const QString& member, const char* signature) const {
        return (message.interface().isEmpty() || message.interface() == interface) &&
               message.member() == member && message.signature() == QLatin1String(signature);
    }
    void wrongCall() const {
        fail(QDBusError::UnknownMethod,
             QStringLiteral("No method %1.%2 with the signature \"%3\" at %4")
                 .arg(message.interface(), message.member(), message.signature(), message.path()));
    }
};

namespace {

// Runs the body as a script command; its reply goes out when it has ended,
// which for a print is when the run has ended.
void runScriptCommand(const ScriptingService::Call& call, const std::function<void()>& body) {
    auto command = platform::ScriptCommand::make(
        call.message.member(), [call](const platform::ScriptCommand& ended) {
            // Some errors are numbered 0; their text still tells of the failure.
            if (ended.hasError() || !ended.scriptErrorString().isEmpty()) {
                call.failScript(ended.scriptErrorNumber(), ended.scriptErrorString());
            } else {
                call.reply();
            }
        });
    // Nothing a caller sends may end the application: an unexpected failure
    // becomes the command's error.
    command->execute([&] {
        try {
            body();
        } catch (const platform::Error& e) {
            command->setScriptErrorNumber(int(e.code()));
            command->setScriptErrorString(e.localizedDescription());
        } catch (const std::exception& e) {
            platform::Log::line(QStringLiteral("script command failed: ") +
                                QString::fromLocal8Bit(e.what()));
            command->setScriptErrorNumber(unexpectedErrorNumber);
            command->setScriptErrorString(QString::fromLocal8Bit(e.what()));
        }
        return QVariant();
    });
}

} // namespace

struct ScriptingService::OpenCall {
    Call call;
    ScriptedOpenAlert::Outcome outcome;
    // Files not opened or failed yet.
    int pending = 0;
};

struct ScriptingService::Entry {
    quint64 number = 0;
    QPointer<Document> document;
    std::unique_ptr<DocumentScripting> scripting;
    QString path() const { return documentFolder + u'/' + QString::number(number); }
};

ScriptingService::ScriptingService(DocumentController& controller, QObject* parent)
    : QDBusVirtualObject(parent), m_controller(&controller) {
    connect(&controller, &DocumentController::documentsChanged, this,
            &ScriptingService::followDocuments);
    followDocuments();
}

ScriptingService::~ScriptingService() {
    if (m_connection) {
        m_connection->unregisterObject(applicationPath, QDBusConnection::UnregisterTree);
        m_connection->unregisterService(serviceName);
    }
}

bool ScriptingService::registerOn(QDBusConnection connection) {
    if (!connection.isConnected()) {
        platform::Log::line(QStringLiteral("scripting is off: no session bus"));
        return false;
    }
    if (!connection.registerVirtualObject(applicationPath, this, QDBusConnection::SubPath)) {
        platform::Log::line(QStringLiteral("scripting is off: ") + applicationPath +
                            QStringLiteral(" is taken"));
        return false;
    }
    m_connection = connection;
    const auto reply = connection.interface()->registerService(
        serviceName, QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        m_nameTaken = reply.isValid();
        platform::Log::line(QStringLiteral("scripting is off: another program has ") + serviceName);
        return false;
    }
    return true;
}

bool ScriptingService::handOver(QDBusConnection connection, const QStringList& paths) {
    if (!connection.isConnected()) {
        return false;
    }
    QDBusMessage message;
    if (paths.isEmpty()) {
        message = QDBusMessage::createMethodCall(
            serviceName, applicationPath, desktopApplicationInterface, QStringLiteral("Activate"));
        message << QVariantMap();
    } else {
        QStringList uris;
        for (const QString& path : paths) {
            uris << QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
        }
        message = QDBusMessage::createMethodCall(
            serviceName, applicationPath, desktopApplicationInterface, QStringLiteral("Open"));
        message << uris << QVariantMap();
    }
    // The running copy answers Open once the files have opened, which may
    // take a while; that it answers at all is asked first.
    if (!paths.isEmpty()) {
        QDBusMessage ask = QDBusMessage::createMethodCall(
            serviceName, applicationPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        ask << applicationInterface << QStringLiteral("documents");
        const QDBusMessage answer = connection.call(ask, QDBus::Block, 10000);
        if (answer.type() != QDBusMessage::ReplyMessage) {
            platform::Log::line(QStringLiteral("the running application does not answer: ") +
                                answer.errorMessage());
            return false;
        }
    }
    const QDBusMessage reply =
        connection.call(message, QDBus::Block, paths.isEmpty() ? 10000 : 300000);
    // It has the files: they are not opened here as well.
    if (reply.type() == QDBusMessage::ErrorMessage &&
        reply.errorName() == QDBusError::errorString(QDBusError::NoReply)) {
        platform::Log::line(QStringLiteral("the running application is still opening the files"));
        return true;
    }
    // It took what its limits allow, and told the user of what did not
    // open: opening the rest here would pass the limits.
    if (reply.type() == QDBusMessage::ErrorMessage && reply.errorName() == scriptErrorName) {
        platform::Log::line(reply.errorMessage());
        return true;
    }
    if (reply.type() != QDBusMessage::ReplyMessage) {
        platform::Log::line(QStringLiteral("the running application did not take the files: ") +
                            reply.errorMessage());
        return false;
    }
    return true;
}

bool ScriptingService::isPictureFile(const QString& path) {
    if (QFileInfo(path).isDir()) {
        return false;
    }
    QMimeData pasteboard;
    pasteboard.setUrls({QUrl::fromLocalFile(path)});
    return ImageImport::acceptsImagePasteboard(&pasteboard);
}

void ScriptingService::followDocuments() {
    const QList<Document*> open = m_controller ? m_controller->documents() : QList<Document*>();
    const size_t before = m_entries.size();
    std::erase_if(m_entries, [&](const std::unique_ptr<Entry>& entry) {
        return !entry->document || !open.contains(entry->document.data());
    });
    bool changed = m_entries.size() != before;
    for (Document* document : open) {
        auto* printJob = qobject_cast<PrintJobDocument*>(document);
        if (!printJob || scriptingOf(document)) {
            continue;
        }
        auto entry = std::make_unique<Entry>();
        entry->number = ++m_lastNumber;
        entry->document = document;
        entry->scripting = std::make_unique<DocumentScripting>(
            *printJob, [this, number = entry->number](const QString& property) {
                announceDocumentProperty(number, property);
            });
        // A document destroyed without the controller's notice takes its
        // object along at once.
        connect(document, &QObject::destroyed, this, [this, document] {
            std::erase_if(m_entries, [&](const std::unique_ptr<Entry>& e) {
                return e->document.isNull() || e->document.data() == document;
            });
        });
        m_entries.push_back(std::move(entry));
        changed = true;
    }
    if (changed) {
        announce(applicationPath, applicationInterface, properties(applicationInterface, nullptr));
    }
}

void ScriptingService::announce(const QString& path, const QString& interface,
                                const QVariantMap& changed) const {
    if (!m_connection) {
        return;
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(path, propertiesInterface, QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    m_connection->send(signal);
}

void ScriptingService::announceDocumentProperty(quint64 number, const QString& property) const {
    for (const auto& entry : m_entries) {
        if (entry->number == number && entry->document) {
            const QVariantMap values = properties(documentInterface, entry->scripting.get());
            announce(entry->path(), documentInterface, {{property, values.value(property)}});
        }
    }
}

DocumentScripting* ScriptingService::scriptingOf(const Document* document) const {
    for (const auto& entry : m_entries) {
        if (entry->document && entry->document.data() == document) {
            return entry->scripting.get();
        }
    }
    return nullptr;
}

DocumentScripting* ScriptingService::scriptingAt(const QString& path) const {
    for (const auto& entry : m_entries) {
        if (entry->document && entry->path() == path) {
            return entry->scripting.get();
        }
    }
    return nullptr;
}

QString ScriptingService::pathOf(const Document* document) const {
    for (const auto& entry : m_entries) {
        if (entry->document && entry->document.data() == document) {
            return entry->path();
        }
    }
    return {};
}

QList<Document*> ScriptingService::listedDocuments() const {
    QList<Document*> listed;
    if (m_controller) {
        for (Document* document : m_controller->documents()) {
            if (scriptingOf(document)) {
                listed << document;
            }
        }
    }
    return listed;
}

QString ScriptingService::introspect(const QString& path) const {
    if (path == applicationPath) {
        static const QString application =
            interfacesOf(QStringLiteral("org.lunvik.Lunvik.Application"));
        return application + QStringLiteral("  <node name=\"Document\"/>\n");
    }
    if (path == documentFolder) {
        QString children;
        for (const Document* document : listedDocuments()) {
            children +=
                QStringLiteral("  <node name=\"%1\"/>\n").arg(pathOf(document).section(u'/', -1));
        }
        return children;
    }
    if (scriptingAt(path)) {
        static const QString document = interfacesOf(QStringLiteral("org.lunvik.Lunvik.Document"));
        return document;
    }
    return {};
}

bool ScriptingService::handleMessage(const QDBusMessage& message,
                                     const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    // Introspection and pings are the bus library's own.
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Introspectable") ||
        message.interface() == QLatin1String("org.freedesktop.DBus.Peer")) {
        return false;
    }
    const Call call{message, connection};
    try {
        if (message.path() == applicationPath) {
            handleApplication(call);
        } else if (DocumentScripting* scripting = scriptingAt(message.path())) {
            handleDocument(call, *scripting);
        } else {
            call.fail(QDBusError::UnknownObject,
                      QStringLiteral("No open document at %1").arg(message.path()));
        }
    } catch (const std::exception& e) {
        platform::Log::line(QStringLiteral("bus call failed: ") + QString::fromLocal8Bit(e.what()));
        call.fail(QDBusError::Failed, QString::fromLocal8Bit(e.what()));
    }
    return true;
}

void ScriptingService::handleApplication(const Call& call) {
    if (call.message.interface() == propertiesInterface) {
        if (call.is(propertiesInterface, QStringLiteral("Get"), "ss")) {
            getProperty(call, nullptr);
        } else if (call.is(propertiesInterface, QStringLiteral("GetAll"), "s")) {
            getAllProperties(call, nullptr);
        } else if (call.is(propertiesInterface, QStringLiteral("Set"), "ssv")) {
            setProperty(call, nullptr);
        } else {
            call.wrongCall();
        }
        return;
    }
    if (call.is(servicesInterface, QStringLiteral("LoadImage"), "ays")) {
        loadImage(call);
        return;
    }
    if (call.message.interface() == desktopApplicationInterface) {
        handleDesktopApplication(call);
        return;
    }
    call.wrongCall();
}

void ScriptingService::handleDesktopApplication(const Call& call) {
    if (call.is(desktopApplicationInterface, QStringLiteral("Activate"), "a{sv}")) {
        call.reply();
        // After the reply, so that the starting copy can end meanwhile.
        QTimer::singleShot(0, this, [this] { emit activationRequested(); });
        return;
    }
    if (!call.is(desktopApplicationInterface, QStringLiteral("Open"), "asa{sv}")) {
        call.wrongCall();
        return;
    }
    QStringList paths;
    for (const QString& uri : call.argument(0).toStringList()) {
        // Another machine's file is no file here, and the caller's working
        // folder is not this process's. A "%00" would end the path early for
        // the system: another file.
        const auto url = platform::LocalFileUrl::of(QUrl(uri, QUrl::StrictMode));
        if (!url || !QFileInfo(url->toLocalFile()).isAbsolute() ||
            url->toLocalFile().contains(QChar(0))) {
            call.fail(
                QDBusError::InvalidArgs,
                QStringLiteral("Expected file URLs with absolute paths, got \"%1\"").arg(uri));
            return;
        }
        paths << QDir::cleanPath(url->toLocalFile());
    }
    // A file named twice opens once, and counts once against the limits.
    paths.removeDuplicates();
    if (paths.isEmpty()) {
        call.reply();
        QTimer::singleShot(0, this, [this] { emit activationRequested(); });
        return;
    }
    // Each file may need a window of its own, but for a package already open.
    auto open = std::make_shared<OpenCall>(OpenCall{call, {int(paths.size()), 0, {}}, 0});
    const int available = m_budget.available();
    int accepted = 0;
    for (const QString& path : paths) {
        const bool isOpen = m_controller && m_controller->documentForPath(path);
        if (!isOpen && accepted == available) {
            ++open->outcome.refused;
            continue;
        }
        if (!isOpen) {
            ++accepted;
            m_budget.reserve(1);
        }
        m_filesToOpen.push_back({path, !isOpen, open});
        ++open->pending;
    }
    if (open->pending == 0) {
        finishOpenCall(*open);
        return;
    }
    // After this turn, so that the bus is answered between the files.
    if (!m_openingScheduled) {
        m_openingScheduled = true;
        QTimer::singleShot(0, this, &ScriptingService::openNextFile);
    }
}

void ScriptingService::fileOpened(const std::shared_ptr<OpenCall>& open,
                                  const std::shared_ptr<const platform::Error>& error) {
    if (error) {
        open->outcome.failures << error;
    }
    if (--open->pending == 0) {
        finishOpenCall(*open);
    }
}

void ScriptingService::finishOpenCall(const OpenCall& open) {
    QStringList reasons;
    if (open.outcome.refused == 1) {
        reasons << KestromText::text("Scripting_TooManyFiles_One")
                       .arg(open.outcome.handedOver)
                       .arg(ScriptedDocumentBudget::newWindowsPerCall)
                       .arg(ScriptedDocumentBudget::documentsInAll);
    } else if (open.outcome.refused > 1) {
        reasons << KestromText::text("Scripting_TooManyFiles")
                       .arg(open.outcome.refused)
                       .arg(open.outcome.handedOver)
                       .arg(ScriptedDocumentBudget::newWindowsPerCall)
                       .arg(ScriptedDocumentBudget::documentsInAll);
    }
    for (const auto& failure : open.outcome.failures) {
        reasons << failure->localizedDescription();
    }
    if (reasons.isEmpty()) {
        open.call.reply();
    } else {
        open.call.failScript(0, reasons.join(u'\n'));
    }
    // The user's own files come this way too (a start with files hands
    // them over): what did not open shows in the application, in one alert
    // for the call, or in the one that shows already.
    m_openAlert.tell(open.outcome, currentWindow());
}

QWidget* ScriptingService::currentWindow() const {
    Document* current = m_controller ? m_controller->currentDocument() : nullptr;
    if (DocumentWindow* window = current ? DocumentWindow::windowFor(current) : nullptr) {
        return window;
    }
    return QApplication::activeWindow();
}

void ScriptingService::openNextFile() {
    m_openingScheduled = false;
    if (m_filesToOpen.empty()) {
        return;
    }
    const FileToOpen file = m_filesToOpen.front();
    m_filesToOpen.pop_front();
    if (!m_filesToOpen.empty()) {
        m_openingScheduled = true;
        QTimer::singleShot(0, this, &ScriptingService::openNextFile);
    }
    QPointer<ScriptingService> self(this);
    const std::shared_ptr<OpenCall> open = file.call;
    if (isPictureFile(file.path)) {
        // The reservation becomes the document made for the picture.
        m_budget.release(file.reserved ? 1 : 0);
        loadPicture(file.path, true, [self, open](std::shared_ptr<const platform::Error> error) {
            if (self) {
                self->fileOpened(open, error);
            }
        });
        return;
    }
    if (!m_controller) {
        m_budget.release(file.reserved ? 1 : 0);
        fileOpened(open, nullptr);
        return;
    }
    const bool reserved = file.reserved;
    // Its error goes into the call's answer and alert, not an alert of its own.
    m_controller->openDocument(
        file.path, true,
        [self, reserved, open](Document* document, bool alreadyOpen,
                               std::shared_ptr<const platform::Error> error) {
            if (!self) {
                return;
            }
            self->fileOpened(open, error);
            if (reserved) {
                self->m_budget.release(1);
                if (document && !alreadyOpen) {
                    self->m_budget.add(document);
                }
            }
            // As a start with a file that does not open: a window stays.
            DocumentController* controller = self->m_controller;
            if (error && controller && controller->documents().isEmpty() &&
                controller->openingCount() == 0) {
                try {
                    controller->openUntitledDocument(true);
                } catch (const platform::Error& e) {
                    platform::Log::line(e.localizedDescription());
                }
            }
        },
        DocumentController::OpenErrors::toHandlerOnly);
}

void ScriptingService::handleDocument(const Call& call, DocumentScripting& scripting) {
    if (call.message.interface() == propertiesInterface) {
        if (call.is(propertiesInterface, QStringLiteral("Get"), "ss")) {
            getProperty(call, &scripting);
        } else if (call.is(propertiesInterface, QStringLiteral("GetAll"), "s")) {
            getAllProperties(call, &scripting);
        } else if (call.is(propertiesInterface, QStringLiteral("Set"), "ssv")) {
            setProperty(call, &scripting);
        } else {
            call.wrongCall();
        }
        return;
    }
    if (call.is(documentInterface, QStringLiteral("LoadImage"), "a{sv}")) {
        const auto arguments = qdbus_cast<QVariantMap>(call.argument(0));
        runScriptCommand(call, [&] { scripting.loadImageFrom(arguments); });
        return;
    }
    const std::pair<const char*, void (DocumentScripting::*)()> commands[] = {
        {"Print", &DocumentScripting::print},
        {"ClearImage", &DocumentScripting::clearImage},
        {"ScaleImageToFit", &DocumentScripting::scaleImageToFit},
        {"ScaleImageToActualSize", &DocumentScripting::scaleImageToActualSize},
        {"ClearImageRepeat", &DocumentScripting::clearImageRepeat},
    };
    for (const auto& command : commands) {
        if (call.is(documentInterface, QLatin1String(command.first), "")) {
            const auto handler = command.second;
            runScriptCommand(call, [&] { (scripting.*handler)(); });
            return;
        }
    }
    call.wrongCall();
}

QVariantMap ScriptingService::properties(const QString& interface,
                                         DocumentScripting* scripting) const {
    QVariantMap values;
    if (!scripting && interface == applicationInterface) {
        QList<QDBusObjectPath> paths;
        for (const Document* document : listedDocuments()) {
            paths << QDBusObjectPath(pathOf(document));
        }
        values.insert(QStringLiteral("documents"), QVariant::fromValue(paths));
    } else if (scripting && interface == documentInterface) {
        values.insert(DocumentKey::Script::name, scripting->document().displayName());
        values.insert(DocumentKey::Script::modelName, scripting->modelName());
        values.insert(DocumentKey::Script::imageOffsetBase,
                      scripting->imageOffsetBase().rawValue());
    }
    return values;
}

namespace {

// Whether the values have the property the call names; when not, the call
// has been answered.
bool hasNamedProperty(const ScriptingService::Call& call, const QVariantMap& values) {
    if (values.contains(call.argument(1).toString())) {
        return true;
    }
    call.fail(
        QDBusError::UnknownProperty,
        QStringLiteral("No property %1.%2 at %3")
            .arg(call.argument(0).toString(), call.argument(1).toString(), call.message.path()));
    return false;
}

} // namespace

void ScriptingService::getProperty(const Call& call, DocumentScripting* scripting) {
    const QVariantMap values = properties(call.argument(0).toString(), scripting);
    if (hasNamedProperty(call, values)) {
        call.replyProperty(values.value(call.argument(1).toString()));
    }
}

void ScriptingService::getAllProperties(const Call& call, DocumentScripting* scripting) {
    const QString interface = call.argument(0).toString();
    QVariantMap values = properties(interface, scripting);
    call.reply({values});
}

void ScriptingService::setProperty(const Call& call, DocumentScripting* scripting) {
    const QString interface = call.argument(0).toString();
    const QString name = call.argument(1).toString();
    const QVariant value = qvariant_cast<QDBusVariant>(call.argument(2)).variant();
    if (!hasNamedProperty(call, properties(interface, scripting))) {
        return;
    }
    if (!scripting || name == DocumentKey::Script::name) {
        call.fail(QDBusError::PropertyReadOnly, QStringLiteral("%1 is read-only").arg(name));
        return;
    }
    if (value.metaType() != QMetaType::fromType<QString>()) {
        call.fail(QDBusError::InvalidArgs, QStringLiteral("%1 takes a string").arg(name));
        return;
    }
    const QString text = value.toString();
    if (name == DocumentKey::Script::modelName) {
        runScriptCommand(call, [&] { scripting->setModelName(text); });
        return;
    }
    const auto anchor = ambrel::OffsetBase::fromRawValue(text);
    if (!anchor) {
        QStringList names;
        for (const ambrel::OffsetBase& each : ambrel::OffsetBase::allCases()) {
            names << each.rawValue();
        }
        call.fail(QDBusError::InvalidArgs, QStringLiteral("No anchor \"%1\"; the anchors are %2")
                                               .arg(text, names.join(QStringLiteral(", "))));
        return;
    }
    runScriptCommand(call, [&] { scripting->setImageOffsetBase(*anchor); });
}

// The Services entry: the first open document without a picture whose
// window shows no sheet takes the picture, else a new document does.
void ScriptingService::loadImage(const Call& call) {
    const QByteArray data = call.argument(0).toByteArray();
    const QString mimeType = call.argument(1).toString();
    QMimeData pasteboard;
    if (isPictureMimeType(mimeType)) {
        pasteboard.setData(mimeType, data);
    }
    if (!ImageImport::acceptsImagePasteboard(&pasteboard)) {
        call.fail(QDBusError::InvalidArgs,
                  QStringLiteral("Expected picture data of a picture type, got %1 bytes of \"%2\"")
                      .arg(data.size())
                      .arg(mimeType));
        return;
    }
    std::shared_ptr<const platform::Error> failure;
    bool isNew = false;
    DocumentScripting* chosen = documentForPicture(failure, isNew, true);
    if (failure) {
        call.failScript(failure->code(), failure->localizedDescription());
        return;
    }
    if (!m_controller) {
        call.fail(QDBusError::Failed, QStringLiteral("The application is quitting"));
        return;
    }
    if (!chosen) {
        call.reply();
        return;
    }
    QPointer<Document> document = &chosen->document();
    QPointer<DocumentController> controller = m_controller;
    chosen->loadImageWithPasteboard(&pasteboard, [call, document, controller, isNew](
                                                     std::shared_ptr<const platform::Error> error) {
        if (!error) {
            if (document) {
                call.reply();
            } else {
                call.fail(QDBusError::UnknownObject,
                          QStringLiteral("The document was closed before its picture arrived"));
            }
            return;
        }
        // The data came without a file: its error names none. The made-up
        // name the import gave the data means nothing to the caller.
        std::shared_ptr<const platform::Error> answer = error;
        if (const auto* refused = dynamic_cast<const ambrel::OriginalImageError*>(error.get())) {
            using Case = ambrel::OriginalImageError::Case;
            const char* key = "Scripting_Services_NoPicture";
            switch (refused->errorCase()) {
            case Case::tooLarge:
                key = "Scripting_Services_TooLarge";
                break;
            case Case::cannotAllocateMemory:
                key = "Scripting_Services_CannotAllocateMemory";
                break;
            case Case::cannotBeDrawn:
                key = "Scripting_Services_CannotBeDrawn";
                break;
            case Case::containsNoValidImage:
                break;
            }
            platform::Error::UserInfo info;
            info.localizedDescription = KestromText::text(key);
            answer = std::make_shared<platform::Error>(error->domain(), error->code(), info);
        }
        // A document made for the picture goes again once the import has
        // ended, so that no empty window stays behind.
        QMetaObject::invokeMethod(
            qApp,
            [call, document, controller, isNew, answer] {
                auto* job = qobject_cast<PrintJobDocument*>(document.data());
                if (isNew && job && controller && !job->job().originalImage()) {
                    controller->removeDocument(job);
                }
                call.failScript(answer->code(), answer->localizedDescription());
            },
            Qt::QueuedConnection);
    });
}

DocumentScripting*
ScriptingService::documentForPicture(std::shared_ptr<const platform::Error>& failure, bool& isNew,
                                     bool forOtherProgram) {
    followDocuments();
    // A document that a picture is on its way into is taken.
    for (Document* document : listedDocuments()) {
        DocumentScripting* scripting = scriptingOf(document);
        if (!scripting->document().job().originalImage() && !scripting->isShowingSheet() &&
            !scripting->isImporting()) {
            return scripting;
        }
    }
    if (!m_controller) {
        return nullptr;
    }
    if (forOtherProgram && m_budget.available() == 0) {
        platform::Error::UserInfo info;
        info.localizedDescription = KestromText::text("Scripting_TooManyDocuments")
                                        .arg(ScriptedDocumentBudget::documentsInAll);
        failure =
            std::make_shared<platform::Error>(QStringLiteral("KestromScriptingError"), 0, info);
        return nullptr;
    }
    try {
        Document* made = m_controller->openUntitledDocument(true);
        if (forOtherProgram) {
            m_budget.add(made);
        }
        followDocuments();
        DocumentScripting* chosen = scriptingOf(made);
        isNew = chosen != nullptr;
        return chosen && !chosen->isShowingSheet() ? chosen : nullptr;
    } catch (const platform::Error& e) {
        failure = e.clone();
        return nullptr;
    }
}

void ScriptingService::loadPictureFile(const QString& path) {
    loadPicture(path, false);
}

void ScriptingService::loadPicture(const QString& path, bool forOtherProgram,
                                   ImageImport::Completion done) {
    // A file that is not there needs no window: it is told of at once.
    if (!QFileInfo::exists(path)) {
        const std::shared_ptr<const platform::Error> missing =
            DocumentFileError::missingFile(path).clone();
        platform::Log::line(QStringLiteral("picture not loaded: ") +
                            missing->localizedDescription());
        // A start with nothing but this file still gets its window, which
        // the alert goes on.
        if (!forOtherProgram && m_controller && m_controller->documents().isEmpty() &&
            m_controller->openingCount() == 0) {
            try {
                m_controller->openUntitledDocument(true);
            } catch (const platform::Error& e) {
                platform::Log::line(e.localizedDescription());
            }
        }
        pictureFailed(missing, nullptr, !forOtherProgram, std::move(done));
        return;
    }
    std::shared_ptr<const platform::Error> failure;
    bool isNew = false;
    DocumentScripting* chosen = documentForPicture(failure, isNew, forOtherProgram);
    if (!chosen) {
        if (failure) {
            platform::Log::line(failure->localizedDescription());
        }
        if (done) {
            done(failure);
        }
        return;
    }
    QMimeData pasteboard;
    pasteboard.setUrls({QUrl::fromLocalFile(path)});
    QPointer<ScriptingService> self(this);
    QPointer<Document> madeForIt = isNew ? &chosen->document() : nullptr;
    chosen->loadImageWithPasteboard(
        &pasteboard, [self, madeForIt, forOtherProgram,
                      done = std::move(done)](std::shared_ptr<const platform::Error> error) {
            if (error && self) {
                self->pictureFailed(error, madeForIt, !forOtherProgram, done);
            } else if (done) {
                done(error);
            }
        });
}

void ScriptingService::pictureFailed(const std::shared_ptr<const platform::Error>& error,
                                     QPointer<Document> madeForIt, bool tellUser,
                                     ImageImport::Completion done) {
    // Once the import has ended: a window made for a picture that did not
    // load goes again, so that failed files leave no empty windows behind,
    // unless it is the only one (a start with a file that does not open
    // keeps its window). Only then is the failure told, so that its alert
    // goes on a window that stays.
    QPointer<ScriptingService> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, error, madeForIt, tellUser, done = std::move(done)] {
            DocumentController* controller = self ? self->m_controller.data() : nullptr;
            const auto told = qScopeGuard([&] {
                if (done) {
                    done(error);
                }
            });
            if (!controller) {
                return;
            }
            auto* job = qobject_cast<PrintJobDocument*>(madeForIt.data());
            if (job && !job->job().originalImage() && controller->documents().size() > 1) {
                controller->removeDocument(job);
            }
            if (tellUser) {
                ErrorSheet::present(self->currentWindow(), *error);
            }
        },
        Qt::QueuedConnection);
}

} // namespace kestrom

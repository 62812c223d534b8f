#include "core/scripting/DocumentScripting.h"

#include "core/document/application/DocumentActions.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/KestromText.h"
#include "core/document/package/DocumentFileError.h"
#include "core/scripting/ScriptingWindowPresenter.h"
#include "core/window/DocumentWindow.h"
#include "core/window/WindowRunPresenter.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/errors/ConnectionError.h"
#include "platform/Error.h"
#include "platform/LocalFileUrl.h"
#include "platform/ScriptCommand.h"

#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QMimeData>

#include <cerrno>

#include <sys/stat.h>

namespace kestrom {

namespace {

void reportModelNameError() {
    if (const auto command = platform::ScriptCommand::current()) {
        command->setScriptErrorNumber(int(PrintDocument::ScriptErrorNumber_ModelName_Invalid));
        command->setScriptErrorString(QStringLiteral("Invalid model name."));
    }
}

} // namespace

DocumentScripting::DocumentScripting(PrintJobDocument& document, PropertyChanged changed)
    : m_document(document), m_presenter(std::make_shared<ScriptingWindowPresenter>(&document)),
      m_import(document.job(), m_presenter) {
    if (!changed) {
        return;
    }
    // The model name follows the model alone.
    const std::pair<const QString&, const QString&> followed[] = {
        {DocumentKey::deviceDescriptor, DocumentKey::Script::modelName},
        {DocumentKey::imageOffsetBase, DocumentKey::Script::imageOffsetBase}};
    for (const auto& [key, property] : followed) {
        m_observations.push_back(document.job().observe(
            key, platform::Observable::New,
            [changed, name = property](const platform::KeyValueChange&) { changed(name); }));
    }
    m_nameConnection = QObject::connect(&document, &Document::filePathChanged,
                                        [changed] { changed(DocumentKey::Script::name); });
}

DocumentScripting::~DocumentScripting() {
    QObject::disconnect(m_nameConnection);
}

QString DocumentScripting::modelName() const {
    const auto& descriptor = m_document.job().deviceDescriptor();
    return descriptor ? descriptor->modelName() : QString();
}

void DocumentScripting::setModelName(const QString& name) {
    if (name.isEmpty()) {
        reportModelNameError();
        return;
    }
    for (const auto& descriptor : ambrel::DeviceDescriptor::supported()) {
        if (descriptor->modelName() == name) {
            m_document.job().setDeviceDescriptor(descriptor);
            return;
        }
    }
    reportModelNameError();
}

ambrel::OffsetBase DocumentScripting::imageOffsetBase() const {
    return m_document.job().imageOffsetBase();
}

void DocumentScripting::setImageOffsetBase(const ambrel::OffsetBase& anchor) {
    m_document.job().setImageOffsetBase(anchor);
}

QUrl DocumentScripting::fileArgument(const QVariantMap& arguments) {
    if (!arguments.contains(QStringLiteral("in"))) {
        platform::Error::UserInfo info;
        info.localizedDescription = KestromText::text("Scripting_LoadImage_NoArgument");
        throw platform::Error(QStringLiteral("LunvikScriptingError"),
                              requiredArgumentMissingErrorNumber, info);
    }
    QVariant value = arguments.value(QStringLiteral("in"));
    if (value.metaType() == QMetaType::fromType<QDBusVariant>()) {
        value = qvariant_cast<QDBusVariant>(value).variant();
    }
    if (value.metaType() != QMetaType::fromType<QString>()) {
        const QString shown =
            value.canConvert<QString>() ? value.toString() : QString::fromLatin1(value.typeName());
        throw DocumentFileError::noFileLocation(shown, false);
    }
    const QString text = value.toString();
    if (QDir::isAbsolutePath(text)) {
        return QUrl::fromLocalFile(QDir::cleanPath(text));
    }
    const QUrl url(text, QUrl::StrictMode);
    if (url.isValid() && url.isLocalFile()) {
        // Another machine's file is no file here; "%00" would end the path
        // early for the system: it names no file either.
        const auto local = platform::LocalFileUrl::of(url);
        if (!local || local->toLocalFile().contains(QChar(0))) {
            throw DocumentFileError::noFileLocation(text, false);
        }
        if (QDir::isAbsolutePath(local->toLocalFile())) {
            return *local;
        }
        throw DocumentFileError::noFileLocation(text, true);
    }
    // A relative path would be taken from the service's working folder, not
    // the script's: it names no file here.
    const bool looksLikePath = !text.isEmpty() && (url.scheme().isEmpty() || !url.isValid());
    throw DocumentFileError::noFileLocation(text, looksLikePath);
}

void DocumentScripting::loadImageFrom(const QVariantMap& arguments) {
    try {
        const QUrl url = fileArgument(arguments);
        // A file that is not there is the script's mistake, not a silent no.
        const QByteArray path = QFile::encodeName(url.toLocalFile());
        struct stat status {};
        if (::stat(path.constData(), &status) != 0) {
            throw DocumentFileError::unreadableFile(url.toLocalFile(), errno);
        }
        const auto command = platform::ScriptCommand::current();
        if (!command) {
            m_import.setImageWithDroppedFileURL(url);
            return;
        }
        // The file is read and decoded behind the window, which keeps
        // answering meanwhile; the call is answered once the picture is in.
        command->suspendExecution();
        QMimeData pasteboard;
        pasteboard.setUrls({url});
        m_import.setImageWithPasteboard(
            &pasteboard, [command](const std::shared_ptr<const platform::Error>& error) {
                if (error) {
                    command->setScriptErrorString(error->localizedDescription());
                    command->setScriptErrorNumber(int(error->code()));
                }
                command->resumeExecution(QVariant());
            });
    } catch (const platform::Error& e) {
        if (const auto command = platform::ScriptCommand::current()) {
            command->setScriptErrorString(e.localizedDescription());
            command->setScriptErrorNumber(int(e.code()));
        }
    }
}

void DocumentScripting::print() {
    DocumentWindow* window = DocumentWindow::windowFor(&m_document);
    if (!window) {
        return;
    }
    // The window's sheets keep the user from starting a second run; a script
    // must not start one behind them either (two runs would share the device
    // and the sheet).
    if (window->runPresenter()->isShowingSheet()) {
        if (const auto command = platform::ScriptCommand::current()) {
            const ambrel::ConnectionError busy(ambrel::ConnectionError::Case::printerIsBusy);
            command->setScriptErrorNumber(int(busy.code()));
            command->setScriptErrorString(busy.localizedDescription());
        }
        return;
    }
    m_document.printDocument(window->runPresenter(), platform::ScriptCommand::current());
}

void DocumentScripting::clearImage() {
    try {
        m_import.setImageByLoadingContentsOf(std::nullopt);
    } catch (const platform::Error&) {
    }
}

void DocumentScripting::scaleImageToFit() {
    DocumentActions::resizeImageScaleToFit(m_document.job());
}

void DocumentScripting::scaleImageToActualSize() {
    DocumentActions::resizeImageToActualSize(m_document.job());
}

void DocumentScripting::clearImageRepeat() {
    m_document.job().resetImageRepeatCount();
}

bool DocumentScripting::isShowingSheet() const {
    return m_presenter->isShowingSheet();
}

void DocumentScripting::loadImageWithPasteboard(const QMimeData* pasteboard,
                                                ImageImport::Completion done) {
    m_import.setImageWithPasteboard(pasteboard, std::move(done));
}

} // namespace kestrom

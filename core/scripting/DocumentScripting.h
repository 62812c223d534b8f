#pragma once

#include "core/document/application/ImageImport.h"
#include "model/pictures/OffsetBase.h"
#include "platform/Observation.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMimeData;

namespace kestrom {

class PrintJobDocument;
class ScriptingWindowPresenter;

// A document's side of scripts: its scriptable properties and its six
// commands. Each runs inside the script command that asked for it, and a
// failure is reported on that command as a number and a text; the same
// calls outside a script report nothing. Script commands never change what
// the user's defaults remember. Main thread only; the document must outlive
// this object.
class DocumentScripting {
public:
    // Told the name of a scriptable property whenever its value changes,
    // however it was changed.
    using PropertyChanged = std::function<void(const QString& property)>;

    explicit DocumentScripting(PrintJobDocument& document, PropertyChanged changed = {});
    ~DocumentScripting();
    DocumentScripting(const DocumentScripting&) = delete;
    DocumentScripting& operator=(const DocumentScripting&) = delete;

    PrintJobDocument& document() const { return m_document; }

    // Empty without a model.
    QString modelName() const;
    // The first supported model of exactly this name becomes the document's;
    // an empty or unknown name is the model name error.
    void setModelName(const QString& name);
    ambrel::OffsetBase imageOffsetBase() const;
    // An anchor the model does not allow is the anchor error.
    void setImageOffsetBase(const ambrel::OffsetBase& anchor);

    // Loads the file that the argument "in" names. Every failure is
    // reported on the running command: without the argument the argument
    // error; a relative path or a value that is no path or file URL, a file
    // that does not exist or cannot be read, the file error's number and
    // text. The picture stays on every failure.
    void loadImageFrom(const QVariantMap& arguments);
    // The number of the argument error.
    static constexpr int requiredArgumentMissingErrorNumber = 5;
    // The print run over the document's window, which suspends the running
    // command until the print has ended; without a window nothing happens.
    // While the window shows a sheet the printer counts as busy.
    void print();
    // Removes the picture; errors are dropped.
    void clearImage();
    void scaleImageToFit();
    void scaleImageToActualSize();
    void clearImageRepeat();

    // Whether the document's window shows a sheet now.
    bool isShowingSheet() const;
    // Imports the data in the background, as a drop would.
    void loadImageWithPasteboard(const QMimeData* pasteboard, ImageImport::Completion done);
    // Whether a picture is on its way into the document.
    bool isImporting() const { return m_import.pendingCount() > 0; }

    // The local file the argument "in" names: an absolute path or a file URL
    // with one. Throws the argument error or the file error of the value.
    static QUrl fileArgument(const QVariantMap& arguments);

private:
    PrintJobDocument& m_document;
    std::shared_ptr<ScriptingWindowPresenter> m_presenter;
    ImageImport m_import;
    std::vector<platform::Observation> m_observations;
    QMetaObject::Connection m_nameConnection;
};

} // namespace kestrom

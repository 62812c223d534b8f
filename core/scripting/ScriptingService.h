#pragma once

#include "core/document/application/ImageImport.h"
#include "core/scripting/ScriptedDocumentBudget.h"
#include "core/scripting/ScriptedOpenAlert.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QPointer>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace platform {
class Error;
}

namespace kestrom {

class Document;
class DocumentController;
class DocumentScripting;

// Other programs drive the running application over the user's session bus.
// The application object lists the open documents and takes pictures handed
// over by other programs; each open document is an object of its own with
// its scriptable properties and commands. The introspection files in the
// bundle's "dbus" folder describe the interfaces and are what callers see.
//
// Every call that changes a document runs as a script command: its failure
// becomes the D-Bus error scriptErrorName with "<number>: <text>" (the text
// alone for an error numbered 0), and a print holds its reply until the
// print has ended. Calls that do not fit
// the interfaces get the bus's own errors. Pictures and packages handed over
// open a bounded number of new documents (ScriptedDocumentBudget); what is
// over the bound is refused with a script error. The files of an Open call
// that were refused or failed are told in its answer, once the last has
// opened, and shown to the user in one alert (ScriptedOpenAlert); the files
// of one call
// open one per turn of the event loop, so that the bus is answered between
// them. Main thread only.
class ScriptingService : public QDBusVirtualObject {
    Q_OBJECT
public:
    static const QString serviceName;     // "org.lunvik.Lunvik"
    static const QString applicationPath; // "/org/lunvik/Lunvik"
    static const QString scriptErrorName; // "org.lunvik.Lunvik.ScriptError"
    static const QString applicationInterface;
    static const QString servicesInterface;
    static const QString documentInterface;
    // The desktop's interface of a running application: a start with files
    // hands them over through it.
    static const QString desktopApplicationInterface; // "org.freedesktop.Application"

    explicit ScriptingService(DocumentController& controller, QObject* parent = nullptr);
    ~ScriptingService() override;

    // Publishes the objects and takes the service name. False, with one line
    // on standard error, when there is no bus or another program has the name.
    bool registerOn(QDBusConnection connection);
    // Whether registerOn found the name taken: another copy of the
    // application runs in this session.
    bool isNameTaken() const { return m_nameTaken; }

    // Hands the files (absolute paths) to the application that has the
    // service name, or asks it to come forward when there are none, and
    // waits until it has opened them. False when nothing answers as this
    // application would; files it refuses or fails to open count as handed
    // over (it shows why; the reason goes to standard error here too).
    static bool handOver(QDBusConnection connection, const QStringList& paths);

    // Whether the file is a picture the application loads.
    static bool isPictureFile(const QString& path);
    // Loads the picture file as the Services entry loads a picture: into the
    // first open document without a picture that shows no sheet, else into a
    // new document. Errors are shown on the document's window.
    void loadPictureFile(const QString& path);

    // The object path of an open document; empty for one not (yet) listed.
    QString pathOf(const Document* document) const;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    struct Call;

    // Documents other programs have opened, and those on their way.
    const ScriptedDocumentBudget& budget() const { return m_budget; }

signals:
    // Another start without files: the application comes forward.
    void activationRequested();

private:
    struct Entry;

    void followDocuments();
    // Tells listeners of the bus that properties of the object changed.
    void announce(const QString& path, const QString& interface, const QVariantMap& changed) const;
    void announceDocumentProperty(quint64 number, const QString& property) const;
    DocumentScripting* scriptingOf(const Document* document) const;
    DocumentScripting* scriptingAt(const QString& path) const;
    QList<Document*> listedDocuments() const;

    void handleApplication(const Call& call);
    void handleDocument(const Call& call, DocumentScripting& scripting);
    void getProperty(const Call& call, DocumentScripting* scripting);
    void getAllProperties(const Call& call, DocumentScripting* scripting);
    void setProperty(const Call& call, DocumentScripting* scripting);
    QVariantMap properties(const QString& interface, DocumentScripting* scripting) const;
    void loadImage(const Call& call);
    void handleDesktopApplication(const Call& call);
    // The document a picture from elsewhere goes into; nothing when none
    // can be made (the error is in failure). isNew tells whether it was made
    // for this picture, so that a failed load can take it away again. A
    // document made for another program counts against the budget, and is
    // refused when none is left.
    DocumentScripting* documentForPicture(std::shared_ptr<const platform::Error>& failure,
                                          bool& isNew, bool forOtherProgram);
    // `done` hears how the picture's load ended. The user's own files are
    // told of in an alert of their own when they do not load; other
    // programs' in the alert of their call.
    void loadPicture(const QString& path, bool forOtherProgram, ImageImport::Completion done = {});
    // After a picture did not load: the document made for it goes, the user
    // is told when asked to be, and then `done` hears of the error.
    void pictureFailed(const std::shared_ptr<const platform::Error>& error,
                       QPointer<Document> madeForIt, bool tellUser, ImageImport::Completion done);
    // Opens the next file handed over by Open; one per turn of the event loop.
    void openNextFile();
    // The window alerts about other programs' files go on.
    QWidget* currentWindow() const;

    // An Open call whose files are opening: it is answered, and its
    // refusals and failures shown, once the last has opened or failed.
    struct OpenCall;
    // A file handed over by Open, not opened yet.
    struct FileToOpen {
        QString path;
        // Counted in the budget until it has opened.
        bool reserved = false;
        std::shared_ptr<OpenCall> call;
    };
    void fileOpened(const std::shared_ptr<OpenCall>& open,
                    const std::shared_ptr<const platform::Error>& error);
    void finishOpenCall(const OpenCall& open);

    QPointer<DocumentController> m_controller;
    std::vector<std::unique_ptr<Entry>> m_entries;
    quint64 m_lastNumber = 0;
    std::optional<QDBusConnection> m_connection;
    bool m_nameTaken = false;
    ScriptedDocumentBudget m_budget;
    std::deque<FileToOpen> m_filesToOpen;
    ScriptedOpenAlert m_openAlert;
    bool m_openingScheduled = false;
};

} // namespace kestrom

#pragma once

// An application with its documents in the test process, answering on the
// test's own session bus, driven by the gdbus program as another program
// would drive it.

#include "core/launch/AppDelegate.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace kestrom {
class PrintJobDocument;
}

struct GdbusResult {
    int exitCode = -1;
    QString output;
    QString error;
    bool succeeded() const { return exitCode == 0; }
};

// The property changes a listener on another connection of the bus hears.
class PropertyChangeRecorder : public QObject {
    Q_OBJECT
public:
    explicit PropertyChangeRecorder(const QString& path);
    QList<QVariantMap> changes;

public slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);

private:
    QDBusConnection m_connection;
};

class ScriptingTest : public ::testing::Test {
public:
    static inline const QString documentInterface = QStringLiteral("org.lunvik.Lunvik.Document");
    static inline const QString scriptError = QStringLiteral("org.lunvik.Lunvik.ScriptError: ");

protected:
    void SetUp() override;
    void TearDown() override;

    // Runs gdbus with the arguments while the application goes on answering.
    static GdbusResult gdbus(const QStringList& arguments, int timeoutSeconds = 60);
    // A method of the application's or a document's object.
    static GdbusResult call(const QString& path, const QString& method,
                            const QStringList& arguments = {}, int timeoutSeconds = 60);
    static GdbusResult getProperty(const QString& path, const QString& interface,
                                   const QString& name);
    static GdbusResult setProperty(const QString& path, const QString& interface,
                                   const QString& name, const QString& value);

    kestrom::PrintJobDocument* document(int index) const;
    QString pathOf(int index) const;
    int documentCount() const;
    // The value of the user's defaults file as bytes, for comparing.
    QByteArray defaultsFile() const;

    static bool waitUntil(const std::function<bool()>& condition, int milliseconds);
    static QString quoted(const QString& text) { return u'\'' + text + u'\''; }

    // A method of the document interface, by its name.
    static QString method(const char* name) {
        return documentInterface + u'.' + QLatin1String(name);
    }
    // LoadImage's argument that takes the picture in from the value.
    static QString loadArgument(const QString& value) {
        return QStringLiteral("{'in': <%1>}").arg(value);
    }
    // The path of the stencil mark picture the tests load.
    static QString stencilMark() { return QStringLiteral(LUNVIK_STENCIL_MARK); }

    QTemporaryDir m_folder;
    std::unique_ptr<kestrom::AppDelegate> m_delegate;
};

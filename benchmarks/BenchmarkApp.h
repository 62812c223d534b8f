#pragma once

// The application's delegate launched in this process, with its defaults
// and files in a folder of its own, for benchmarks that drive its windows.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace kestrom {
class AppDelegate;
class DocumentWindow;
} // namespace kestrom

namespace bench {

class BenchmarkApp {
public:
    BenchmarkApp();
    ~BenchmarkApp();
    BenchmarkApp(const BenchmarkApp&) = delete;
    BenchmarkApp& operator=(const BenchmarkApp&) = delete;

    kestrom::AppDelegate& delegate() { return *m_delegate; }

    // A file of these bytes in the folder; its path.
    QString writeFile(const QString& name, const QByteArray& bytes) const;
    // A new document's window, shown.
    kestrom::DocumentWindow* showNewWindow();

    // Handles events for the time given.
    static void processEventsFor(int milliseconds);
    // Handles events until done() or a minute has passed, looking at done()
    // every few milliseconds.
    static void processEventsUntil(const std::function<bool()>& done);
    // The same, sleeping between events as the application's own loop does,
    // so that the waiting adds no processor time of its own.
    static void sleepUntil(const std::function<bool()>& done);

    // The main of a benchmark program: an offscreen application, then the
    // benchmarks.
    static int run(int argc, char** argv);

private:
    QTemporaryDir m_folder;
    std::unique_ptr<kestrom::AppDelegate> m_delegate;
};

} // namespace bench

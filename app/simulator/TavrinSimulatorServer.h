#pragma once

#include "app/simulator/TavrinSimulatedDevice.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <thread>

namespace lunvik {

// Serves a simulated device on a local (Unix domain) socket. The socket
// carries the USB byte stream unchanged in both directions; one accepted
// connection is one opening of the device, and closing it unplugs nothing but
// drops a half-received command. When the device fails in the middle of a job
// the connection is closed, as if the cable had been pulled.
class TavrinSimulatorServer {
public:
    explicit TavrinSimulatorServer(TavrinSimulatedDevice& device);
    ~TavrinSimulatorServer();

    // Binds the socket path, replacing a stale socket file. False with a
    // message when that fails, when another simulator still serves the path
    // or when the path is something other than a socket.
    bool listen(const QString& path, QString* error = nullptr);
    // Serves on a thread of its own until stop() or destruction.
    void start();
    // Serves on the calling thread until stop().
    void run();
    void stop();

    // Called on the serving thread after each finished job, with its index.
    std::function<void(const TavrinReceivedJob&, int index)> jobFinished;
    // Called on the serving thread with one line about each connection.
    std::function<void(const QString&)> log;

    TavrinSimulatorServer(const TavrinSimulatorServer&) = delete;
    TavrinSimulatorServer& operator=(const TavrinSimulatorServer&) = delete;

private:
    void serveConnection(int connection);
    bool writeReplies(int connection);
    void say(const QString& line) const;

    TavrinSimulatedDevice& m_device;
    QString m_path;
    int m_listener = -1;
    // The socket file made by listen(); only that one is removed at the end.
    quint64 m_socketInode = 0;
    quint64 m_socketDevice = 0;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::atomic<bool> m_stopping = false;
    std::thread m_thread;
};

} // namespace lunvik

#pragma once

#include "app/simulator/TavrinSimulatedDevice.h"

#include <QString>

#include <atomic>
#include <functional>
#include <sys/types.h>
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

    // Binds the socket path, replacing a socket file that nobody serves.
    // False with a message when that fails, when another server still
    // serves the path, or when the path names something other than a socket.
    // The socket file is removed at destruction unless another has taken
    // its place.
    bool listen(const QString& path, QString* error = nullptr);
    // Whether the device keeps what it received (bytes, commands, jobs) for
    // inspection; a long-running server forgets it after each read. Set
    // before start().
    void setKeepsHistory(bool keeps) { m_keepsHistory = keeps; }
    // Serves on a thread of its own until stop() or destruction.
    void start();
    // Serves on the calling thread until stop().
    void run();
    void stop();

    // Called on the serving thread after each finished job, with its index
    // counted from the server's start.
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
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::atomic<bool> m_stopping = false;
    bool m_keepsHistory = true;
    int m_finishedJobCount = 0;
    dev_t m_socketDevice = 0;
    ino_t m_socketInode = 0;
    std::thread m_thread;
};

} // namespace lunvik

#pragma once

#include "transport/dari/SerialPortEnvironment.h"
#include "transport/dari/SerialPortParity.h"
#include "transport/model/DeviceCommunicationContextObjCImpl.h"

#include <QStringList>

#include <termios.h>

namespace platform {
class Progress;
}

namespace dari {

// An open serial port: a raw 8-bit line, held exclusively, read and written
// with blocking calls on the calling thread. A read ends after a stretch of
// silence (3 seconds); every transfer completes before it returns, or ends
// with platform::CancellationError soon after the run's progress (given at
// opening, outliving the context) is cancelled.
class SerialPortDeviceCommunicationContextObjCImpl
    : public fennick::DeviceCommunicationContextObjCImpl {
public:
    static constexpr qsizetype readChunkLength = 64;
    static constexpr qsizetype writeChunkLength = 256;

    // Opens the first port of the device directory (in name order) whose name
    // begins with the prefix; throws platform::Error ("NoDevice" when none
    // matches, "CouldNotOpen" when it cannot be opened and set up).
    SerialPortDeviceCommunicationContextObjCImpl(const QString& portNamePrefix, qint64 baudRate,
                                                 SerialPortParity parity,
                                                 const platform::Progress* progress = nullptr);
    ~SerialPortDeviceCommunicationContextObjCImpl() override;

    const QString& thePortNamePrefix() const { return m_portNamePrefix; }
    qint64 theBaudRate() const { return m_baudRate; }
    SerialPortParity theParity() const { return m_parity; }
    const QString& theOpeningPath() const { return m_openingPath; }
    // -1 while no port is open.
    int theOpeningFileDescriptor() const { return m_fileDescriptor; }

    void sendData(const QByteArray& data, SendCompletion completion) override;
    void readDataWithLength(quint64 length, ReadCompletion completion) override;

    // Changes the line speed of the open port; throws "CouldNotReopen" when
    // the port refuses it, and keeps the speed it had.
    void setBaudRate(qint64 baudRate);
    // Nothing to clear on a serial line.
    void clearReadPipeStall() {}

    // The port names of a directory in name order, hidden ones left out.
    static QStringList portNames(const QString& directory);
    // Turns terminal settings into those of a raw 8-bit line with one stop
    // bit, the parity, no flow control, and reads that end after the silence.
    static void makeLineSettings(termios& settings, SerialPortParity parity, int silenceTenths);

    SerialPortDeviceCommunicationContextObjCImpl(
        const SerialPortDeviceCommunicationContextObjCImpl&) = delete;
    SerialPortDeviceCommunicationContextObjCImpl&
    operator=(const SerialPortDeviceCommunicationContextObjCImpl&) = delete;

private:
    bool updateFileDescriptorOptions(int fileDescriptor) const;
    bool updateBaudRate(qint64 baudRate, int fileDescriptor) const;
    // Reads one chunk of at most maxLength bytes: the count, 0 after the
    // silence, -1 on failure; throws platform::CancellationError once the
    // progress is cancelled.
    qsizetype readChunk(char* buffer, qsizetype maxLength) const;

    QString m_portNamePrefix;
    qint64 m_baudRate;
    SerialPortParity m_parity;
    const platform::Progress* m_progress;
    QString m_openingPath;
    int m_fileDescriptor = -1;
    SerialPortEnvironment m_environment;
};

} // namespace dari

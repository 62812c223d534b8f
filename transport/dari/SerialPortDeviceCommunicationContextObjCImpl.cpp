#include "transport/dari/SerialPortDeviceCommunicationContextObjCImpl.h"

#include "transport/dari/DescriptorWait.h"
#include "transport/dari/SerialPortSpeed.h"
#include "transport/model/PipeError.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace dari {

using fennick::PipeErrorCode;
using fennick::PipeErrorMakeWithCode;

namespace {

std::shared_ptr<const platform::Error> errorWith(PipeErrorCode code) {
    return PipeErrorMakeWithCode(code).clone();
}

} // namespace

QStringList SerialPortDeviceCommunicationContextObjCImpl::portNames(const QString& directory) {
    QList<QByteArray> names;
    if (DIR* dir = opendir(QFile::encodeName(directory).constData())) {
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.') {
                names.append(QByteArray(entry->d_name));
            }
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end()); // byte order, as a listing in the C locale
    QStringList out;
    for (const QByteArray& name : names) {
        out.append(QFile::decodeName(name));
    }
    return out;
}

SerialPortDeviceCommunicationContextObjCImpl::SerialPortDeviceCommunicationContextObjCImpl(
    const QString& portNamePrefix, qint64 baudRate, SerialPortParity parity,
    const platform::Progress* progress)
    : m_portNamePrefix(portNamePrefix), m_baudRate(baudRate), m_parity(parity),
      m_progress(progress), m_environment(SerialPortEnvironment::current()) {
    const QStringList names = portNames(m_environment.deviceDirectory);
    const auto match = std::find_if(names.begin(), names.end(), [&](const QString& name) {
        return name.startsWith(m_portNamePrefix);
    });
    if (match == names.end()) {
        throw PipeErrorMakeWithCode(PipeErrorCode::noDevice);
    }
    const QString path = m_environment.deviceDirectory + QLatin1Char('/') + *match;

    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    // The port is ours alone: other programs' opens are refused (TIOCEXCL) and
    // cooperating ones see the lock.
    const bool opened = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && ioctl(fd, TIOCEXCL) == 0 &&
                        fcntl(fd, F_SETFL, 0) == 0 && updateFileDescriptorOptions(fd) &&
                        updateBaudRate(m_baudRate, fd) && m_environment.dropModemLines(fd);
    if (!opened) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw PipeErrorMakeWithCode(PipeErrorCode::couldNotOpen);
    }
    m_openingPath = path;
    m_fileDescriptor = fd;
}

SerialPortDeviceCommunicationContextObjCImpl::~SerialPortDeviceCommunicationContextObjCImpl() {
    m_openingPath.clear();
    if (m_fileDescriptor >= 0) {
        ::close(m_fileDescriptor);
    }
}

bool SerialPortDeviceCommunicationContextObjCImpl::updateFileDescriptorOptions(
    int fileDescriptor) const {
    termios settings{};
    if (tcgetattr(fileDescriptor, &settings) != 0) {
        return false;
    }
    makeLineSettings(settings, m_parity, m_environment.silenceTenths);
    return tcsetattr(fileDescriptor, TCSANOW, &settings) == 0;
}

void SerialPortDeviceCommunicationContextObjCImpl::makeLineSettings(termios& settings,
                                                                    SerialPortParity parity,
                                                                    int silenceTenths) {
    cfmakeraw(&settings);
    settings.c_iflag &= ~(IXOFF | IXANY | INPCK);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = cc_t(std::clamp(silenceTenths, 1, 255));
    settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CREAD | HUPCL | CLOCAL;
    switch (parity) {
    case SerialPortParity::odd:
        settings.c_cflag |= PARENB | PARODD;
        break;
    case SerialPortParity::even:
        settings.c_cflag |= PARENB;
        break;
    default:
        break;
    }
    settings.c_lflag &= ~(ICANON | ISIG | ECHO);
    cfsetspeed(&settings, B115200);
}

bool SerialPortDeviceCommunicationContextObjCImpl::updateBaudRate(qint64 baudRate,
                                                                  int fileDescriptor) const {
    return SerialPortSpeed::apply(fileDescriptor, baudRate);
}

void SerialPortDeviceCommunicationContextObjCImpl::setBaudRate(qint64 baudRate) {
    if (baudRate == m_baudRate) {
        return;
    }
    // A speed the port refused is not its speed: asking for it again must
    // fail again rather than pass as already set.
    if (m_fileDescriptor >= 0 && !updateBaudRate(baudRate, m_fileDescriptor)) {
        throw PipeErrorMakeWithCode(PipeErrorCode::couldNotReopen);
    }
    m_baudRate = baudRate;
}

void SerialPortDeviceCommunicationContextObjCImpl::sendData(const QByteArray& data,
                                                            SendCompletion completion) {
    qsizetype written = 0;
    while (written < data.size()) {
        try {
            DescriptorWait::wait(m_fileDescriptor, POLLOUT, m_progress);
        } catch (const platform::Error& cancelled) {
            completion(cancelled.clone());
            return;
        }
        // A ready port takes at least this much without blocking.
        const ssize_t n =
            ::write(m_fileDescriptor, data.constData() + written,
                    size_t(std::min<qsizetype>(data.size() - written, writeChunkLength)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            completion(errorWith(PipeErrorCode::couldNotSendData));
            return;
        }
        written += n;
    }
    completion(nullptr);
}

qsizetype SerialPortDeviceCommunicationContextObjCImpl::readChunk(char* buffer,
                                                                  qsizetype maxLength) const {
    // The silence is timed here, in steps that look at the progress; a port
    // with bytes waiting hands them over at once.
    const std::chrono::milliseconds silence(100 * std::clamp(m_environment.silenceTenths, 1, 255));
    if (!DescriptorWait::wait(m_fileDescriptor, POLLIN, m_progress, silence)) {
        return 0;
    }
    for (;;) {
        const ssize_t n = ::read(m_fileDescriptor, buffer, size_t(maxLength));
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

void SerialPortDeviceCommunicationContextObjCImpl::readDataWithLength(quint64 length,
                                                                      ReadCompletion completion) {
    if (length == 0) {
        completion(QByteArray(), nullptr);
        return;
    }
    const bool hasLength = length != noLength;
    QByteArray collected;
    char chunk[readChunkLength];
    for (;;) {
        // With a length, ask only for what is missing: later bytes belong to
        // the next read.
        const qsizetype want =
            hasLength ? qsizetype(std::min<quint64>(readChunkLength, length - collected.size()))
                      : readChunkLength;
        qsizetype n = 0;
        try {
            n = readChunk(chunk, want);
        } catch (const platform::Error& cancelled) {
            completion(std::nullopt, cancelled.clone());
            return;
        }
        if (n < 0) {
            completion(std::nullopt, errorWith(PipeErrorCode::couldNotReopen));
            return;
        }
        if (n == 0) {
            if (hasLength || collected.isEmpty()) {
                completion(std::nullopt, errorWith(PipeErrorCode::timeout));
            } else {
                completion(collected, nullptr);
            }
            return;
        }
        collected.append(chunk, n);
        if (hasLength && quint64(collected.size()) >= length) {
            completion(collected.left(qsizetype(length)), nullptr);
            return;
        }
    }
}

} // namespace dari

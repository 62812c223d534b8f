#include "app/simulator/TavrinSimulatedDevice.h"

#include <algorithm>

namespace lunvik {

namespace {

constexpr char esc = 0x1B;
constexpr char bar = 0x7C;
constexpr char stx = 0x02;
constexpr char etx = 0x03;

int argumentCount(char letter) {
    switch (letter) {
    case 'D':
        return 1;
    case 'Y':
        return 2;
    case '0':
        return 4;
    default:
        return 0;
    }
}

int little16(const QByteArray& bytes, int index) {
    return quint8(bytes.at(index)) | quint8(bytes.at(index + 1)) << 8;
}

void putText(QByteArray& reply, int start, int length, const QByteArray& text) {
    reply.replace(start, std::min<qsizetype>(length, text.size()), text.left(length));
}

} // namespace

TavrinSimulatedDevice::TavrinSimulatedDevice() = default;

TavrinSimulatedDevice::TavrinSimulatedDevice(Configuration configuration)
    : m_configuration(std::move(configuration)) {}

TavrinSimulatedDevice::Configuration TavrinSimulatedDevice::configuration() const {
    std::lock_guard lock(m_mutex);
    return m_configuration;
}

void TavrinSimulatedDevice::setConfiguration(const Configuration& configuration) {
    std::lock_guard lock(m_mutex);
    m_configuration = configuration;
}

qint64 TavrinSimulatedDevice::receive(const QByteArray& bytes) {
    std::lock_guard lock(m_mutex);
    if (m_failed) {
        return 0;
    }
    qint64 index = 0;
    const qint64 size = bytes.size();
    while (index < size) {
        if (m_phase != Phase::columns) {
            m_received.append(bytes.at(index));
            ++m_byteCount;
            takeByte(bytes.at(index));
            ++index;
            continue;
        }
        // Column data is counted, never parsed.
        TavrinReceivedJob& job = *m_job;
        qint64 take = std::min(job.expectedDataSize() - job.columnByteCount, size - index);
        bool failsNow = false;
        if (m_configuration.failAfterColumnBytes) {
            const qint64 allowed =
                std::max<qint64>(0, *m_configuration.failAfterColumnBytes - job.columnByteCount);
            if (allowed < take) {
                take = allowed;
                failsNow = true;
            }
        }
        if (m_configuration.keepsColumnData) {
            if (job.columnData.isEmpty()) {
                // One block for the job's columns rather than one grown piece
                // by piece; a claimed size beyond any real head is not trusted.
                constexpr qint64 largestReservation = qint64(1) << 28;
                job.columnData.reserve(std::min(job.expectedDataSize(), largestReservation));
            }
            job.columnData.append(bytes.constData() + index, take);
            m_received.append(bytes.constData() + index, take);
        }
        job.columnByteCount += take;
        m_byteCount += take;
        index += take;
        if (failsNow) {
            m_failed = true;
            return index;
        }
        if (job.isComplete()) {
            m_jobs.append(job);
            m_job.reset();
            m_phase = Phase::idle;
        }
    }
    return index;
}

void TavrinSimulatedDevice::takeByte(char byte) {
    switch (m_phase) {
    case Phase::idle:
        if (byte == esc) {
            m_phase = Phase::sawEscape;
        } else {
            m_protocolErrors << QStringLiteral("unexpected byte 0x%1 at offset %2")
                                    .arg(quint8(byte), 2, 16, QLatin1Char('0'))
                                    .arg(m_byteCount - 1);
        }
        return;
    case Phase::sawEscape:
        if (byte == bar) {
            m_phase = Phase::sawPrefix;
        } else {
            m_protocolErrors
                << QStringLiteral("escape without '|' at offset %1").arg(m_byteCount - 1);
            m_phase = byte == esc ? Phase::sawEscape : Phase::idle;
        }
        return;
    case Phase::sawPrefix:
        m_letter = byte;
        m_arguments.clear();
        if (byte == 'S' || byte == 'U') {
            finishCommand();
        } else if (argumentCount(byte) > 0) {
            m_phase = Phase::arguments;
        } else {
            m_protocolErrors << QStringLiteral("unknown command 0x%1 at offset %2")
                                    .arg(quint8(byte), 2, 16, QLatin1Char('0'))
                                    .arg(m_byteCount - 1);
            m_phase = Phase::idle;
        }
        return;
    case Phase::arguments:
        m_arguments.append(byte);
        if (m_arguments.size() == argumentCount(m_letter)) {
            finishCommand();
        }
        return;
    case Phase::columns:
        return; // handled in bulk by receive()
    }
}

void TavrinSimulatedDevice::finishCommand() {
    m_commands << QString(QLatin1Char(m_letter));
    m_phase = Phase::idle;
    switch (m_letter) {
    case 'S':
        m_reply.append(shaped(stateReply(), m_configuration.stateReplyMode));
        break;
    case 'U':
        m_reply.append(shaped(informationReply(), m_configuration.informationReplyMode));
        break;
    case 'D':
        m_density = qint8(m_arguments.at(0));
        break;
    case 'Y':
        m_yValue = little16(m_arguments, 0);
        break;
    case '0': {
        TavrinReceivedJob job;
        job.density = m_density;
        job.yValue = m_yValue;
        job.dotCount = little16(m_arguments, 0);
        job.columnCount = little16(m_arguments, 2);
        if (job.isComplete()) {
            m_jobs.append(job);
        } else {
            m_job = job;
            m_phase = Phase::columns;
        }
        break;
    }
    default:
        break;
    }
}

QByteArray TavrinSimulatedDevice::shaped(QByteArray reply, ReplyMode mode) const {
    switch (mode) {
    case ReplyMode::normal:
        return reply;
    case ReplyMode::silent:
        return {};
    case ReplyMode::truncated:
        return reply.left(reply.size() / 2);
    case ReplyMode::wrongFrame:
        reply[reply.size() - 1] = 0x00;
        return reply;
    }
    return reply;
}

QByteArray TavrinSimulatedDevice::stateReply() const {
    const Configuration& c = m_configuration;
    QByteArray reply(18, '\0');
    reply[0] = stx;
    reply[2] = c.isBusy ? 1 : 0;
    reply[4] = char(c.firstUnusedValue >> 8);
    reply[5] = char(c.firstUnusedValue & 0xFF);
    reply[6] = char(c.secondUnusedValue >> 8);
    reply[7] = char(c.secondUnusedValue & 0xFF);
    reply[8] = char(c.errorBits >> 8);
    reply[9] = char(c.errorBits & 0xFF);
    reply[10] = char(std::clamp(c.headTemperature, 0, 255));
    reply[17] = etx;
    return reply;
}

QByteArray TavrinSimulatedDevice::informationReply() const {
    const Configuration& c = m_configuration;
    QByteArray reply(36, '\0');
    reply[0] = stx;
    const int firstLength = c.shortInformationLayout ? 8 : 12;
    putText(reply, 2, firstLength, c.firstText);
    putText(reply, 2 + firstLength, 10, c.firmware);
    putText(reply, 12 + firstLength, 8, c.serial);
    reply[35] = etx;
    return reply;
}

QByteArray TavrinSimulatedDevice::takeReply(qint64 maxLength) {
    std::lock_guard lock(m_mutex);
    const QByteArray out = m_reply.left(maxLength);
    m_reply.remove(0, out.size());
    return out;
}

qint64 TavrinSimulatedDevice::pendingReplySize() const {
    std::lock_guard lock(m_mutex);
    return m_reply.size();
}

bool TavrinSimulatedDevice::hasFailed() const {
    std::lock_guard lock(m_mutex);
    return m_failed;
}

void TavrinSimulatedDevice::reconnect() {
    std::lock_guard lock(m_mutex);
    m_failed = false;
    m_reply.clear();
    m_job.reset();
    m_phase = Phase::idle;
}

QList<TavrinReceivedJob> TavrinSimulatedDevice::jobs() const {
    std::lock_guard lock(m_mutex);
    return m_jobs;
}

std::optional<TavrinReceivedJob> TavrinSimulatedDevice::jobInProgress() const {
    std::lock_guard lock(m_mutex);
    return m_job;
}

QByteArray TavrinSimulatedDevice::receivedBytes() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

QStringList TavrinSimulatedDevice::commands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

QStringList TavrinSimulatedDevice::protocolErrors() const {
    std::lock_guard lock(m_mutex);
    return m_protocolErrors;
}

void TavrinSimulatedDevice::clearHistory() {
    std::lock_guard lock(m_mutex);
    m_received.clear();
    m_commands.clear();
    m_protocolErrors.clear();
    m_jobs.clear();
}

} // namespace lunvik

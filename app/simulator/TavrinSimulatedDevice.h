#pragma once

#include "app/simulator/TavrinReceivedJob.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <mutex>
#include <optional>

namespace lunvik {

// A stencil device in software: it reads the host's byte stream as the device
// does, answers the two queries from a configurable state, and keeps every
// job it receives. After the geometry command it counts column bytes rather
// than looking for commands, because column data may contain the command
// prefix. Thread-safe: a transport may feed it while a test inspects it.
class TavrinSimulatedDevice {
public:
    // How the device answers a query.
    enum class ReplyMode {
        normal,
        silent,     // no answer at all
        truncated,  // only the first half of the answer
        wrongFrame, // the last byte is not ETX
    };

    struct Configuration {
        bool isBusy = false;
        quint16 errorBits = 0;
        int headTemperature = 28;
        quint16 firstUnusedValue = 0;
        quint16 secondUnusedValue = 0;
        QByteArray firstText = "TAVRIN";
        QByteArray firmware = "1.02";
        QByteArray serial = "SIM00001";
        // Models whose name begins with "G" answer U with a shorter first field.
        bool shortInformationLayout = false;
        static bool modelUsesShortInformationLayout(const QString& modelName) {
            return modelName.startsWith(QLatin1Char('G'));
        }
        ReplyMode stateReplyMode = ReplyMode::normal;
        ReplyMode informationReplyMode = ReplyMode::normal;
        // The device drops off the bus once this many column bytes of a job
        // have arrived; every later transfer fails.
        std::optional<qint64> failAfterColumnBytes;
        // Off: column bytes are counted but kept neither in the job nor in
        // receivedBytes(), as when only the commands and the count matter.
        bool keepsColumnData = true;
    };

    TavrinSimulatedDevice();
    explicit TavrinSimulatedDevice(Configuration configuration);

    Configuration configuration() const;
    void setConfiguration(const Configuration& configuration);

    // Takes bytes from the host. Returns how many were taken: fewer than
    // given only when the device has failed (see failAfterColumnBytes).
    qint64 receive(const QByteArray& bytes);
    // Hands out up to maxLength bytes of pending answers.
    QByteArray takeReply(qint64 maxLength);
    qint64 pendingReplySize() const;

    bool hasFailed() const;
    // Plugs the device in again: clears the failure, the pending answers and
    // a partly received command, keeps the finished jobs.
    void reconnect();

    // Finished jobs, oldest first, and the job whose columns are still
    // arriving.
    QList<TavrinReceivedJob> jobs() const;
    std::optional<TavrinReceivedJob> jobInProgress() const;
    // Every byte taken since construction (or clearHistory), in order.
    QByteArray receivedBytes() const;
    // The command letters received, in order ("S", "D", "Y", "0", "U").
    QStringList commands() const;
    // Bytes outside any command or job, described for test failures, with
    // their offsets counted from construction.
    QStringList protocolErrors() const;
    void clearHistory();

private:
    // The two answers as the current configuration gives them.
    QByteArray stateReply() const;
    QByteArray informationReply() const;
    void takeByte(char byte);
    void finishCommand();
    QByteArray shaped(QByteArray reply, ReplyMode mode) const;

    enum class Phase { idle, sawEscape, sawPrefix, arguments, columns };

    mutable std::mutex m_mutex;
    Configuration m_configuration;
    Phase m_phase = Phase::idle;
    char m_letter = 0;
    QByteArray m_arguments;
    int m_density = 0;
    int m_yValue = 0;
    std::optional<TavrinReceivedJob> m_job;
    QList<TavrinReceivedJob> m_jobs;
    QByteArray m_reply;
    QByteArray m_received;
    qint64 m_byteCount = 0;
    QStringList m_commands;
    QStringList m_protocolErrors;
    bool m_failed = false;
};

} // namespace lunvik

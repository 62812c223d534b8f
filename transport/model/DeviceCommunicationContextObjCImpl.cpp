#include "transport/model/DeviceCommunicationContextObjCImpl.h"

#include <condition_variable>
#include <mutex>

namespace fennick {

namespace {

// One completion's outcome, waited for by the calling thread. A second call
// of the completion is ignored.
template <typename Outcome> class Rendezvous {
public:
    void deliver(Outcome outcome) {
        {
            std::lock_guard lock(m_mutex);
            if (m_outcome) {
                return;
            }
            m_outcome = std::move(outcome);
        }
        m_done.notify_all();
    }

    Outcome wait() {
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [&] { return m_outcome.has_value(); });
        return std::move(*m_outcome);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::optional<Outcome> m_outcome;
};

struct ReadOutcome {
    std::optional<QByteArray> data;
    std::shared_ptr<const platform::Error> error;
};

} // namespace

DeviceCommunicationContextObjCImpl::DeviceCommunicationContextObjCImpl() = default;
DeviceCommunicationContextObjCImpl::~DeviceCommunicationContextObjCImpl() = default;

void DeviceCommunicationContextObjCImpl::sendData(const QByteArray&, SendCompletion completion) {
    completion(nullptr);
}

void DeviceCommunicationContextObjCImpl::readDataWithLength(quint64, ReadCompletion completion) {
    completion(std::nullopt, nullptr);
}

void DeviceCommunicationContextObjCImpl::performSend(const QByteArray& data) {
    // Shared so that a completion arriving late on another thread finds it.
    auto rendezvous = std::make_shared<Rendezvous<std::shared_ptr<const platform::Error>>>();
    sendData(data, [rendezvous](std::shared_ptr<const platform::Error> error) {
        rendezvous->deliver(std::move(error));
    });
    if (const auto error = rendezvous->wait()) {
        error->raise();
    }
}

QByteArray DeviceCommunicationContextObjCImpl::performRead(std::optional<qint64> length) {
    auto rendezvous = std::make_shared<Rendezvous<ReadOutcome>>();
    readDataWithLength(
        length ? quint64(*length) : noLength,
        [rendezvous](std::optional<QByteArray> data, std::shared_ptr<const platform::Error> error) {
            rendezvous->deliver({std::move(data), std::move(error)});
        });
    ReadOutcome outcome = rendezvous->wait();
    if (outcome.error) {
        outcome.error->raise();
    }
    return outcome.data.value_or(QByteArray());
}

} // namespace fennick

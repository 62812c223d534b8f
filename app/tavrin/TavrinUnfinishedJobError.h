#pragma once

#include "model/errors/LocalizableError.h"

#include <memory>

namespace lunvik {

// A print refused before anything of it is sent: an earlier job stopped in
// the middle of its columns, and the device, which has no command to abort
// a job, does not answer as one that has finished: it would take this job's
// bytes as the rest of that one. It carries the failure of the question.
class TavrinUnfinishedJobError : public ambrel::LocalizableError {
public:
    static const QString domain;

    explicit TavrinUnfinishedJobError(const platform::Error& cause);

    const platform::Error& cause() const { return *m_cause; }

    QString errorTypeIdentifier() const override { return QStringLiteral("TavrinJob"); }
    QString codeIdentifier() const override { return QStringLiteral("unfinished"); }
    ambrel::LocalizedStringTable table() const override;

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

private:
    std::shared_ptr<const platform::Error> m_cause;
};

} // namespace lunvik

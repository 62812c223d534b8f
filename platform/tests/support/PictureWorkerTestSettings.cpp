#include "platform/tests/support/PictureWorkerTestSettings.h"

#include "platform/worker/PictureWorkerLimits.h"
#include "platform/worker/PictureWorkerPool.h"

#include <QtGlobal>

namespace {

using Limits = platform::PictureWorkerLimits;

void restore(const char* name, const QByteArray& value) {
    if (value.isNull()) {
        qunsetenv(name);
    } else {
        qputenv(name, value);
    }
}

} // namespace

PictureWorkerTestSettings::PictureWorkerTestSettings(bool faults, int deadline)
    : m_faults(qgetenv(Limits::testFaultsVariable)), m_deadline(qgetenv(Limits::deadlineVariable)) {
    if (!qEnvironmentVariableIsSet(Limits::testFaultsVariable)) {
        m_faults = QByteArray();
    }
    if (!qEnvironmentVariableIsSet(Limits::deadlineVariable)) {
        m_deadline = QByteArray();
    }
    platform::PictureWorkerPool::shared().endIdleWorkers();
    qputenv(Limits::testFaultsVariable, faults ? "1" : "0");
    if (deadline > 0) {
        qputenv(Limits::deadlineVariable, QByteArray::number(deadline));
    }
}

PictureWorkerTestSettings::~PictureWorkerTestSettings() {
    platform::PictureWorkerPool::shared().endIdleWorkers();
    restore(Limits::testFaultsVariable, m_faults);
    restore(Limits::deadlineVariable, m_deadline);
}

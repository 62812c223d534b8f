#include "transport/dari/PipeSubdata.h"

#include "platform/Log.h"

namespace dari {

void pipe_enumerateSubdataWithStrideLength(
    const QByteArray& data, qsizetype strideLength,
    const std::function<void(const QByteArray& slice, bool& stop)>& handler) {
    if (strideLength <= 0) {
        platform::Log::fatal(QStringLiteral("slicing data with the stride %1").arg(strideLength));
    }
    bool stop = false;
    for (qsizetype start = 0; start < data.size() && !stop; start += strideLength) {
        handler(data.mid(start, strideLength), stop);
    }
}

} // namespace dari

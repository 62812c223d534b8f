#pragma once

#include <QByteArray>

#include <functional>

namespace dari {

// Hands consecutive slices of at most strideLength bytes to the handler, from
// the start, until the data is used up or the handler sets its stop flag.
// Empty data calls nothing.
void pipe_enumerateSubdataWithStrideLength(
    const QByteArray& data, qsizetype strideLength,
    const std::function<void(const QByteArray& slice, bool& stop)>& handler);

} // namespace dari

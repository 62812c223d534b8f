#pragma once

#include <QByteArray>
#include <QImage>

namespace lunvik {

// One job as the simulated device received it: the settings that came before
// the geometry command and the raw column data after it.
struct TavrinReceivedJob {
    int density = 0;
    int yValue = 0;
    int dotCount = 0;
    int columnCount = 0;
    QByteArray columnData;
    // Column bytes that arrived, whether columnData keeps them or not.
    qint64 columnByteCount = 0;

    qint64 bytesPerColumn() const { return (dotCount + 7) / 8; }
    qint64 expectedDataSize() const { return qint64(columnCount) * bytesPerColumn(); }
    bool isComplete() const { return columnByteCount == expectedDataSize(); }

    // The job as the device images it, in canvas orientation: one row per
    // column received (the first column at the top), one pixel per head dot
    // (the first dot at the left, the most significant bit of a byte first).
    // Black pixels are the dots that carry ink. Columns that never arrived
    // stay white.
    QImage picture() const;
};

} // namespace lunvik

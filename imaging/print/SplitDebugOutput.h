#pragma once

#include "imaging/print/SplitPart_mm.h"
#include "imaging/print/XYBitmapInfo_px.h"
#include "model/units/Dpi.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace quenta {

// Writes the bitmaps of a split job as PNG files into "PRINT_DEBUG_PARTS" on
// the user's desktop instead of printing them, lists them on standard error
// and shows the folder, so a developer can see how a job was cut. Each run
// replaces the folder. Runs on the main thread; every failure is ignored.
class SplitDebugOutput {
public:
    static constexpr const char* folderName = "PRINT_DEBUG_PARTS";

    // The emptied folder on the desktop (the XDG user directory), or none
    // when there is no desktop folder. The desktop is never created; a link
    // in the folder's place is removed, never followed.
    static std::optional<QString> preparedFolder();

    // "{x, y}, {w, h}": the place and the pixel size in whole millimetres.
    static QString partName(const SplitPart_mm& part, ambrel::Dpi dpi);
    static void writeDebugParts(const std::vector<SplitPart_mm>& parts, ambrel::Dpi dpi);

    // "n {x, y}, {w, h}": the index, then the place and size in whole
    // millimetres; the files are written at the same time.
    static QString bitmapName(qsizetype index, const XYBitmapInfo_px& info, ambrel::Dpi dpi);
    static void writeDebugBitmaps_px(const QList<XYBitmapInfo_px>& infos, ambrel::Dpi dpi);

    // The shortest text that reads back as the number, always with a
    // fractional part: 2.5 as "2.5", three as "3.0".
    static QString shortestRealText(double value);
};

} // namespace quenta

#pragma once

namespace ambrel {

// The row of an anchor on the canvas.
enum class OffsetBaseVerticalPosition { top, middle, bottom };

// The column of an anchor on the canvas.
enum class OffsetBaseHorizontalPosition { left, middle, right };

} // namespace ambrel

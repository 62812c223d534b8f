#pragma once

namespace platform {
class Bundle;
}

namespace quenta {

// The "expandBlack" kernel: grows the black areas of a black-and-white
// picture (a positive level) or its white areas (a negative one) by painting
// around every pixel of the growing colour, from the picture as it was:
//
//   |level| 1: the pixel; when its x and y are both even, also the pixel
//              above and the one to the right
//   |level| 2: the same unless x and y are both odd
//   |level| 3: the pixel, the one above and the one to the right
//   |level| 4: the pixel and its four edge neighbours
//   |level| 5: the 3 x 3 block around it
//
// on a field of the other colour; beyond 5 only the field remains, and level
// 0 leaves the picture as it is. Pixels below 128 count as black, and the
// result is 0 and 255 only. A device dot may span several pixels: then every
// step above is that many pixels long, and the parities are those of the dot.
//
// Parameters: 0 the level (int32), 1 the pixels per device dot (int32, at
// least 1). It runs in bands and may write where it reads; byte maps before
// it run inside its pass.
class BlackExpansionKernel {
public:
    static void registerIn(const platform::Bundle* bundle);
};

} // namespace quenta

#pragma once

#include "document/ImageDocument.h"

#include <cstdint>

namespace vtt {

// What a file's header says of its image, without its pixels: what a read
// would give but the store, for looking at a file whatever it claims.
struct ImageOutline {
    int width = 0;
    int height = 0;
    int depth = 0;
    FileFacts Facts;

    std::int16_t ImageWidth() const { return static_cast<std::int16_t>(width); }
    std::int16_t ImageHeight() const { return static_cast<std::int16_t>(height); }
    std::uint8_t BitDepth() const { return static_cast<std::uint8_t>(depth); }
};

} // namespace vtt

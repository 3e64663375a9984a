#pragma once

#include "codecs/ByteIo.h"
#include "codecs/ReadResult.h"
#include "document/ImageDocument.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vtt {

// Where one mip level of a TEX file lies, in the layout this tool writes:
// the levels follow each other after the palette, each half the size of the
// one before (never below 1 x 1), one palette index a pixel for types 1, 14
// and 15, three bytes for 17 and four for 18.
struct MipLevel {
    int width = 0;
    int height = 0;
    std::size_t offset = 0; // first byte in the file
    std::size_t size = 0;   // bytes the level takes
    bool whole = false;     // every byte is in the file
};

// The levels a TEX file's header announces (at least one), for a readable
// type; none for a file too short for its header or of another type. The
// list stops after the first level that is not whole.
std::vector<MipLevel> texMipLevels(Bytes file);

// Where the last level the header of a readable type announces ends: all a
// reader or the mip view needs of the file. 0 for other headers.
std::uint64_t texLevelsEnd(Bytes head);

// How many levels from level 0 on are whole in the file: the ones that can
// be shown.
int wholeMipLevels(const std::vector<MipLevel>& levels);

// Level k of the TEX file as a document of its own, for showing: the
// palette and depth of `level0` (the document read from the same file), the
// level's size and pixels. An error when the level is not whole.
Result<ImageDocument> readTexLevel(Bytes file, const ImageDocument& level0, int k);

} // namespace vtt

#pragma once

#include "codecs/ByteIo.h"
#include "document/PixelKernels.h"

#include <string>

namespace vtt::runlength {

// Decodes Targa run-length packets of 3- or 4-byte pixels straight into
// `pixels` RGBA pixels at `out`, through the vector kernels. A packet
// reaching past the image's end is cut there, and only the pixels used must
// be present; nothing is read past the bytes `in` holds, and `in` advances
// past the packets used. Returns an empty string, or why the data is short.
std::string decode(ByteReader& in, std::uint8_t* out, std::size_t pixels, const kernels::PixelShuffle& shuffle);

} // namespace vtt::runlength

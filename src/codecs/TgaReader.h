#pragma once

#include "codecs/ByteIo.h"
#include "codecs/ReadResult.h"

namespace vtt {

// Decodes a whole Targa file. `previous` supplies what a TGA load keeps (the
// TEX header fields, palette entries when the file has no map); the file name
// is left for the caller to set.
ReadResult readTga(Bytes file, const ImageDocument& previous);

} // namespace vtt

#include "codecs/TgaReader.h"

namespace vtt {

ReadResult readTga(Bytes, const ImageDocument&)
{
    return malformed("Targa files cannot be read yet");
}

} // namespace vtt

// Any byte string read as a Targa file: the reader must refuse or produce a
// consistent document, never read outside the input.

#include "FuzzChecks.h"
#include "codecs/TgaReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vtt;
    static const ImageDocument previous = fuzz::previousDocument();
    ReadResult result = readTga(Bytes(data, size), previous);
    if (!result.ok()) {
        fuzz::check(!result.error().detail.empty(), "refusal without a reason");
        return 0;
    }
    ImageDocument& doc = result.document();
    fuzz::checkDocument(doc);
    fuzz::check(doc.FileKind == DocumentKind::Tga, "Targa load did not mark the document TGA");
    fuzz::check(doc.TexType == previous.TexType && doc.MipCount == previous.MipCount
                    && doc.TexUnknown == previous.TexUnknown && doc.TexBits == previous.TexBits,
                "Targa load changed the kept TEX header");
    fuzz::exerciseOperations(doc);
    return 0;
}

// Any byte string read as a TEX file: the reader must refuse or produce a
// consistent document, never read outside the input.

#include "FuzzChecks.h"
#include "codecs/TexReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vtt;
    static const ImageDocument previous = fuzz::previousDocument();
    ReadResult result = readTex(Bytes(data, size), previous);
    if (!result.ok()) {
        fuzz::check(!result.error().detail.empty(), "refusal without a reason");
        return 0;
    }
    ImageDocument& doc = result.document();
    fuzz::checkDocument(doc);
    fuzz::check(doc.FileKind == DocumentKind::Tex, "TEX load did not mark the document TEX");
    fuzz::check(doc.TgaImageType == previous.TgaImageType && doc.TgaDescriptor == previous.TgaDescriptor,
                "TEX load changed the kept Targa header");
    fuzz::exerciseOperations(doc);
    return 0;
}

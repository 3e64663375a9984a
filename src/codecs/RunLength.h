#pragma once

#include "codecs/ByteIo.h"
#include "codecs/TgaFormat.h"
#include "document/PixelKernels.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vtt::runlength {

// Why run-length data ended before all pixels were decoded.
std::string endsAfter(std::size_t done, std::size_t pixels);
std::string endsInsidePacket(std::size_t done, std::size_t pixels);

// Decodes Targa run-length packets of 3- or 4-byte pixels straight into the
// document's RGBA array, through the vector kernels. Same contract as below.
std::string decode(ByteReader& in, std::uint8_t* out, std::size_t pixels, const kernels::PixelShuffle& shuffle);

// Decodes packets straight into the document's array. A packet reaching past
// the image's end is cut there, and only the pixels used must be present;
// nothing is read past the bytes `in` holds. Px says how many bytes one
// pixel takes in the file (In) and in the document (Out), and converts one
// pixel (put) or a span (convert); a Px with a Shuffle goes to the kernels.
// Returns an empty string, or why the data is short.
template <class Px>
std::string decode(ByteReader& in, std::uint8_t* out, std::size_t pixels)
{
    if constexpr (requires { Px::Shuffle; })
        return decode(in, out, pixels, Px::Shuffle);
    std::size_t done = 0;
    while (done < pixels) {
        if (!in.has(1))
            return endsAfter(done, pixels);
        const std::uint8_t head = in.u8();
        const std::size_t count = std::min<std::size_t>((head & tga::packet::CountMask) + 1u, pixels - done);
        const bool run = head & tga::packet::RunFlag;
        const std::size_t stored = run ? Px::In : count * Px::In;
        if (!in.has(stored))
            return endsInsidePacket(done, pixels);
        std::uint8_t* dst = out + done * Px::Out;
        if (run) {
            std::uint8_t value[Px::Out];
            Px::put(in.take(Px::In).data(), value);
            if constexpr (Px::Out == 1) {
                std::memset(dst, value[0], count);
            } else {
                for (std::size_t i = 0; i < count; ++i, dst += Px::Out)
                    std::memcpy(dst, value, Px::Out);
            }
        } else {
            Px::convert(in.take(stored).data(), dst, count);
        }
        done += count;
    }
    return {};
}

} // namespace vtt::runlength

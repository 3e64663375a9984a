#pragma once

// Synthetic texture files for the benchmarks. Contents are deterministic
// noise, except the run-length image, which mixes runs and literal stretches
// the way painted textures do.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vtt::bench {

enum class FileLayout {
    Tex1,      // 256-entry palette, one index a pixel
    Tex17,     // red, green, blue
    Tex18,     // red, green, blue, alpha
    Tga8,      // colour-mapped, 256 entries of 24 bits
    Tga24,     // blue, green, red
    Tga32,     // blue, green, red, alpha
    Tga32Rle,  // run-length packets of 32-bit pixels
};

const char* layoutName(FileLayout layout);

// A field of /proc/self/status ("VmRSS", "VmHWM") in KiB; -1 when absent.
long statusKib(const char* field);
bool isTga(FileLayout layout);

// Bytes a reader produces for the image: one index a pixel for palette
// layouts, four bytes a pixel otherwise (the document's own format).
std::size_t decodedBytes(FileLayout layout, int side);

// A complete side x side file of the layout.
std::vector<std::uint8_t> makeFile(FileLayout layout, int side);

// A cached copy, so that each size is built once per run.
const std::vector<std::uint8_t>& cachedFile(FileLayout layout, int side);

// Writes `bytes` to a fresh file in the temporary folder and returns its path.
std::string writeTempFile(const std::string& name, const std::vector<std::uint8_t>& bytes);

} // namespace vtt::bench

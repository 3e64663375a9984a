#include "BenchFiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <utility>

namespace vtt::bench {

namespace {

// xorshift: fast, deterministic, no pattern a decoder could exploit.
struct Noise {
    std::uint32_t state = 0x9E3779B9u;
    std::uint8_t next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<std::uint8_t>(state >> 11);
    }
    void fill(std::vector<std::uint8_t>& out, std::size_t count)
    {
        const std::size_t at = out.size();
        out.resize(at + count);
        for (std::size_t i = 0; i < count; ++i)
            out[at + i] = next();
    }
};

void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> texFile(int side, int type)
{
    std::vector<std::uint8_t> out;
    putLe(out, static_cast<std::uint32_t>(side), 2);
    putLe(out, static_cast<std::uint32_t>(side), 2);
    putLe(out, static_cast<std::uint32_t>(type), 2);
    putLe(out, 1, 2);
    putLe(out, 0, 2);
    putLe(out, 0, 4);
    const std::size_t n = static_cast<std::size_t>(side) * side;
    Noise noise;
    if (type == 1)
        noise.fill(out, 1024 + n);
    else
        noise.fill(out, (type == 17 ? 3 : 4) * n);
    return out;
}

std::vector<std::uint8_t> tgaHeader(int side, int depth, int imageType, bool colourMap)
{
    std::vector<std::uint8_t> out;
    out.push_back(0);                   // no image ID
    out.push_back(colourMap ? 1 : 0);   // colour-map type
    out.push_back(static_cast<std::uint8_t>(imageType));
    putLe(out, 0, 2);                   // first map entry
    putLe(out, colourMap ? 256 : 0, 2); // map length
    out.push_back(colourMap ? 24 : 0);  // map entry size
    putLe(out, 0, 2);                   // x origin
    putLe(out, 0, 2);                   // y origin
    putLe(out, static_cast<std::uint32_t>(side), 2);
    putLe(out, static_cast<std::uint32_t>(side), 2);
    out.push_back(static_cast<std::uint8_t>(depth));
    out.push_back(depth == 32 ? 0x28 : 0x20); // top-left origin, alpha bits
    return out;
}

// The version 2 footer: Qt's plugin refuses files without it; the other
// readers ignore what follows the pixels.
void appendFooter(std::vector<std::uint8_t>& out)
{
    putLe(out, 0, 4); // no extension area
    putLe(out, 0, 4); // no developer area
    const char signature[] = "TRUEVISION-XFILE.";
    out.insert(out.end(), signature, signature + sizeof signature); // with its NUL
}

std::vector<std::uint8_t> tgaPixels(FileLayout layout, int side)
{
    const std::size_t n = static_cast<std::size_t>(side) * side;
    Noise noise;
    switch (layout) {
    case FileLayout::Tga8: {
        auto out = tgaHeader(side, 8, 1, true);
        noise.fill(out, 768 + n);
        return out;
    }
    case FileLayout::Tga24: {
        auto out = tgaHeader(side, 24, 2, false);
        noise.fill(out, 3 * n);
        return out;
    }
    case FileLayout::Tga32: {
        auto out = tgaHeader(side, 32, 2, false);
        noise.fill(out, 4 * n);
        return out;
    }
    default: break;
    }
    // Run-length: alternate a run of 1..32 equal pixels with a literal
    // packet of 1..32 pixels; packets never cross a row (both readers of the
    // format accept that, and writers produce it).
    auto out = tgaHeader(side, 32, 10, false);
    for (int y = 0; y < side; ++y) {
        int x = 0;
        bool run = (y & 1) != 0;
        while (x < side) {
            int count = 1 + noise.next() % 32;
            if (count > side - x)
                count = side - x;
            if (run) {
                out.push_back(static_cast<std::uint8_t>(0x80 | (count - 1)));
                noise.fill(out, 4);
            } else {
                out.push_back(static_cast<std::uint8_t>(count - 1));
                noise.fill(out, 4 * static_cast<std::size_t>(count));
            }
            x += count;
            run = !run;
        }
    }
    return out;
}

std::vector<std::uint8_t> tgaFile(FileLayout layout, int side)
{
    auto out = tgaPixels(layout, side);
    appendFooter(out);
    return out;
}

} // namespace

const char* layoutName(FileLayout layout)
{
    switch (layout) {
    case FileLayout::Tex1: return "tex1";
    case FileLayout::Tex17: return "tex17";
    case FileLayout::Tex18: return "tex18";
    case FileLayout::Tga8: return "tga8";
    case FileLayout::Tga24: return "tga24";
    case FileLayout::Tga32: return "tga32";
    case FileLayout::Tga32Rle: return "tga32rle";
    }
    return "?";
}

bool isTga(FileLayout layout)
{
    return layout == FileLayout::Tga8 || layout == FileLayout::Tga24 || layout == FileLayout::Tga32
        || layout == FileLayout::Tga32Rle;
}

std::size_t decodedBytes(FileLayout layout, int side)
{
    const std::size_t n = static_cast<std::size_t>(side) * side;
    return (layout == FileLayout::Tex1 || layout == FileLayout::Tga8) ? n : 4 * n;
}

std::vector<std::uint8_t> makeFile(FileLayout layout, int side)
{
    switch (layout) {
    case FileLayout::Tex1: return texFile(side, 1);
    case FileLayout::Tex17: return texFile(side, 17);
    case FileLayout::Tex18: return texFile(side, 18);
    default: return tgaFile(layout, side);
    }
}

const std::vector<std::uint8_t>& cachedFile(FileLayout layout, int side)
{
    static std::map<std::pair<FileLayout, int>, std::vector<std::uint8_t>> cache;
    auto& slot = cache[{layout, side}];
    if (slot.empty())
        slot = makeFile(layout, side);
    return slot;
}

std::string writeTempFile(const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
    return path.string();
}

long statusKib(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

} // namespace vtt::bench

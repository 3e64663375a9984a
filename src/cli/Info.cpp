#include "cli/Commands.h"

#include <cstdio>
#include <new>
#include <string_view>

namespace vtt::cli {

namespace {

// Bytes of a valid UTF-8 sequence starting at `at`, or 0.
std::size_t utf8Length(std::string_view s, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || at + length > s.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return length;
}

// A JSON string. File names are bytes: any that are not UTF-8 become U+FFFD,
// so that every line stays valid JSON.
std::string jsonString(std::string_view s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t length = utf8Length(s, i)) {
            out.append(s.substr(i, length));
            i += length;
        } else {
            out += "\\ufffd";
            ++i;
        }
    }
    return out + "\"";
}

struct Field {
    const char* key;   // in JSON
    const char* label; // in the text line
    long long value;
};

std::vector<Field> headerFields(const ImageDocument& doc)
{
    if (doc.FileKind == DocumentKind::Tex)
        return {{"type", "type", doc.Tex.Type},
                {"unknown", "unknown", doc.Tex.Unknown},
                {"bits", "bits", doc.Tex.Bits}};
    if (doc.FileKind == DocumentKind::Png)
        return {{"colorType", "colour type", doc.Png.ColorType},
                {"bitDepth", "bits per sample", doc.Png.BitDepth},
                {"interlace", "interlace", doc.Png.Interlace}};
    const TgaHeader& h = doc.Tga;
    return {{"idLength", "ID length", h.IdLength},
            {"colorMapType", "colour map type", h.ColorMapType},
            {"imageType", "image type", h.ImageType},
            {"firstEntryIndex", "first map entry", h.FirstEntryIndex},
            {"colorMapLength", "map length", h.ColorMapLength},
            {"colorMapEntrySize", "map entry size", h.ColorMapEntrySize},
            {"descriptor", "descriptor", h.Descriptor}};
}

void printInfo(const std::string& path, const ImageDocument& doc, bool json)
{
    const bool tex = doc.FileKind == DocumentKind::Tex;
    const bool png = doc.FileKind == DocumentKind::Png;
    const char* format = tex ? "tex" : png ? "png" : "tga";
    // A Targa or PNG holds one level; a TEX file as many as its header says.
    const int mips = tex ? doc.Tex.MipCount : 1;
    std::string line;
    if (json) {
        line = "{\"file\":" + jsonString(path) + ",\"format\":\"" + format + "\",\"width\":"
            + std::to_string(doc.ImageWidth) + ",\"height\":" + std::to_string(doc.ImageHeight)
            + ",\"depth\":" + std::to_string(doc.BitDepth) + ",\"mips\":" + std::to_string(mips) + ",\""
            + format + "\":{";
        const char* separator = "";
        for (const Field& field : headerFields(doc)) {
            line += separator + std::string("\"") + field.key + "\":" + std::to_string(field.value);
            separator = ",";
        }
        line += "}}";
    } else {
        line = path + ": " + (tex ? "TEX" : png ? "PNG" : "Targa") + ", " + std::to_string(doc.ImageWidth) + " x "
            + std::to_string(doc.ImageHeight) + ", " + std::to_string(doc.BitDepth) + " bits, mips "
            + std::to_string(mips);
        for (const Field& field : headerFields(doc))
            line += ", " + std::string(field.label) + " " + std::to_string(field.value);
    }
    std::printf("%s\n", line.c_str());
}

} // namespace

int runInfo(const InfoOptions& options)
{
    int status = 0;
    for (const std::string& path : options.inputs) {
        // Out of memory fails this file alone, with a fixed text.
        try {
            // The header alone: no pixel is decoded, whatever the file claims.
            auto peeked = peekImage(path, options.as ? *options.as : formatForPath(path));
            if (peeked.ok()) {
                printInfo(path, peeked.value(), options.json);
                // With SIGPIPE ignored, a reader that went away (`| head`)
                // shows as a failed write: nobody is left to show the rest to.
                if (std::ferror(stdout))
                    return 1;
                continue;
            }
            status = 1;
            const FileError& error = peeked.error();
            const std::string problem = error.kind == FileFailure::UnsupportedTexType
                ? "its TEX " + error.detail + " is not supported"
                : error.detail;
            if (options.json)
                std::printf("{\"file\":%s,\"error\":%s}\n", jsonString(path).c_str(), jsonString(problem).c_str());
            std::fflush(stdout);
            std::fprintf(stderr, "vtt: %s: %s\n", path.c_str(), problem.c_str());
        } catch (const std::bad_alloc&) {
            status = 1;
            std::fflush(stdout);
            std::fprintf(stderr, "vtt: %s: there is not enough memory to look at it\n", path.c_str());
        }
    }
    return status;
}

} // namespace vtt::cli

#include "cli/Commands.h"

#include "files/PrintableName.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string_view>

namespace vtt::cli {

namespace {

// A JSON string. File names are bytes: any that are not UTF-8 become U+FFFD,
// so that every line stays valid JSON, and control characters (C1 too) are
// escaped, so that no terminal acts on them.
std::string jsonString(std::string_view s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t length = utf8Length(s, i);
        // The C1 controls U+0080 to U+009F are 0xC2 0x80 to 0xC2 0x9F.
        const bool c1 = length == 2 && c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F || c1) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c1 ? static_cast<unsigned char>(s[i + 1]) : c);
            out += escaped;
        } else if (length) {
            out.append(s.substr(i, length));
        } else {
            out += "\\ufffd";
        }
        i += std::max<std::size_t>(length, 1);
    }
    return out + "\"";
}

struct Field {
    const char* key;   // in JSON
    const char* label; // in the text line
    long long value;
};

std::vector<Field> headerFields(const ImageOutline& doc)
{
    if (doc.Facts.Kind == ImageFormat::Tex)
        return {{"type", "type", doc.Facts.Tex.Type},
                {"unknown", "unknown", doc.Facts.Tex.Unknown},
                {"bits", "bits", doc.Facts.Tex.Bits}};
    if (doc.Facts.Kind == ImageFormat::Png)
        return {{"colorType", "colour type", doc.Facts.Png.ColorType},
                {"bitDepth", "bits per sample", doc.Facts.Png.BitDepth},
                {"interlace", "interlace", doc.Facts.Png.Interlace}};
    const TgaHeader& h = doc.Facts.Tga;
    return {{"idLength", "ID length", h.IdLength},
            {"colorMapType", "colour map type", h.ColorMapType},
            {"imageType", "image type", h.ImageType},
            {"firstEntryIndex", "first map entry", h.FirstEntryIndex},
            {"colorMapLength", "map length", h.ColorMapLength},
            {"colorMapEntrySize", "map entry size", h.ColorMapEntrySize},
            {"descriptor", "descriptor", h.Descriptor}};
}

void printInfo(const std::string& path, const ImageOutline& doc, bool json)
{
    const FormatEntry& entry = formatEntry(doc.Facts.Kind.value_or(ImageFormat::Tga));
    const bool tex = entry.texFields;
    const char* format = entry.extension + 1;
    // A Targa or PNG holds one level; a TEX file as many as its header says.
    const int mips = tex ? doc.Facts.Tex.MipCount : 1;
    std::string line;
    if (json) {
        line = "{\"file\":" + jsonString(path) + ",\"format\":\"" + format + "\",\"width\":"
            + std::to_string(doc.ImageWidth()) + ",\"height\":" + std::to_string(doc.ImageHeight())
            + ",\"depth\":" + std::to_string(doc.BitDepth()) + ",\"mips\":" + std::to_string(mips) + ",\""
            + format + "\":{";
        const char* separator = "";
        for (const Field& field : headerFields(doc)) {
            line += separator + std::string("\"") + field.key + "\":" + std::to_string(field.value);
            separator = ",";
        }
        line += "}}";
    } else {
        line = printableName(path) + ": " + entry.title + ", " + std::to_string(doc.ImageWidth()) + " x "
            + std::to_string(doc.ImageHeight()) + ", " + std::to_string(doc.BitDepth()) + " bits, mips "
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
            if (peeked.has_value()) {
                printInfo(path, peeked.value(), options.json);
                // With SIGPIPE ignored, a reader that went away (`| head`)
                // shows as a failed write: nobody is left to show the rest to.
                if (std::ferror(stdout))
                    return 1;
                continue;
            }
            status = 1;
            const std::string problem = problemOf(peeked.error());
            if (options.json)
                std::printf("{\"file\":%s,\"error\":%s}\n", jsonString(path).c_str(), jsonString(problem).c_str());
            std::fflush(stdout);
            std::fprintf(stderr, "vtt: %s: %s\n", printableName(path).c_str(), printableName(problem).c_str());
        } catch (const std::bad_alloc&) {
            status = 1;
            std::fflush(stdout);
            std::fputs("vtt: ", stderr);
            writePrintable(path, stderr);
            std::fputs(": there is not enough memory to look at it\n", stderr);
        }
    }
    return status;
}

} // namespace vtt::cli

#include "cli/Options.h"

#include "cli/Memory.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <initializer_list>

namespace vtt::cli {

namespace {

const char* const ProgramUsage = "usage: vtt info [--json] [--as tex|tga|png] FILE...\n"
                                 "       vtt convert [--to tex|tga|png] (-o OUT | --out-dir DIR) [options] FILE...\n";

const char* const ProgramHelp =
    "Reads and converts TEX, Targa and PNG textures with the same rules as the Vellicor Texture Tool window.\n"
    "\n"
    "Commands:\n"
    "  info      show format, size, bit depth, header fields and mip count of each file\n"
    "  convert   convert files between TEX, Targa and PNG, as the window's Save writes them\n"
    "\n"
    "A name ending in .tex (any letter case) is read as TEX, in .png as PNG, anything else as Targa.\n"
    "Run 'vtt COMMAND --help' for a command's options; 'man vtt' for the whole manual.\n";

const char* const InfoUsage = "usage: vtt info [--json] [--as tex|tga|png] FILE...\n";

const char* const InfoHelp = "Shows what each file holds, one line per file.\n"
                             "\n"
                             "  --json            one JSON object per line per file, for scripts\n"
                             "  --as tex|tga|png  read every file as this format, whatever its name\n";

const char* const ConvertUsage = "usage: vtt convert [--to tex|tga|png] (-o OUT | --out-dir DIR) [options] FILE...\n";

const char* const ConvertHelp =
    "Converts each file as the window's Save writes it, after the optional palette, flip, mirror,\n"
    "rotation, channel switch, scaling, colour mode and TEX type (applied in that order).\n"
    "\n"
    "  --to tex|tga|png   output format; may be left out when -o OUT ends in .tex, .tga or .png\n"
    "  -o OUT             the output file (one input only)\n"
    "  --out-dir DIR      one output per input in DIR (created if missing), named after the input\n"
    "                     with the extension .tex, .tga or .png\n"
    "  --as tex|tga|png   read every input as this format, whatever its name\n"
    "  --mips N           TEX mip count (default: the source's for TEX, 1 for Targa or PNG)\n"
    "  --unknown N        TEX unknown field (default: the source's for TEX, 0 for Targa or PNG)\n"
    "  --bits N           TEX bits field (default: the source's for TEX, 0 for Targa or PNG)\n"
    "  --palette FILE     take the colours of a .pal, .gpl or .act palette file; palette images only\n"
    "  --flip             turn the image upside down\n"
    "  --mirror           turn the image left to right\n"
    "  --rotate DEGREES   turn the image clockwise by 90, 180 or 270 degrees\n"
    "  --channels R,G,B,A for red, green, blue and alpha in turn, the channel it takes its value\n"
    "                     from (B,G,R,A exchanges red and blue); 24- and 32-bit images only\n"
    "  --resize WxH       scale to W x H pixels (1 to 32767 each)\n"
    "  --pow2 up|down     scale each side to the next or previous power of two\n"
    "  --filter NAME      box, triangle, catmull-rom or mitchell (default) for --resize and --pow2;\n"
    "                     palette images always take the nearest pixel\n"
    "  --mode MODE        indexed256, indexed16, rgb or rgba: reduce colours, expand a palette,\n"
    "                     drop alpha or add opaque alpha\n"
    "  --colors N         colours of an indexed mode: 2 to 256, at most 16 for indexed16\n"
    "                     (default: 256 or 16)\n"
    "  --dither none|fs   Floyd-Steinberg dithering when reducing colours (default: none)\n"
    "  --type T           TEX type 1, 14, 15, 17 or 18; changes the mode to the type's first\n"
    "                     (default: the type that fits the mode)\n"
    "  --mip-filter box|linear  further TEX mip levels: box in stored values (default) or\n"
    "                     linear light, which keeps cut-out alpha coverage\n"
    "  -f, --force        replace existing output files\n"
    "  -j, --jobs N       worker threads (default: one per core)\n"
    "  --memory SIZE      memory the images being converted at once may take, such as 512M or 4G\n"
    "                     (K, M and G are powers of 1024; default: what the system has available)\n"
    "\n"
    "Exit status: 0 when every file was converted, 1 when any failed, 2 for a usage error.\n";

std::string lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "tex", "tga" or "png", in any case.
std::optional<ImageFormat> formatNamed(const std::string& text) { return vtt::formatNamed(lowered(text)); }

// Walks the arguments, splitting "--name=value" and handing out values.
class ArgumentReader {
public:
    ArgumentReader(const std::vector<std::string>& args, std::string command)
        : args_(args), command_(std::move(command))
    {
    }

    // The next option name, or nothing when the arguments are used up;
    // arguments that are not options go to `inputs`.
    std::optional<std::string> nextOption(std::vector<std::string>& inputs)
    {
        while (index_ < args_.size()) {
            const std::string& arg = args_[index_++];
            if (arg == "--") {
                inputs.insert(inputs.end(), args_.begin() + static_cast<std::ptrdiff_t>(index_), args_.end());
                index_ = args_.size();
                return std::nullopt;
            }
            if (arg.size() < 2 || arg[0] != '-') {
                inputs.push_back(arg);
                continue;
            }
            const auto equals = arg.find('=');
            if (arg.starts_with("--") && equals != std::string::npos) {
                inlineValue_ = arg.substr(equals + 1);
                return arg.substr(0, equals);
            }
            // "-j4", "-oOUT"
            if (arg[1] != '-' && arg.size() > 2 && (arg[1] == 'j' || arg[1] == 'o')) {
                inlineValue_ = arg.substr(2);
                return arg.substr(0, 2);
            }
            inlineValue_.reset();
            return arg;
        }
        return std::nullopt;
    }

    std::string value(const std::string& option)
    {
        if (inlineValue_) {
            std::string v = std::move(*inlineValue_);
            inlineValue_.reset();
            return v;
        }
        if (index_ >= args_.size())
            throw UsageError(command_, option + " needs a value");
        return args_[index_++];
    }

    // A flag given a value ("--flip=yes") is a mistake worth naming.
    void noValue(const std::string& option) const
    {
        if (inlineValue_)
            throw UsageError(command_, option + " takes no value");
    }

    ImageFormat format(const std::string& option)
    {
        const std::string text = value(option);
        if (auto format = formatNamed(text))
            return *format;
        throw UsageError(command_, option + " must be tex, tga or png, not \"" + text + "\"");
    }

    [[noreturn]] void unknown(const std::string& option) const
    {
        throw UsageError(command_, "unknown option " + option);
    }

private:
    const std::vector<std::string>& args_;
    std::string command_;
    std::size_t index_ = 0;
    std::optional<std::string> inlineValue_;
};

// Checks one box as the window would, reporting it by its option's name.
void checkBox(const std::string& option, const std::optional<std::string>& text, int which)
{
    if (!text)
        return;
    const std::string boxes[3] = {which == 0 ? *text : "", which == 1 ? *text : "", which == 2 ? *text : ""};
    if (auto values = parseTexPanel(boxes[0], boxes[1], boxes[2]); !values)
        throw UsageError("convert", option + " " + values.error().detail);
}

// One of `names` (the value's spelling, lower case), by its position.
int choice(ArgumentReader& reader, const std::string& option, std::initializer_list<const char*> names)
{
    const std::string text = reader.value(option);
    int i = 0;
    std::string list;
    for (const char* name : names) {
        if (lowered(text) == name)
            return i;
        list += (i == 0 ? "" : i + 1 == int(names.size()) ? " or " : ", ") + std::string(name);
        ++i;
    }
    throw UsageError("convert", option + " must be " + list + ", not \"" + text + "\"");
}

int wholeNumber(const std::string& text, int least, int most)
{
    int n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    return error == std::errc() && end == text.data() + text.size() && n >= least && n <= most ? n : 0;
}

// The scaling, mode and type options together: what cannot be combined is
// named before any file is read.
void checkTextureOptions(ConvertOptions& options, bool filterGiven, bool coloursGiven, bool ditherGiven)
{
    if (options.resize && options.pow2Up)
        throw UsageError("convert", "--resize and --pow2 both set the size; give one of them");
    if (filterGiven && !options.resize && !options.pow2Up)
        throw UsageError("convert", "--filter applies to --resize or --pow2, and neither was given");
    if (options.type) {
        if (options.to != ImageFormat::Tex)
            throw UsageError("convert", "--type applies to TEX output, not to --to "
                                            + std::string(options.to == ImageFormat::Tga ? "tga" : "png"));
        const ColourMode typeMode = modeForTexType(*options.type);
        static const char* const modes[] = {"indexed256", "indexed16", "rgb", "rgba"};
        if (options.mode && *options.mode != typeMode)
            throw UsageError("convert", "--type " + std::to_string(*options.type) + " holds "
                                            + modes[int(typeMode)] + " images, not the " + modes[int(*options.mode)]
                                            + " of --mode");
    }
    const ColourMode mode = options.mode ? *options.mode
                          : options.type ? modeForTexType(*options.type)
                                         : ColourMode::Rgba;
    const bool indexed = (options.mode || options.type) && (mode == ColourMode::Indexed256 || mode == ColourMode::Indexed16);
    if ((coloursGiven || ditherGiven) && !indexed)
        throw UsageError("convert", std::string(coloursGiven ? "--colors" : "--dither")
                                        + " applies to --mode indexed256 or indexed16 (or --type 1, 14 or 15)");
    if (mode == ColourMode::Indexed16 && indexed) {
        if (options.quantize.colours > quantize::SixteenColours && coloursGiven)
            throw UsageError("convert", "--colors must be from 2 to 16 for 16 colours, not "
                                            + std::to_string(options.quantize.colours));
        options.quantize.colours = std::min(options.quantize.colours, int(quantize::SixteenColours));
    }
}

std::optional<ImageFormat> formatOfExtension(const std::string& path)
{
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return std::nullopt;
    return formatNamed(path.substr(dot + 1));
}

} // namespace

void printUsage(const std::string& command, bool full)
{
    std::FILE* out = full ? stdout : stderr;
    if (command == "info")
        std::fputs(full ? (std::string(InfoUsage) + "\n" + InfoHelp).c_str() : InfoUsage, out);
    else if (command == "convert")
        std::fputs(full ? (std::string(ConvertUsage) + "\n" + ConvertHelp).c_str() : ConvertUsage, out);
    else
        std::fputs(full ? (std::string(ProgramUsage) + "\n" + ProgramHelp).c_str() : ProgramUsage, out);
    if (!full)
        std::fprintf(out, "Try 'vtt %s%s--help'.\n", command.c_str(), command.empty() ? "" : " ");
}

std::optional<ChannelMapping> parseChannels(const std::string& text)
{
    ChannelMapping mapping;
    std::size_t start = 0;
    for (int destination = 0; destination < 4; ++destination) {
        const auto comma = text.find(',', start);
        if ((destination < 3) != (comma != std::string::npos))
            return std::nullopt;
        const std::string name =
            lowered(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        static const char* const names[4] = {"red", "green", "blue", "alpha"};
        int source = 0;
        while (source < 4 && name != names[source] && name != std::string(1, names[source][0]))
            ++source;
        if (source == 4)
            return std::nullopt;
        mapping.source[static_cast<std::size_t>(destination)] = static_cast<Channel>(source);
        start = comma + 1;
    }
    return mapping;
}

TexPanelValues panelFor(const PanelTexts& texts, const ImageDocument& doc)
{
    const bool tex = doc.Facts.Kind && formatEntry(*doc.Facts.Kind).texFields;
    const auto box = [](const std::optional<std::string>& given, const std::string& fallback) {
        return given ? *given : fallback;
    };
    // Every text was checked when the command line was read.
    return parseTexPanel(box(texts.mips, tex ? std::to_string(doc.Facts.Tex.MipCount) : "1"),
                         box(texts.unknown, tex ? std::to_string(doc.Facts.Tex.Unknown) : "0"),
                         box(texts.bits, tex ? std::to_string(doc.Facts.Tex.Bits) : ""))
        .value_or(TexPanelValues{});
}

std::optional<InfoOptions> parseInfo(const std::vector<std::string>& args)
{
    InfoOptions options;
    ArgumentReader reader(args, "info");
    while (auto option = reader.nextOption(options.inputs)) {
        if (*option == "-h" || *option == "--help") {
            printUsage("info", true);
            return std::nullopt;
        }
        if (*option == "--json") {
            reader.noValue(*option);
            options.json = true;
        } else if (*option == "--as") {
            options.as = reader.format(*option);
        } else {
            reader.unknown(*option);
        }
    }
    if (options.inputs.empty())
        throw UsageError("info", "no files named");
    return options;
}

std::optional<ConvertOptions> parseConvert(const std::vector<std::string>& args)
{
    ConvertOptions options;
    std::optional<ImageFormat> to;
    bool filterGiven = false, coloursGiven = false, ditherGiven = false;
    ArgumentReader reader(args, "convert");
    while (auto option = reader.nextOption(options.inputs)) {
        const std::string& o = *option;
        if (o == "-h" || o == "--help") {
            printUsage("convert", true);
            return std::nullopt;
        }
        if (o == "--to") {
            to = reader.format(o);
        } else if (o == "--as") {
            options.as = reader.format(o);
        } else if (o == "-o" || o == "--output") {
            options.output = reader.value(o);
        } else if (o == "--out-dir") {
            options.outputDir = reader.value(o);
        } else if (o == "--mips") {
            options.panel.mips = reader.value(o);
        } else if (o == "--unknown") {
            options.panel.unknown = reader.value(o);
        } else if (o == "--bits") {
            options.panel.bits = reader.value(o);
        } else if (o == "--channels") {
            const std::string text = reader.value(o);
            options.channels = parseChannels(text);
            if (!options.channels)
                throw UsageError("convert", "--channels needs four channels among R, G, B and A, such as B,G,R,A; "
                                            "not \"" + text + "\"");
        } else if (o == "--palette") {
            options.palette = reader.value(o);
        } else if (o == "--rotate") {
            const std::string text = reader.value(o);
            options.rotate = text == "90" ? 90 : text == "180" ? 180 : text == "270" ? 270 : 0;
            if (!options.rotate)
                throw UsageError("convert", "--rotate needs 90, 180 or 270 (degrees clockwise), not \"" + text + "\"");
        } else if (o == "-j" || o == "--jobs") {
            const std::string text = reader.value(o);
            unsigned jobs = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
            if (error != std::errc() || end != text.data() + text.size() || jobs == 0 || jobs > 1024)
                throw UsageError("convert", o + " needs a number of threads from 1 to 1024, not \"" + text + "\"");
            options.jobs = jobs;
        } else if (o == "--memory") {
            const std::string text = reader.value(o);
            const auto bytes = parseMemorySize(text);
            if (!bytes)
                throw UsageError("convert", "--memory needs a size such as 512M or 4G, not \"" + text + "\"");
            options.memory = *bytes;
        } else if (o == "--resize") {
            const std::string text = reader.value(o);
            const auto x = lowered(text).find('x');
            const int w = x == std::string::npos ? 0 : wholeNumber(text.substr(0, x), 1, resample::MaxSide);
            const int h = x == std::string::npos ? 0 : wholeNumber(text.substr(x + 1), 1, resample::MaxSide);
            if (!w || !h)
                throw UsageError("convert", "--resize needs WIDTHxHEIGHT, each from 1 to 32767, such as 1024x512; "
                                            "not \"" + text + "\"");
            options.resize = std::pair{w, h};
        } else if (o == "--pow2") {
            options.pow2Up = choice(reader, o, {"up", "down"}) == 0;
        } else if (o == "--filter") {
            options.filter = resample::Filter(choice(reader, o, {"box", "triangle", "catmull-rom", "mitchell"}));
            filterGiven = true;
        } else if (o == "--mode") {
            options.mode = ColourMode(choice(reader, o, {"indexed256", "indexed16", "rgb", "rgba"}));
        } else if (o == "--colors") {
            const std::string text = reader.value(o);
            options.quantize.colours = wholeNumber(text, 2, PaletteEntries);
            if (!options.quantize.colours)
                throw UsageError("convert", "--colors needs a number of colours from 2 to 256, not \"" + text + "\"");
            coloursGiven = true;
        } else if (o == "--dither") {
            options.quantize.dither = choice(reader, o, {"none", "fs"}) ? quantize::Dither::FloydSteinberg
                                                                       : quantize::Dither::None;
            ditherGiven = true;
        } else if (o == "--type") {
            const std::string text = reader.value(o);
            const int type = wholeNumber(text, 1, 18);
            if (!writableTexType(type))
                throw UsageError("convert", "--type must be 1, 14, 15, 17 or 18, not \"" + text + "\"");
            options.type = type;
        } else if (o == "--mip-filter") {
            options.mipFilter = choice(reader, o, {"box", "linear"}) ? mip::MipFilter::LinearLight
                                                                     : mip::MipFilter::BoxStored;
        } else if (o == "--flip" || o == "--mirror" || o == "-f" || o == "--force") {
            reader.noValue(o);
            (o == "--flip" ? options.flip : o == "--mirror" ? options.mirror : options.force) = true;
        } else {
            reader.unknown(o);
        }
    }
    checkBox("--mips", options.panel.mips, 0);
    checkBox("--unknown", options.panel.unknown, 1);
    checkBox("--bits", options.panel.bits, 2);

    if (options.inputs.empty())
        throw UsageError("convert", "no files named");
    if (options.output.empty() == options.outputDir.empty())
        throw UsageError("convert", "name either one output file with -o or an output folder with --out-dir");
    if (!options.output.empty() && options.inputs.size() > 1)
        throw UsageError("convert", "-o names one output, but " + std::to_string(options.inputs.size())
                                        + " files were named; use --out-dir for many");
    if (!to && !options.output.empty())
        to = formatOfExtension(options.output);
    if (!to)
        throw UsageError("convert", options.output.empty()
                                        ? "say which format to write with --to tex, --to tga or --to png"
                                        : "say which format to write with --to tex, --to tga or --to png (the name \""
                                              + options.output + "\" does not end in .tex, .tga or .png)");
    options.to = *to;
    checkTextureOptions(options, filterGiven, coloursGiven, ditherGiven);
    return options;
}

} // namespace vtt::cli

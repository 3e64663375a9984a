#pragma once

#include "document/ImageDocument.h"
#include "files/FileCommands.h"

#include <string>
#include <utility>
#include <vector>

namespace vtt {

// What a modder asks about a document, as label and value lines: file
// name, format and type, size, depth, stored mip levels, file size, palette
// entries used, alpha in use, distinct colours. `file` is the file as last
// read or written, or null.
using FactLines = std::vector<std::pair<std::string, std::string>>;
FactLines describeImage(const ImageDocument& doc, const FileSnapshot* file);

// The format table's describers: the "Format" line of each format, and the
// "Mip levels" line of a TEX file.
std::string describeTexFormat(const ImageDocument& doc);
std::string describeTgaFormat(const ImageDocument& doc);
std::string describePngFormat(const ImageDocument& doc);
std::string describeTexMips(const ImageDocument& doc, Bytes file);

} // namespace vtt

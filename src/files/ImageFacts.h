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

} // namespace vtt

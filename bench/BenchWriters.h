#pragma once

// The encode cases: each starts from a document read from a TEX file of the
// matching layout and writes it as TEX (with a full mip chain) or, converted
// as the Save command converts it, as an uncompressed Targa.

#include "BenchFiles.h"

#include "document/ImageDocument.h"

#include <string>
#include <vector>

namespace vtt::bench {

enum class EncodeCase { Tex1, Tex17, Tex18, Tga8, Tga24, Tga32 };

std::vector<EncodeCase> encodeCases();
const char* encodeName(EncodeCase which);
FileLayout sourceLayout(EncodeCase which);

// Levels of a full chain down to 1 x 1.
int fullChainLevels(int side);

// Sets the fields the case needs (mip count, conversion); false with a
// reason when the document cannot be encoded so.
bool prepareForEncode(EncodeCase which, ImageDocument& doc, std::string& problem);

// Encodes once; `bytes` receives the file's length.
bool encodeDocument(EncodeCase which, const ImageDocument& doc, std::size_t& bytes, std::string& problem);

// The file length the case produces for a side x side image.
std::size_t encodedBytes(EncodeCase which, int side);

} // namespace vtt::bench

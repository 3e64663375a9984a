#pragma once

#include "files/FileCommands.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vtt {

// The readable name of a TEX type code or a Targa image type, "" if none.
std::string texTypeName(std::int16_t type);
std::string tgaTypeName(std::uint8_t type);

// The header lines of each format's file (the format table's describers).
void describeTexHeader(Bytes file, std::vector<std::string>& lines);
void describeTgaHeader(Bytes file, std::vector<std::string>& lines);
void describePngHeader(Bytes file, std::vector<std::string>& lines);

// What the hex dump shows of a file: first one line per header field
// (offset, bytes, field name, value), then, after a blank line, rows of 16
// bytes: offset, the bytes in hex and their printable characters. Header
// lines are made once; rows only when asked for, so a large file costs
// nothing until its rows are looked at.
class HexDump {
public:
    static constexpr std::size_t RowBytes = 16;

    HexDump() = default;
    explicit HexDump(std::shared_ptr<const FileSnapshot> file);

    const std::vector<std::string>& headerLines() const { return header_; }
    std::size_t rowCount() const;
    std::string row(std::size_t index) const;

    // Header lines, a blank line, then the rows.
    std::size_t lineCount() const;
    std::string line(std::size_t index) const;

    // How many rows have been formatted so far: the cost of looking.
    std::size_t rowsFormatted() const { return rowsFormatted_; }

private:
    std::shared_ptr<const FileSnapshot> file_;
    std::vector<std::string> header_;
    mutable std::size_t rowsFormatted_ = 0;
};

} // namespace vtt

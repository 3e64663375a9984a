#pragma once

#include "document/Result.h"
#include "files/PrintableName.h"

#include <string>

namespace vtt {

// How the windows word a failure of the core: one sentence that names the
// file, as printableName shows it. `vtt` words its own in cli/.
inline std::string cannotOpen(const std::string& path, const std::string& problem)
{
    return "Could not open \"" + printableName(path) + "\": " + problem + ".";
}

inline std::string cannotSave(const std::string& path, const std::string& problem)
{
    return "Could not save \"" + printableName(path) + "\": " + problem + ".";
}

// "the Mips box must hold ..." for a header panel box, else the detail.
inline std::string problemOf(const Error& error)
{
    if (error.kind == ErrorKind::BadValue)
        return "the " + error.subject + " box " + error.detail;
    if (error.kind == ErrorKind::UnsupportedTexType)
        return "its TEX " + error.detail + " is not supported";
    return error.detail;
}

inline std::string cannotOpen(const Error& error) { return cannotOpen(error.subject, problemOf(error)); }
inline std::string cannotSave(const Error& error) { return cannotSave(error.subject, problemOf(error)); }

} // namespace vtt

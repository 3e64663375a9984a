#pragma once

namespace vtt::bench {

// PNG decode and encode of an RGBA and a palette image at each side, with
// the reference PNG library doing the same on the same image at the same
// compression level ("libpng-decode/…", "libpng-encode/…").
void registerPngBenchmarks(const int* sides, int count);

} // namespace vtt::bench

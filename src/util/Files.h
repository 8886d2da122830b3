// File helpers. Every file the program keeps is rewritten whole: the new text goes to a temporary
// file in the same folder, which is then renamed over the old one, so a crash or a full disk never
// leaves a half-written file behind.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace solvane {

namespace fs = std::filesystem;

// The whole file as bytes, or nothing when it cannot be read.
std::optional<std::string> readFile(const fs::path& path);

// Replaces path with bytes by write-to-temporary and rename. On failure the old file is intact,
// the temporary is removed, false is returned and *error (when given) says why in plain words.
bool writeFileAtomic(const fs::path& path, std::string_view bytes, std::string* error = nullptr);

// The entry of dir whose name equals name ignoring ASCII case; an existing exact match wins.
// When none exists, dir / name.
fs::path findChildIgnoreCase(const fs::path& dir, std::string_view name);

// A path from UTF-8 text and back (std::filesystem uses the native encoding, UTF-8 here).
fs::path pathFromUtf8(std::string_view utf8);
std::string pathToUtf8(const fs::path& path);

} // namespace solvane

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace youran {

// Replaces `path` with `bytes` so that a crash or a full disk leaves either
// the old file or the new one: a temporary file in the same folder is
// written, flushed and fsynced, renamed over the target, and the folder is
// fsynced. On failure the old file is untouched, the temporary file removed,
// and the reason returned.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view bytes);

// Whole file, or empty optional when it cannot be opened or read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

}  // namespace youran

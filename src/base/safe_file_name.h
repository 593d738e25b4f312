#pragma once

// File names made from display names and network answers (lyric files,
// cover files, cache files, download copies). Such a name never leaves the
// folder it is meant for and is a valid name on every file system the player
// runs on.

#include <string>
#include <string_view>

namespace youran {

// `name` + `suffix` as one path component: directory separators, control
// characters and the characters Windows forbids (< > : " | ? *) become "_",
// a name of dots only ("", ".", "..") becomes "_" repeated, and the name is
// cut at a UTF-8 character boundary so that name + suffix fit in 255 bytes.
// Invalid UTF-8 bytes are replaced too, so the result is always valid UTF-8.
// The suffix is trusted (".lrc", ".dpc").
std::string safeFileName(std::string_view name, std::string_view suffix = {});

}  // namespace youran

#pragma once

// File names made from display names and network answers (lyric files,
// cover files, cache files, download copies). Such a name never leaves the
// folder it is meant for and is a valid name on every file system the player
// runs on.

#include <cstddef>
#include <string>
#include <string_view>

namespace youran {

// `name` + `suffix` as one path component: directory separators, control
// characters, the characters Windows forbids (< > : " | ? *) and bytes that
// are not UTF-8 become "_"; trailing dots and blanks of the name are dropped
// (Windows drops them itself), so "." and ".." cannot name a folder; an
// empty result is "_". The name is cut on a character boundary so that name,
// suffix, `reserved` more bytes (a prefix the caller adds) and the longest
// companion name the player makes beside a file (kCompanionRoom) fit in 255
// bytes. The suffix is trusted (".lrc", ".dpc").
// What a file's companions add to its name: a download's "<name>.tmp", the
// atomic writer's ".<name>.tmp<pid>-<n>" (1 + 4 + 7 + 1 + 10 bytes at most).
inline constexpr std::size_t kCompanionRoom = 23;

std::string safeFileName(std::string_view name, std::string_view suffix = {}, std::size_t reserved = 0);

}  // namespace youran

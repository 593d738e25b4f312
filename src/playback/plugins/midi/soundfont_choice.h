#pragma once

// Which SoundFont the MIDI plug-in plays with.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace youran::midi {

// Debian's General MIDI SoundFonts, the fuller one first (fluid-soundfont-gm,
// then timgm6mb-soundfont, then whatever the alternatives system points at).
inline constexpr std::array<std::string_view, 3> kSystemSoundFonts = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
};

// A RIFF file of form "sfbk" that can be opened.
bool isSoundFontFile(const std::string& path);

// The configured path when it is a SoundFont, else the first system one that
// is; nullopt when there is none. `note` says why a configured path was
// passed over.
std::optional<std::string> chooseSoundFont(const std::string& configured,
                                           std::span<const std::string_view> systemPaths,
                                           std::string* note);

}  // namespace youran::midi

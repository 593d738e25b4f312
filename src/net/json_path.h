#pragma once

// JavaScript member paths over JSON values: "result.songs[0].name", "[2].id",
// "data['x y']". Only member and index access; nothing is ever evaluated.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace youran {

struct JsonPathStep {
  enum class Kind { kMember, kIndex };
  Kind kind = Kind::kMember;
  std::string name;       // kMember
  std::size_t index = 0;  // kIndex
};

// The steps of a path; an empty path is the value itself. Empty optional for
// text that is not a member path.
std::optional<std::vector<JsonPathStep>> parseJsonPath(std::string_view path);

// The value a path selects, or null when a member or element is missing.
// `length` of an array or a string is its length, as in JavaScript; scratch
// holds such computed values.
const nlohmann::json* findJsonPath(const nlohmann::json& root, const std::vector<JsonPathStep>& steps,
                                   nlohmann::json& scratch);

// The slot an assignment to the path writes: intermediate members must
// exist, the last one is created (arrays grow with nulls up to kMaxJsonIndex).
// Null when the path cannot be assigned.
nlohmann::json* jsonPathSlot(nlohmann::json& root, const std::vector<JsonPathStep>& steps);

// Indices beyond this are refused: a path from a network answer must not
// make us allocate gigabytes of nulls.
inline constexpr std::size_t kMaxJsonIndex = 1u << 20;

}  // namespace youran

#include "net/json_path.h"

namespace youran {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isNameByte(char c) { return !isSpace(c) && c != '.' && c != '[' && c != ']' && c != '"' && c != '\''; }

// Reads a quoted key at text[at] (a ' or ") with JavaScript escapes; at moves
// past the closing quote.
std::optional<std::string> readQuoted(std::string_view text, std::size_t& at) {
  const char quote = text[at++];
  std::string out;
  while (at < text.size()) {
    char c = text[at++];
    if (c == quote) return out;
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (at >= text.size()) return std::nullopt;
    char e = text[at++];
    switch (e) {
      case 'n': out.push_back('\n'); break;
      case 't': out.push_back('\t'); break;
      case 'r': out.push_back('\r'); break;
      case 'b': out.push_back('\b'); break;
      case 'f': out.push_back('\f'); break;
      case 'v': out.push_back('\v'); break;
      case '0': out.push_back('\0'); break;
      case 'u': {
        if (at + 4 > text.size()) return std::nullopt;
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
          char h = text[at++];
          code <<= 4;
          if (h >= '0' && h <= '9') code |= static_cast<unsigned>(h - '0');
          else if (h >= 'a' && h <= 'f') code |= static_cast<unsigned>(h - 'a' + 10);
          else if (h >= 'A' && h <= 'F') code |= static_cast<unsigned>(h - 'A' + 10);
          else return std::nullopt;
        }
        // Keys are UTF-8; a lone surrogate has no UTF-8 form.
        if (code >= 0xD800 && code <= 0xDFFF) return std::nullopt;
        if (code < 0x80) {
          out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
          out.push_back(static_cast<char>(0xC0 | (code >> 6)));
          out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
          out.push_back(static_cast<char>(0xE0 | (code >> 12)));
          out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
          out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
        break;
      }
      default: out.push_back(e); break;
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> indexOfName(std::string_view name) {
  if (name.empty() || name.size() > 9) return std::nullopt;
  std::size_t index = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return std::nullopt;
    index = index * 10 + static_cast<std::size_t>(c - '0');
  }
  // "01" is a key, not an index, in JavaScript too.
  if (name.size() > 1 && name[0] == '0') return std::nullopt;
  return index;
}

std::size_t utf16Length(const std::string& text) {
  std::size_t units = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++units;
    if ((c & 0xF8) == 0xF0) ++units;  // outside the BMP: a surrogate pair
  }
  return units;
}

}  // namespace

std::optional<std::vector<JsonPathStep>> parseJsonPath(std::string_view path) {
  std::vector<JsonPathStep> steps;
  std::size_t at = 0;
  auto skipSpaces = [&] {
    while (at < path.size() && isSpace(path[at])) ++at;
  };
  auto readName = [&]() -> bool {
    std::size_t start = at;
    while (at < path.size() && isNameByte(path[at])) ++at;
    if (at == start) return false;
    steps.push_back({JsonPathStep::Kind::kMember, std::string(path.substr(start, at - start)), 0});
    return true;
  };
  skipSpaces();
  if (at < path.size() && path[at] != '[' && !readName()) return std::nullopt;
  while (true) {
    skipSpaces();
    if (at == path.size()) return steps;
    char c = path[at];
    if (c == '.') {
      ++at;
      skipSpaces();
      if (!readName()) return std::nullopt;
    } else if (c == '[') {
      ++at;
      skipSpaces();
      if (at == path.size()) return std::nullopt;
      if (path[at] == '"' || path[at] == '\'') {
        std::optional<std::string> key = readQuoted(path, at);
        if (!key) return std::nullopt;
        steps.push_back({JsonPathStep::Kind::kMember, std::move(*key), 0});
      } else {
        std::size_t start = at;
        while (at < path.size() && path[at] >= '0' && path[at] <= '9') ++at;
        std::string_view digits = path.substr(start, at - start);
        if (digits.empty()) return std::nullopt;
        // Longer numbers are past any array we keep; read them as "missing".
        std::size_t index = digits.size() > 12 ? kMaxJsonIndex + 1 : std::stoull(std::string(digits));
        steps.push_back({JsonPathStep::Kind::kIndex, {}, index});
      }
      skipSpaces();
      if (at == path.size() || path[at] != ']') return std::nullopt;
      ++at;
    } else {
      return std::nullopt;
    }
  }
}

const nlohmann::json* findJsonPath(const nlohmann::json& root, const std::vector<JsonPathStep>& steps,
                                   nlohmann::json& scratch) {
  const nlohmann::json* node = &root;
  for (const JsonPathStep& step : steps) {
    if (step.kind == JsonPathStep::Kind::kIndex) {
      if (node->is_array()) {
        if (step.index >= node->size()) return nullptr;
        node = &(*node)[step.index];
      } else if (node->is_object()) {
        auto it = node->find(std::to_string(step.index));
        if (it == node->end()) return nullptr;
        node = &*it;
      } else {
        return nullptr;
      }
      continue;
    }
    if (node->is_object()) {
      auto it = node->find(step.name);
      if (it == node->end()) return nullptr;
      node = &*it;
    } else if (node->is_array()) {
      if (step.name == "length") {
        scratch = node->size();
        node = &scratch;
      } else if (auto index = indexOfName(step.name); index && *index < node->size()) {
        node = &(*node)[*index];
      } else {
        return nullptr;
      }
    } else if (node->is_string() && step.name == "length") {
      scratch = utf16Length(node->get_ref<const std::string&>());
      node = &scratch;
    } else {
      return nullptr;
    }
  }
  return node;
}

nlohmann::json* jsonPathSlot(nlohmann::json& root, const std::vector<JsonPathStep>& steps) {
  nlohmann::json* node = &root;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const JsonPathStep& step = steps[i];
    const bool last = i + 1 == steps.size();
    std::optional<std::size_t> index;
    if (step.kind == JsonPathStep::Kind::kIndex) index = step.index;
    if (node->is_array()) {
      if (!index) index = indexOfName(step.name);
      if (!index || *index > kMaxJsonIndex) return nullptr;
      if (*index >= node->size()) {
        if (!last) return nullptr;
        while (node->size() <= *index) node->push_back(nullptr);
      }
      node = &(*node)[*index];
    } else if (node->is_object()) {
      std::string key = index ? std::to_string(*index) : step.name;
      auto it = node->find(key);
      if (it == node->end()) {
        if (!last) return nullptr;
        node = &(*node)[key];
      } else {
        node = &*it;
      }
    } else {
      return nullptr;
    }
  }
  return node;
}

}  // namespace youran

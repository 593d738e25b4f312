#include "net/json_document.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/log.h"
#include "base/text_encoding.h"
#include "net/json_path.h"

namespace youran {

namespace {

using nlohmann::json;

// Deeper nesting than any answer has; printing, copying and destroying a
// value recurse once per level, so the limit keeps a hostile answer from the
// stack. The parser reports each level it opens, comments and strings
// already told apart, so no text scan of ours can disagree with it.
constexpr int kMaxDepth = 256;

// A byte that is not UTF-8 would make the whole answer unreadable; it
// becomes U+FFFD, so only the text holding it is spoilt.
std::string_view validUtf8(std::string_view text, std::string& repaired) {
  if (isValidUtf8(text)) return text;
  repaired.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t cp = 0;
    const std::size_t n = decodeUtf8Char(text, i, cp);
    if (n == 0) {
      appendUtf8(repaired, 0xFFFD);
      ++i;
    } else {
      repaired.append(text.substr(i, n));
      i += n;
    }
  }
  return repaired;
}

std::string dump(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

std::string textOf(const json& value) {
  switch (value.type()) {
    case json::value_t::string: return value.get_ref<const std::string&>();
    case json::value_t::boolean: return value.get<bool>() ? "true" : "false";
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
    case json::value_t::number_float: return jsonNumberText(value);
    case json::value_t::object:
    case json::value_t::array: return dump(value);
    default: return {};
  }
}

}  // namespace

std::optional<json> parseJsonText(std::string_view text) {
  std::string repaired;
  const std::string_view input = validUtf8(text, repaired);
  bool tooDeep = false;
  // Returning false discards the level, so nothing deeper is ever built.
  const json::parser_callback_t limitDepth = [&tooDeep](int depth, json::parse_event_t event, json&) {
    if ((event == json::parse_event_t::object_start || event == json::parse_event_t::array_start) &&
        depth >= kMaxDepth) {
      tooDeep = true;
      return false;
    }
    return !tooDeep;
  };
  json value = json::parse(input.begin(), input.end(), limitDepth, /*allow_exceptions=*/false,
                           /*ignore_comments=*/true);
  if (tooDeep) {
    logWarning("net", "JSON nested too deeply");
    return std::nullopt;
  }
  if (value.is_discarded()) return std::nullopt;
  return value;
}

std::string jsonNumberText(const json& number) {
  if (number.is_number_integer()) {
    return number.is_number_unsigned() ? std::to_string(number.get<std::uint64_t>())
                                       : std::to_string(number.get<std::int64_t>());
  }
  double v = number.get<double>();
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  if (v == 0) return "0";
  char buffer[64];
  if (v == std::trunc(v) && std::fabs(v) < 1e21) {
    std::snprintf(buffer, sizeof buffer, "%.0f", v);
    return buffer;
  }
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  if (ec != std::errc()) return {};
  return std::string(buffer, end);
}

void JsonDocument::init() {
  value_ = json::object();
  initialised_ = true;
}

bool JsonDocument::parse(std::string_view text) {
  initialised_ = true;
  std::optional<json> parsed = parseJsonText(text);
  value_ = parsed ? std::move(*parsed) : json();
  return !value_.is_null();
}

std::string JsonDocument::toJson() const { return initialised_ ? dump(value_) : std::string(); }

void JsonDocument::reset() { init(); }

const json* JsonDocument::find(std::string_view path, json& scratch) const {
  std::optional<std::vector<JsonPathStep>> steps = parseJsonPath(path);
  if (!steps) return nullptr;
  return findJsonPath(value_, *steps, scratch);
}

json* JsonDocument::slot(std::string_view path) {
  std::optional<std::vector<JsonPathStep>> steps = parseJsonPath(path);
  if (!steps) return nullptr;
  if (!initialised_) init();
  return jsonPathSlot(value_, *steps);
}

std::string JsonDocument::itemPath(int index, std::string_view path) {
  return std::string(path) + "[" + std::to_string(index) + "]";
}

void JsonDocument::setText(std::string_view path, std::string_view value) {
  if (json* target = slot(path)) *target = std::string(value);
}

void JsonDocument::setJson(std::string_view path, std::string_view jsonText) {
  std::optional<json> parsed = parseJsonText(jsonText);
  if (!parsed) return;
  if (json* target = slot(path)) *target = std::move(*parsed);
}

void JsonDocument::setNumber(std::string_view path, double number) {
  if (json* target = slot(path)) *target = number;
}

void JsonDocument::newNode(std::string_view path, NodeKind kind) {
  if (json* target = slot(path)) *target = kind == NodeKind::kArray ? json::array() : json::object();
}

double JsonDocument::getNumber(std::string_view path) const {
  json scratch;
  const json* node = find(path, scratch);
  if (!node) return 0;
  if (node->is_number()) return node->get<double>();
  if (node->is_boolean()) return node->get<bool>() ? 1 : 0;
  if (node->is_string()) {
    const std::string& text = node->get_ref<const std::string&>();
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (!text.empty() && end == text.c_str() + text.size()) return v;
  }
  return 0;
}

std::string JsonDocument::getMemberJson(std::string_view key) const {
  // The key always follows a ".", so "[0]" is no member name.
  if (key.empty() || key.front() == '[') return {};
  json scratch;
  const json* node = find(key, scratch);
  return node ? dump(*node) : std::string();
}

std::string JsonDocument::getText(std::string_view path, bool asJson) const {
  json scratch;
  const json* node = find(path, scratch);
  if (!node) return {};
  return asJson ? dump(*node) : textOf(*node);
}

JsonDocument JsonDocument::getObject(std::string_view path) const {
  JsonDocument document;
  document.initialised_ = true;
  json scratch;
  if (const json* node = find(path, scratch)) document.value_ = *node;
  return document;
}

int JsonDocument::count(std::string_view path) const {
  json scratch;
  const json* node = find(path, scratch);
  if (!node || !(node->is_array() || node->is_object())) return 0;
  return static_cast<int>(node->size());
}

bool JsonDocument::exists(std::string_view path) const {
  json scratch;
  const json* node = find(path, scratch);
  return node && !node->is_null();
}

std::string JsonDocument::memberNames(std::string_view path) const {
  json scratch;
  const json* node = find(path, scratch);
  std::string names;
  if (!node) return names;
  if (node->is_object()) {
    for (const auto& item : node->items()) names += item.key() + ",";
  } else if (node->is_array()) {
    for (std::size_t i = 0; i < node->size(); ++i) names += std::to_string(i) + ",";
  }
  return names;
}

int JsonDocument::typeOf(std::string_view path) const {
  json scratch;
  const json* node = find(path, scratch);
  if (!node) return kMissing;
  switch (node->type()) {
    case json::value_t::null: return kMissing;
    case json::value_t::boolean: return kBoolean;
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
    case json::value_t::number_float: return kNumber;
    case json::value_t::object: return kObject;
    case json::value_t::array: return kArray;
    case json::value_t::string: return kString;
    default: return kOther;
  }
}

void JsonDocument::pushItem(std::string_view path, std::string_view jsonText) {
  std::optional<json> parsed = parseJsonText(jsonText);
  if (!parsed) return;
  json* target = slot(path);
  if (!target) return;
  if (!target->is_array()) *target = json::array();
  target->push_back(std::move(*parsed));
}

JsonDocument JsonDocument::getItem(int index, std::string_view path) const {
  if (index < 0) return JsonDocument();
  return getObject(itemPath(index, path));
}

std::string JsonDocument::getItemJson(int index, std::string_view path) const {
  if (index < 0) return {};
  return getText(itemPath(index, path), true);
}

std::string JsonDocument::itemText(int index, std::string_view path) const {
  if (index < 0) return {};
  return getText(itemPath(index, path));
}

void JsonDocument::setItem(int index, std::string_view path, std::string_view jsonText) {
  if (index < 0) return;
  json scratch;
  const json* array = find(path, scratch);
  if (!array || !array->is_array()) return;
  setJson(itemPath(index, path), jsonText);
}

void JsonDocument::removeItem(int index, std::string_view path) {
  if (index < 0) return;
  json scratch;
  // find() points into value_ (or at scratch for a computed length, which is
  // no array), and this object is not const here.
  auto* array = const_cast<json*>(find(path, scratch));
  if (!array || !array->is_array() || static_cast<std::size_t>(index) >= array->size()) return;
  array->erase(static_cast<std::size_t>(index));
}

}  // namespace youran

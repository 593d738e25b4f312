#pragma once

// One parsed JSON value answering JavaScript member-path queries such as
// result.songs[0].artists[0].name. Text is parsed as JSON, never evaluated.
// Every query that finds nothing gives empty text, 0 or an empty document.
//
// Paths: "a.b[3].c", "[2].name", "a['x y']" or a["x y"]; an empty path is
// the whole value. `length` of an array or a string is its length.

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace youran {

class JsonDocument {
 public:
  // typeOf codes.
  enum Type : int { kMissing = 0, kBoolean = 1, kNumber = 2, kObject = 4, kArray = 5, kString = 6, kOther = -1 };
  enum class NodeKind { kObject, kArray };

  JsonDocument() = default;

  // Makes the value an empty object.
  void init();
  // False for text that is not JSON, and for "null"; the value is then null.
  bool parse(std::string_view text);
  // The value as compact JSON; empty text before init or parse.
  std::string toJson() const;
  // Drops the value back to an empty object.
  void reset();
  // Whether there is no value (never parsed, or null).
  bool isEmpty() const { return value_.is_null(); }

  // Assignments. The last member of the path is created; the members before
  // it must exist. A document with no value becomes an object first.
  void setText(std::string_view path, std::string_view value);
  void setQuoted(std::string_view path, std::string_view value) { setText(path, value); }
  void setJson(std::string_view path, std::string_view json);
  void setNumber(std::string_view path, double number);
  void newNode(std::string_view path, NodeKind kind);

  // Numbers as they are, booleans as 1 and 0, numeric strings read; else 0.
  double getNumber(std::string_view path) const;
  // The JSON text of a member, so a string comes back in double quotes.
  std::string getMemberJson(std::string_view key) const;
  // The value as text: a string without quotes, a number by the number
  // rule (integral values without a decimal point, others as the shortest
  // text that reads back the same), booleans as "true"/"false", objects and
  // arrays as their JSON text, null or missing as empty text. asJson gives
  // the JSON text instead.
  std::string getText(std::string_view path, bool asJson = false) const;
  JsonDocument getObject(std::string_view path) const;
  // Elements of an array, members of an object, else 0.
  int count(std::string_view path) const;
  bool exists(std::string_view path) const;
  // The member names, each followed by "," ("0,1," for an array).
  std::string memberNames(std::string_view path = {}) const;
  int typeOf(std::string_view path) const;

  // Array items; `json` texts that do not parse leave the document alone.
  void pushItem(std::string_view path, std::string_view json);
  JsonDocument getItem(int index, std::string_view path = {}) const;
  std::string getItemJson(int index, std::string_view path = {}) const;
  std::string itemText(int index, std::string_view path = {}) const;
  void setItem(int index, std::string_view path, std::string_view json);
  void removeItem(int index, std::string_view path = {});

  const nlohmann::json& value() const { return value_; }

 private:
  const nlohmann::json* find(std::string_view path, nlohmann::json& scratch) const;
  nlohmann::json* slot(std::string_view path);
  static std::string itemPath(int index, std::string_view path);

  nlohmann::json value_;
  bool initialised_ = false;
};

// The number rule of getText.
std::string jsonNumberText(const nlohmann::json& number);

// Parses JSON text with our limits (nesting depth); empty optional when it
// is not JSON.
std::optional<nlohmann::json> parseJsonText(std::string_view text);

}  // namespace youran

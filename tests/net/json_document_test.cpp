#include "net/json_document.h"

#include <gtest/gtest.h>

#include "net/json_path.h"

namespace youran {
namespace {

constexpr std::string_view kSearch = R"({"result":{"songs":[{"name":"A","id":5,"artists":[{"name":"周杰伦"}],
  "score":1.5,"dur":2.0e5,"big":12345678901234,"ok":true,"gone":null,"tiny":1.5e-7,"huge":1e21,"neg":-0.0}],
  "songCount":1},"code":200,"x y":{"z":"spaced"}})";

TEST(NetJson, QueriesOfASearchAnswer) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(kSearch));
  struct Case {
    std::string_view path, text;
  };
  static constexpr Case kCases[] = {
      {"result.songs[0].name", "A"},
      {"result.songs[0].id", "5"},
      {"result.songs[0].artists[0].name", "周杰伦"},
      {"result.songs[0].score", "1.5"},
      {"result.songs[0].dur", "200000"},  // integral float: no decimal point
      {"result.songs[0].big", "12345678901234"},
      {"result.songs[0].tiny", "1.5e-07"},
      {"result.songs[0].huge", "1e+21"},
      {"result.songs[0].neg", "0"},
      {"result.songs[0].ok", "true"},
      {"result.songs[0].gone", ""},
      {"result.songs[4].name", ""},       // past the end of the array
      {"result.nothing.name", ""},        // missing intermediate member
      {"result.songs.name", ""},
      {"code", "200"},
      {"['x y'].z", "spaced"},
      {"[\"x y\"][\"z\"]", "spaced"},
      {"result[\"songs\"][0]['name']", "A"},
      {" result . songs [ 0 ] . name ", "A"},
      {"result.songs.length", "1"},
      {"result.songs[0].name.length", "1"},
      {"result.songs[0].artists[0]", R"({"name":"周杰伦"})"},
      {"result.songCount", "1"},
      {"result.songs[0", ""},             // not a path
      {"result..songs", ""},
      {"result.songs[-1]", ""},
      {"result.songs[99999999999999999999]", ""},
      {"alert(1)", ""},                   // nothing is evaluated
  };
  for (const auto& c : kCases) EXPECT_EQ(doc.getText(c.path), c.text) << c.path;

  EXPECT_EQ(doc.getText("result.songs[0].name", true), "\"A\"");
  EXPECT_EQ(doc.getText("result.songs[0].id", true), "5");
  EXPECT_EQ(doc.count("result.songs"), 1);
  EXPECT_EQ(doc.count("result.songs[0].artists[0]"), 1);
  EXPECT_EQ(doc.count("result.songs[0]"), 11);
  EXPECT_EQ(doc.count("code"), 0);
  EXPECT_EQ(doc.count("missing"), 0);
  EXPECT_EQ(doc.getNumber("result.songs[0].score"), 1.5);
  EXPECT_EQ(doc.getNumber("result.songs[0].name"), 0);
  EXPECT_EQ(doc.getNumber("nothing"), 0);
}

TEST(NetJson, TypesAndExistence) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(R"({"b":false,"n":1,"o":{},"a":[],"s":"","z":null})"));
  struct Case {
    std::string_view path;
    int type;
    bool exists;
  };
  static constexpr Case kCases[] = {
      {"b", JsonDocument::kBoolean, true}, {"n", JsonDocument::kNumber, true},
      {"o", JsonDocument::kObject, true},  {"a", JsonDocument::kArray, true},
      {"s", JsonDocument::kString, true},  {"z", JsonDocument::kMissing, false},
      {"q", JsonDocument::kMissing, false}, {"", JsonDocument::kObject, true},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(doc.typeOf(c.path), c.type) << c.path;
    EXPECT_EQ(doc.exists(c.path), c.exists) << c.path;
  }
  EXPECT_EQ(doc.memberNames(), "a,b,n,o,s,z,");
}

TEST(NetJson, MemberJsonObjectsAndItems) {
  JsonDocument song;
  ASSERT_TRUE(song.parse(R"({"name":"晴天","id":186016,"al":{"picUrl":"http://p/1.jpg"}})"));
  EXPECT_EQ(song.getMemberJson("name"), "\"晴天\"");
  EXPECT_EQ(song.getMemberJson("al"), R"({"picUrl":"http://p/1.jpg"})");
  EXPECT_EQ(song.getMemberJson("nothing"), "");
  EXPECT_EQ(song.getMemberJson("[0]"), "");

  JsonDocument list;
  ASSERT_TRUE(list.parse(R"([{"name":"a"},{"name":"b"}])"));
  EXPECT_EQ(list.getText("[1].name"), "b");  // a path starting with "[" indexes the value itself
  JsonDocument second = list.getItem(1);
  EXPECT_EQ(second.getText("name"), "b");
  EXPECT_EQ(list.getItemJson(0, ""), R"({"name":"a"})");
  EXPECT_TRUE(list.getItem(7).isEmpty());
  EXPECT_TRUE(list.getItem(-1).isEmpty());

  JsonDocument album = song.getObject("al");
  EXPECT_EQ(album.getText("picUrl"), "http://p/1.jpg");
  album.setText("picUrl", "changed");  // documents never share their values
  EXPECT_EQ(song.getText("al.picUrl"), "http://p/1.jpg");
  EXPECT_TRUE(song.getObject("al.none").isEmpty());
}

TEST(NetJson, ParseRejectsWhatIsNotJson) {
  struct Case {
    std::string_view text;
    bool ok;
  };
  static constexpr Case kCases[] = {
      {"{}", true},           {"[1,2]", true},        {"5", true},
      {"\"s\"", true},        {"null", false},        {"", false},
      {"{a:1}", false},       {"cb({\"a\":1})", false}, {"{\"a\":1", false},
      {"{\"a\":1} // c", true},  {"\xef\xbb\xbf{}", true}, {"{\"a\":\"\xff\"}", true},
  };
  for (const auto& c : kCases) {
    JsonDocument doc;
    EXPECT_EQ(doc.parse(c.text), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_EQ(doc.getText(""), "");
      EXPECT_EQ(doc.count(""), 0);
    }
  }
}

// Nesting is counted by the parser itself: a quote inside a comment, a
// bracket inside a string or a comment must not fool the limit either way.
TEST(NetJson, NestingLimitSeesWhatTheParserSees) {
  const std::string million(1000000, '[');
  const std::string closed(1000000, ']');
  struct Case {
    std::string text;
    bool ok;
  };
  const Case kCases[] = {
      {million + closed, false},
      {R"({"result":{"songs":[{"name":"n","id":"1","artists":[{"name":"z"}],"x":/*"*/)" + million + closed +
           R"(/*"*/}]}})",
       false},
      {"//\"\n" + million + closed, false},
      {"[/*\"*/" + million.substr(0, 300) + closed.substr(0, 300) + "]", false},
      {R"({"a":"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[",)"
       R"("b":/* [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[ */1})",
       true},
      {std::string(255, '[') + std::string(255, ']'), true},
      {"[\"]]]]\"," + million.substr(0, 200) + closed.substr(0, 200) + "]", true},
  };
  for (const auto& c : kCases) {
    JsonDocument doc;
    EXPECT_EQ(doc.parse(c.text), c.ok) << c.text.substr(0, 80);
    // Whatever was kept can be copied and printed without running off the stack.
    if (c.ok) EXPECT_GT(doc.getObject("").toJson().size(), 2u);
    else EXPECT_TRUE(doc.isEmpty());
  }
}

TEST(NetJson, ABadByteSpoilsOnlyItsOwnText) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse("{\"songs\":[{\"name\":\"a\xff" "b\"},{\"name\":\"\xe6\x99\xb4\"}]}"));
  EXPECT_EQ(doc.getText("songs[0].name"), "a\xef\xbf\xbd" "b");
  EXPECT_EQ(doc.getText("songs[1].name"), "\xe6\x99\xb4");
}

TEST(NetJson, Assignments) {
  JsonDocument doc;
  doc.setText("name", "悠然");  // a document with no value becomes an object first
  doc.setNumber("id", 42);
  doc.setNumber("ratio", 0.25);
  doc.setJson("tags", R"(["a"])");
  doc.setJson("bad", "{oops");
  doc.setText("no.such.parent", "x");
  doc.newNode("list", JsonDocument::NodeKind::kArray);
  doc.pushItem("list", "1");
  doc.pushItem("list", R"({"k":"v"})");
  doc.pushItem("name", "true");     // not an array: becomes one
  doc.pushItem("fresh", "\"new\"");
  doc.setItem(3, "tags", "null");   // grows the array with nulls
  doc.setItem(0, "missing", "1");
  doc.setItem(2000000, "tags", "1");  // refused, no gigabytes of nulls
  EXPECT_EQ(doc.toJson(),
            R"({"fresh":["new"],"id":42.0,"list":[1,{"k":"v"}],"name":[true],"ratio":0.25,"tags":["a",null,null,null]})");
  EXPECT_EQ(doc.getText("id"), "42");
  EXPECT_EQ(doc.itemText(1, "list"), R"({"k":"v"})");
  EXPECT_EQ(doc.itemText(0, "list"), "1");

  doc.removeItem(0, "list");
  doc.removeItem(9, "list");
  doc.removeItem(0, "nowhere");
  EXPECT_EQ(doc.getText("list", true), R"([{"k":"v"}])");
  EXPECT_FALSE(doc.exists("nowhere"));
  doc.setQuoted("list[0].k", "w");
  EXPECT_EQ(doc.getText("list[0].k"), "w");

  doc.reset();
  EXPECT_EQ(doc.toJson(), "{}");
  JsonDocument never;
  EXPECT_EQ(never.toJson(), "");
}

TEST(NetJson, NumberRule) {
  struct Case {
    double value;
    std::string_view text;
  };
  static constexpr Case kCases[] = {
      {5, "5"},           {-3, "-3"},        {0.1, "0.1"},         {1.0 / 3, "0.3333333333333333"},
      {1e20, "100000000000000000000"},       {123456789012.5, "123456789012.5"},
      {9007199254740993.0, "9007199254740992"},
  };
  for (const auto& c : kCases) EXPECT_EQ(jsonNumberText(nlohmann::json(c.value)), c.text) << c.value;
  EXPECT_EQ(jsonNumberText(nlohmann::json(18446744073709551615ull)), "18446744073709551615");
}

TEST(NetJson, PathSyntax) {
  struct Case {
    std::string_view path;
    std::size_t steps;  // 0 with ok false: not a path
    bool ok;
  };
  static constexpr Case kCases[] = {
      {"", 0, true},         {"a", 1, true},          {"a.b[3].c", 4, true},     {"[2].name", 2, true},
      {"['x y']", 1, true},  {"[\"a\\\"b\"]", 1, true}, {"[\"\\u5468\"]", 1, true}, {"a.", 0, false},
      {".a", 0, false},      {"a[", 0, false},        {"a[x]", 0, false},        {"a]", 0, false},
      {"['open", 0, false},  {"[\"\\ud800\"]", 0, false},
  };
  for (const auto& c : kCases) {
    auto steps = parseJsonPath(c.path);
    EXPECT_EQ(steps.has_value(), c.ok) << c.path;
    if (steps) {
      EXPECT_EQ(steps->size(), c.steps) << c.path;
    }
  }
  EXPECT_EQ(parseJsonPath("[\"\\u5468\"]")->at(0).name, "周");
  EXPECT_EQ(parseJsonPath("[\"a\\\"b\"]")->at(0).name, "a\"b");
}

}  // namespace
}  // namespace youran

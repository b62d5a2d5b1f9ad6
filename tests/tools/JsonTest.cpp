#include "tools/json/Json.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string ErrorOf(const std::string& text) {
  try {
    ParseJson(text);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "no error";
}

TEST(Json, ParsesWhatTheSourcesUse) {
  const Json v = ParseJson(R"( {"a": [1, -2.5, 1e2, 9223372036854775808, true, null, "x\"\u4e2d\ud83d\ude00\n"]} )");
  const Json& items = v.at("a");
  EXPECT_TRUE(items[0].is_number_integer());
  EXPECT_EQ(items[0].get<int64_t>(), 1);
  EXPECT_TRUE(items[1].is_number_float());
  EXPECT_EQ(items[1].get<double>(), -2.5);
  EXPECT_TRUE(items[2].is_number_float());
  EXPECT_EQ(items[2].get<double>(), 100);
  EXPECT_TRUE(items[3].is_number_float()) << "beyond 64 signed bits";
  EXPECT_EQ(items[3].get<double>(), 9223372036854775808.0);
  EXPECT_TRUE(items[4].get<bool>());
  EXPECT_TRUE(items[5].is_null());
  const std::string escaped = Utf8(u8"x\"中😀\n");  // outside the macro, whose text must be GBK
  EXPECT_EQ(items[6], escaped);
  EXPECT_EQ(ParseJson("\xEF\xBB\xBF[]"), Json::array());
  EXPECT_EQ(JsonMember(v, "a"), &items);
  EXPECT_EQ(JsonMember(v, "b"), nullptr);
  EXPECT_EQ(JsonMember(items, "a"), nullptr);
}

TEST(Json, RefusalsNameTheirLineAndColumn) {
  EXPECT_EQ(ErrorOf("{\"a\": 1,\n \"a\": 2}"), "JSON line 2, column 2: duplicate member \"a\"");
  EXPECT_EQ(ErrorOf("{\"x\\\"\": 1, \"x\\\"\": 2}"), "JSON line 1, column 12: duplicate member \"x\"\"");
  EXPECT_EQ(ErrorOf("{\"a\": {\"a\": 1}, \"b\": {\"a\": 2}}"), "no error") << "names repeat across objects";
  EXPECT_EQ(ErrorOf(std::string(257, '[') + std::string(257, ']')), "no error");
  EXPECT_EQ(ErrorOf(std::string(300, '[') + std::string(300, ']')), "JSON line 1, column 258: nesting too deep");
  // The reasons are the parser's own; the place is counted in characters.
  auto place = [](const std::string& text) { return ErrorOf(text).substr(0, ErrorOf(text).find(": syntax")); };
  EXPECT_EQ(place("[1, 2"), "JSON line 1, column 6");
  EXPECT_EQ(place("[01]"), "JSON line 1, column 3");
  EXPECT_EQ(place("\"\\ud800\""), "JSON line 1, column 8");
  EXPECT_EQ(place("\"a\nb\""), "JSON line 1, column 3");
  EXPECT_EQ(place("{} x"), "JSON line 1, column 4");
  EXPECT_EQ(place("[\"\xFF\"]"), "JSON line 1, column 3");
  EXPECT_EQ(ErrorOf("{\n  \"\xE4\xB8\xAD\": [1,, 2]}"),
            "JSON line 2, column 11: syntax error while parsing value - unexpected ','; expected '[', '{', or a literal");
}

// Member names are checked against those before them through the object's
// own index: an object of 200,000 members parses in a moment, where a scan of
// the earlier names for each new one would take hours. The child gets a limit
// of CPU seconds far above the moment and far below the hours.
TEST(Json, LargeObjectsParseInLinearTime) {
  std::string text = "{";
  for (int i = 0; i < 200000; ++i) text += (i ? ",\"m" : "\"m") + std::to_string(i) + "\":" + std::to_string(i);
  text += "}";
  const pid_t child = fork();
  if (child == 0) {
    const rlimit cpu{20, 20};
    setrlimit(RLIMIT_CPU, &cpu);
    _exit(ParseJson(text).size() == 200000 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace

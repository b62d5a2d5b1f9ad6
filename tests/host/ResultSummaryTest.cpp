#include "host/ResultSummary.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Rows = std::vector<std::pair<std::string, size_t>>;

TEST(ResultSummary, CountsTheRecordsOfEachTableOfTheDataSet) {
  // Records whose values hold brackets, braces, quotes and escapes in text,
  // nested tables and objects; another data set before it; members in any order.
  const std::string json = R"({"databases":[{"name":"Other","tables":[{"name":"A","records":[{},{}]}]},
    {"tables":[
       {"records":[{"ID":1,"Text":"a ] } [ { \" \\ , :","Parts":[{"x":[1,2,{"y":null}]},{}]},
                   {"ID":2,"Note":{"value":-1.5e3,"text":"\u00e9\ud83d\ude00"},"Flag":true,"None":null}],
        "name":"T\u00e9",
        "fields":[{"name":"ID","type":2,"kind":0}]},
       {"name":"Empty","key":"ID","records":[]},
       {"name":"NoRecords"}],
     "name":"UserBQItemDB"}]} )";
  EXPECT_EQ(CountResultRows(json), (Rows{{"T\xC3\xA9", 2}, {"Empty", 0}, {"NoRecords", 0}}));
}

TEST(ResultSummary, TheLastDataSetOfTheNameCounts) {
  const std::string json = R"({"databases":[{"name":"UserBQItemDB","tables":[{"name":"A","records":[1]}]},
                                           {"name":"UserBQItemDB","tables":[{"name":"B","records":[1,2]}]}]})";
  EXPECT_EQ(CountResultRows(json), (Rows{{"B", 2}}));
}

TEST(ResultSummary, TextThatIsNoResultIsRefused) {
  const char* bad[] = {"",
                       "{\"databases\":[]}",
                       "{\"databases\":[{\"name\":\"Other\",\"tables\":[]}]}",
                       "{\"databases\":[{\"name\":\"UserBQItemDB\",\"tables\":[{\"records\":[1,]}]}]}",
                       "{\"databases\":[{\"name\":\"UserBQItemDB\",\"tables\":[]}]",
                       "{\"databases\":[{\"name\":\"UserBQItemDB\",\"tables\":[]}]} x",
                       "{\"databases\":[{\"name\":\"UserBQItemDB\",\"tables\":[{\"records\":[\"\\q\"]}]}]}",
                       "{\"databases\":[{\"name\":\"UserBQItemDB\",\"tables\":[{\"records\":[nope]}]}]}",
                       "{\"databases\":[{\"name\":\"UserBQItemDB\",\"tables\":[{\"records\":[{\"a\" 1}]}]}]}",
                       "{\"databases\":[{\"name\":\"UserBQItemDB\",\"tables\":[{\"records\":[[1}]}]}]}"};
  for (const char* json : bad) EXPECT_THROW(CountResultRows(json), std::runtime_error) << json;
}

}  // namespace

#include "platform/QuarnHashUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "tests/Variant.h"
#include "tests/platform/FoundNode.h"

namespace {

// The values of every node of key, in the order a caller's chain walk meets them.
template <class Table, class Key>
std::vector<int32_t> ValuesOf(const Table& table, const Key& key) {
  std::vector<int32_t> values;
  for (auto* node = table.Find(key); node; node = node->Next)
    if (node->Key == key) values.push_back(node->Value);
  return values;
}

std::string DuplicateMessage(const std::string& key) {
  return "键[" + key + "]对应的节点已存在";
}

TEST(StrKeyHash, HashFoldsAsciiLettersAndWraps) {
  TStrKeyHash table(1, false);
  EXPECT_EQ(table.HashOf("abc"), 310211u);
  EXPECT_EQ(table.HashOf("ABC"), 310211u);
  EXPECT_EQ(table.HashOf("a"), 34u);
  EXPECT_EQ(table.HashOf(""), 0u);
  EXPECT_EQ(table.HashOf("edtInteger"), 3847257481u);
  // Bytes are taken one at a time: a GBK trail byte in 'a'..'z' folds too.
  EXPECT_EQ(table.HashOf("\x81\x61"), table.HashOf("\x81\x41"));
  EXPECT_NE(table.HashOf("α"), table.HashOf("Α"));
}

TEST(KeyHash, InitialBucketCountsAreOdd) {
  EXPECT_EQ(TIntKeyHash(0, false).BucketCount(), 1);
  EXPECT_EQ(TIntKeyHash(1, false).BucketCount(), 1);
  EXPECT_EQ(TIntKeyHash(4, false).BucketCount(), 5);
  EXPECT_EQ(TStrKeyHash(32, false).BucketCount(), 33);
  EXPECT_EQ(TIntKeyHash(0, false).InitialCapacity(), 1);
  EXPECT_EQ(TIntKeyHash(4, false).InitialCapacity(), 4);
  EXPECT_EQ(TIntKeyHash(4, false).AutoGrow(), !kOlderVariant);
  EXPECT_EQ(TStrKeyHash(4, false).AutoGrow(), !kOlderVariant);
}

TEST(KeyHash, ChainWalkPassesOtherKeysOfTheBucket) {
  TIntKeyHash table(32, true);
  table.Add(5, 1);
  table.Add(5 + 33, 2);
  table.Add(5, 3);
  table.Add(5 + 66, 4);
  const TIntKeyHashNode* node = table.Find(5);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->Value, 3);
  std::vector<int32_t> walked;
  for (; node; node = node->Next) walked.push_back(node->Key);
  EXPECT_EQ(walked, (std::vector<int32_t>{5, 38, 5}));
  EXPECT_EQ(ValueOf(table.Find(38)), 2);
  EXPECT_EQ(table.Find(5 + 99), nullptr);
}

TEST(KeyHash, NegativeKeysCountAsUnsigned) {
  TIntKeyHash table(32, false);
  table.Add(-1, 1);  // 4294967295 mod 33 = 3
  table.Add(3, 2);
  const TIntKeyHashNode* node = table.Find(3);
  ASSERT_NE(node, nullptr);
  ASSERT_NE(node->Next, nullptr);
  EXPECT_EQ(node->Next->Key, -1);
}

TEST(KeyHash, RefusedDuplicatesNameTheKeyAndChangeNothing) {
  TIntKeyHash ints(1, false);
  ints.Add(-5, 1);
  try {
    ints.Add(-5, 2);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), DuplicateMessage("-5"));
  }
  // The refusal comes before growth: one node in one bucket stays so.
  EXPECT_EQ(ints.Count(), 1);
  EXPECT_EQ(ints.BucketCount(), 1);
  EXPECT_EQ(ValueOf(ints.Find(-5)), 1);

  TStrKeyHash strings(8, false);
  strings.Add("abc", 1);
  try {
    strings.Add("ABC", 2);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), DuplicateMessage("ABC"));
  }
  EXPECT_EQ(strings.Count(), 1);
  EXPECT_EQ(KeyOf(strings.Find("aBc")), "abc");
}

TEST(StrKeyHash, DuplicatesAllowedFindsTheLatest) {
  TStrKeyHash table(8, true);
  table.Add("abc", 1);
  table.Add("ABC", 2);
  EXPECT_EQ(table.Count(), 2);
  EXPECT_EQ(KeyOf(table.Find("aBc")), "ABC");
  EXPECT_EQ(ValuesOf(table, std::string("ABC")), (std::vector<int32_t>{2}));
}

// Keys that differ only in the case of a non-ASCII letter are equal to the
// locale but hash apart: one key when they share a bucket, two otherwise.
TEST(StrKeyHash, LocaleEqualityAgainstAsciiHash) {
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"α", "Α"}, {"д", "Д"}, {"ａ", "Ａ"}, {"代码ｘ", "代码Ｘ"}};
  for (const auto& [lower, upper] : pairs) {
    TStrKeyHash single(1, false);
    single.Add(lower, 1);
    EXPECT_THROW(single.Add(upper, 2), Exception) << lower;
    EXPECT_EQ(ValueOf(single.Find(upper)), 1);

    TStrKeyHash spread(32, false);
    ASSERT_NE(spread.HashOf(lower) % 33, spread.HashOf(upper) % 33) << lower;
    spread.Add(lower, 1);
    EXPECT_EQ(spread.Find(upper), nullptr);
    spread.Add(upper, 2);
    EXPECT_EQ(ValueOf(spread.Find(lower)), 1);
    EXPECT_EQ(ValueOf(spread.Find(upper)), 2);
  }
}

// Two different GBK characters whose trail bytes differ only in ASCII case
// share a hash but not a key.
TEST(StrKeyHash, FoldedTrailBytesStayDistinctKeys) {
  TStrKeyHash table(32, false);
  table.Add("\x81\x61", 1);
  table.Add("\x81\x41", 2);
  EXPECT_EQ(ValueOf(table.Find("\x81\x61")), 1);
  EXPECT_EQ(ValueOf(table.Find("\x81\x41")), 2);
}

TEST(KeyHash, FindOnEmptyAndClearedTables) {
  TStrKeyHash table(32, false);
  EXPECT_EQ(table.Find("x"), nullptr);
  EXPECT_EQ(table.Find(""), nullptr);
  for (int i = 0; i < 100; ++i) table.Add("k" + std::to_string(i), i);
  EXPECT_EQ(table.BucketCount(), ByVariant(145, 33));
  EXPECT_EQ(ValueOf(table.Find("k5")), 5);
  table.Clear();
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.BucketCount(), 33);
  EXPECT_EQ(table.Find("k5"), nullptr);
  table.Add("", 9);
  EXPECT_EQ(ValueOf(table.Find("")), 9);
  TIntKeyHash even(4, false);
  for (int i = 0; i < 20; ++i) even.Add(i, i);
  even.Clear();
  EXPECT_EQ(even.BucketCount(), 5);
}

class ProbeHash : public TIntKeyHash {
 public:
  ProbeHash() : TIntKeyHash(1, false) {}
  using TIntKeyHash::Resize;
  uint32_t HashOf(const int32_t&) const override { return 0; }
  void Grow() override { ++grows; }
  int grows = 0;
};

TEST(KeyHash, InternalCallsGoThroughVirtualSlots) {
  ProbeHash table;
  for (int i = 0; i < 5; ++i) table.Add(i, i);
  // Asked once, at the second add, and it did not grow; never asked in the
  // older variant.
  EXPECT_EQ(table.grows, ByVariant(1, 0));
  EXPECT_EQ(table.BucketCount(), 1);
  table.Resize(6);
  EXPECT_EQ(table.BucketCount(), 7);
  EXPECT_EQ(ValueOf(table.Find(3)), 3);
}

TEST(KeyHash, ZeroOrNegativeBucketCountFailsAnAssertion) {
  ProbeHash table;
  try {
    table.Resize(0);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), Format("Assertion failure (QuarnHashUtils, line %d)", ByVariant(1237, 924)));
  }
  try {
    TStrKeyHash negative(-3, false);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), Format("Assertion failure (QuarnHashUtils, line %d)", ByVariant(845, 542)));
  }
}

#ifdef TARVIK_OLDER_VARIANT
// Tables never grow: a table made for one entry keeps its one bucket, and
// every node goes into its chain, newest first.
TEST(KeyHash, TablesKeepTheirBucketCount) {
  TIntKeyHash table(1, true);
  for (int32_t key = 0; key < 50; ++key) table.Add(key, key);
  table.Add(7, 77);
  EXPECT_EQ(table.BucketCount(), 1);
  EXPECT_EQ(table.Count(), 51);
  std::vector<int32_t> chain;
  for (const TIntKeyHashNode* node = table.Find(49); node; node = node->Next) chain.push_back(node->Key);
  EXPECT_EQ(chain.size(), 50u);  // from 49 down to 0; the latest 7 stands before it
  EXPECT_EQ(chain.front(), 49);
  EXPECT_EQ(chain.back(), 0);
  EXPECT_EQ(ValuesOf(table, 7), (std::vector<int32_t>{77, 7}));

  TStrKeyHash strings(32, false);
  for (int i = 0; i < 100; ++i) strings.Add("k" + std::to_string(i), i);
  EXPECT_EQ(strings.BucketCount(), 33);
  EXPECT_EQ(ValueOf(strings.Find("K99")), 99);
}

TEST(KeyHash, AddHandsNothingBack) {
  static_assert(std::is_void_v<decltype(std::declval<TIntKeyHash&>().Add(1, 1))>);
  static_assert(std::is_void_v<decltype(std::declval<TStrKeyHash&>().Add("a", 1))>);
}
#else
// Bucket counts after each growth, and the adds at which growth happens.
std::vector<std::pair<int, int32_t>> Growths(int32_t capacity, int adds) {
  TIntKeyHash table(capacity, false);
  std::vector<std::pair<int, int32_t>> growths;
  for (int i = 1; i <= adds; ++i) {
    const int32_t before = table.BucketCount();
    table.Add(i * 7919, i);
    EXPECT_LE(table.Count(), table.BucketCount());
    if (table.BucketCount() != before) growths.emplace_back(i, table.BucketCount());
  }
  return growths;
}

TEST(KeyHash, GrowthSequence) {
  const std::vector<std::pair<int, int32_t>> fromOne = {
      {2, 5},     {6, 9},     {10, 25},   {26, 41},   {42, 57},  {58, 73},
      {74, 109},  {110, 163}, {164, 245}, {246, 367}, {368, 551}, {552, 827}};
  EXPECT_EQ(Growths(1, 827), fromOne);
  EXPECT_EQ(Growths(0, 827), fromOne);
  const std::vector<std::pair<int, int32_t>> fromThirtyTwo = {
      {34, 49}, {50, 65}, {66, 97}, {98, 145}, {146, 217}, {218, 325}, {326, 487}, {488, 731}};
  EXPECT_EQ(Growths(32, 731), fromThirtyTwo);
  EXPECT_EQ(Growths(4, 6), (std::vector<std::pair<int, int32_t>>{{6, 9}}));
}

TEST(KeyHash, HeadInsertionAndReversalOnGrowth) {
  TIntKeyHash table(1, true);
  table.Add(7, 'a');
  table.Add(7, 'b');  // grows 1 -> 5 first
  table.Add(7, 'c');
  EXPECT_EQ(ValuesOf(table, 7), (std::vector<int32_t>{'c', 'b', 'a'}));
  table.Add(100, 0);
  table.Add(200, 0);
  const TIntKeyHashNode* c = table.Find(7);
  table.Add(7, 'd');  // 5 nodes in 5 buckets: grows to 9 first
  EXPECT_EQ(table.BucketCount(), 9);
  EXPECT_EQ(ValuesOf(table, 7), (std::vector<int32_t>{'d', 'a', 'b', 'c'}));
  for (int32_t key : {300, 400, 500, 600}) table.Add(key, 0);  // the 10th add grows to 25
  EXPECT_EQ(table.BucketCount(), 25);
  EXPECT_EQ(ValuesOf(table, 7), (std::vector<int32_t>{'c', 'b', 'a', 'd'}));
  // Growth relinks nodes without moving them.
  EXPECT_EQ(table.Find(7), c);
  EXPECT_EQ(table.Count(), 10);
}

TEST(KeyHash, CapacityThirtyTwoTakesThirtyThreeWithoutGrowing) {
  TIntKeyHash table(32, false);
  for (int i = 0; i < 33; ++i) table.Add(i, i);
  EXPECT_EQ(table.BucketCount(), 33);
  table.Add(33, 33);
  EXPECT_EQ(table.BucketCount(), 49);
}

TEST(IntKeyStrHash, StoresStringsByIntegerKeys) {
  TIntKeyStrHash names(32, false);
  EXPECT_EQ(names.BucketCount(), 33);
  names.Add(12, "x");
  EXPECT_THROW(names.Add(12, "y"), Exception);
  EXPECT_EQ(ValueOf(names.Find(12)), "x");
  try {
    TIntKeyStrHash negative(-1, false);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Assertion failure (QuarnHashUtils, line 2386)");
  }
}
#endif

}  // namespace

#include "tests/RateIntf/RateLibraryFixture.h"

namespace ratetest {
namespace {

class ReaderLoad : public ReaderTest {
 protected:
  // Opens the library with the password of its blocks.
  static IntfPtr<IRateBQDBReader> OpenWithPassword(const Library& library) {
    IntfPtr<IRateBQDBReader> reader = library.Open();
    reader->SetPassword("pw");
    return reader;
  }
  static std::string ByCodes(IRateBQDBReader* reader, const std::vector<std::string>& codes) {
    std::string result;
    reader->LoadByCodes(codes, result);
    return result;
  }
  static std::string ByBQKeys(IRateBQDBReader* reader, const std::vector<int32_t>& keys) {
    std::string result;
    reader->LoadByBQKeys(keys, result);
    return result;
  }
  static std::string ByGroupKeys(IRateBQDBReader* reader, const std::vector<int32_t>& keys) {
    std::string result;
    reader->LoadByGroupKeys(keys, result);
    return result;
  }
  static std::vector<int32_t> Bills(const std::string& result) { return Column(result, "BQItem", "BQItemID"); }
};

TEST_F(ReaderLoad, EmptyAndUnknownKeyListsGiveEmptyTables) {
  Library library = NewLibrary();
  library.AddBill(1, 10, "010101001", "010101001001", BillBlock(1));
  IntfPtr<IRateBQDBReader> reader = OpenWithPassword(library);
  for (const std::string& result : {ByCodes(reader.get(), {}), ByCodes(reader.get(), {"nothing"}),
                                    ByBQKeys(reader.get(), {2, -1}), ByGroupKeys(reader.get(), {})}) {
    const auto counts = RowCounts(result);
    EXPECT_EQ(counts.size(), 8u);
    for (auto [table, rows] : counts) EXPECT_EQ(rows, 0u) << table;
  }
}

TEST_F(ReaderLoad, CodesAreTrimmedAndLookedUpByLengthWithoutAsciiCase) {
  Library library = NewLibrary();
  library.AddBill(1, 10, "abc000001", "abc000001001", BillBlock(1));
  // A 9-byte code only among the first codes, any other length only among the second.
  library.AddBill(2, 10, "x", "def000002", BillBlock(2));
  library.AddBill(3, 10, "编码甲乙A", "编码甲乙", BillBlock(3));
  IntfPtr<IRateBQDBReader> reader = OpenWithPassword(library);
  EXPECT_EQ(Bills(ByCodes(reader.get(), {" \tABC000001\r\n"})), std::vector<int32_t>{1});
  EXPECT_EQ(Bills(ByCodes(reader.get(), {"ABC000001001"})), std::vector<int32_t>{1});
  EXPECT_EQ(Bills(ByCodes(reader.get(), {"def000002", "X"})), std::vector<int32_t>{});
  // Double-byte characters count two bytes each.
  EXPECT_EQ(Bills(ByCodes(reader.get(), {"编码甲乙a"})), std::vector<int32_t>{3});
  EXPECT_EQ(Bills(ByCodes(reader.get(), {"编码甲乙"})), std::vector<int32_t>{3});
}

TEST_F(ReaderLoad, EmptyCodesAreIndexedUnderTheEmptyString) {
  Library library = NewLibrary();
  library.AddBill(1, 10, "", "", BillBlock(1));
  library.AddBill(2, 10, "", "B", BillBlock(2));
  EXPECT_EQ(Bills(ByCodes(OpenWithPassword(library).get(), {" \t "})), std::vector<int32_t>{1});
}

TEST_F(ReaderLoad, ABlockReachedTwiceIsLoadedOnce) {
  Library library = NewLibrary();
  library.AddBill(1, 10, "010101001", "010101001001", BillBlock(1));
  library.AddBill(2, 10, "010101002", "010101002001", BillBlock(2));
  IntfPtr<IRateBQDBReader> reader = OpenWithPassword(library);
  EXPECT_EQ(Bills(ByCodes(reader.get(), {"010101002", "010101001", "010101002001", "010101002"})),
            (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(Bills(ByBQKeys(reader.get(), {2, 2, 1})), (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(Bills(ByGroupKeys(reader.get(), {10, 10})), (std::vector<int32_t>{2, 1}));
}

TEST_F(ReaderLoad, ARepeatedBillKeyGivesOnlyTheLastRecordsBlock) {
  Library library = NewLibrary();
  library.AddBill(7, 1, "A", "A", BillBlock(71));
  library.AddBill(7, 1, "B", "B", BillBlock(72));
  library.AddBill(7, 1, "C", "C", BillBlock(73));
  EXPECT_EQ(Bills(ByBQKeys(OpenWithPassword(library).get(), {7})), std::vector<int32_t>{73});
}

TEST_F(ReaderLoad, GroupsComeInReverseIndexOrderWithoutTheirBucketNeighbours) {
  Library library = NewLibrary();
  // Five records of 24 bytes: 120 / 12 made odd gives 11 buckets, so group 14
  // shares the chain of group 3.
  library.AddBill(1, 3, "A", "A", BillBlock(1));
  library.AddBill(2, 14, "B", "B", BillBlock(2));
  library.AddBill(3, 3, "C", "C", BillBlock(3));
  library.AddBill(4, 14, "D", "D", BillBlock(4));
  library.AddBill(5, 3, "E", "E", BillBlock(5));
  ASSERT_EQ(std::filesystem::file_size(library.File("RateBQ.Index")), 120u);
  IntfPtr<IRateBQDBReader> reader = OpenWithPassword(library);
  EXPECT_EQ(Bills(ByGroupKeys(reader.get(), {3})), (std::vector<int32_t>{5, 3, 1}));
  EXPECT_EQ(Bills(ByGroupKeys(reader.get(), {14, 3})), (std::vector<int32_t>{4, 2, 5, 3, 1}));
}

TEST_F(ReaderLoad, CodesOfOneBillKeyComeInReverseIndexOrder) {
  Library library = NewLibrary();
  library.AddBill(1, 1, "A", "SAME", BillBlock(1));
  library.AddBill(2, 1, "B", "same", BillBlock(2));
  EXPECT_EQ(Bills(ByCodes(OpenWithPassword(library).get(), {"Same"})), (std::vector<int32_t>{2, 1}));
}

TEST_F(ReaderLoad, CountsOfZeroAndNormsWithoutLines) {
  Library library = NewLibrary();
  library.AddBill(1, 1, "A", "A", BillBlock(1));
  library.AddBill(2, 1, "B", "B", BillBlock(2, {{21, {}}, {22, {}}, {23, {}}}));
  IntfPtr<IRateBQDBReader> reader = OpenWithPassword(library);
  auto counts = RowCounts(ByBQKeys(reader.get(), {1}));
  EXPECT_EQ(counts["BQItem"], 1u);
  EXPECT_EQ(counts["NormItem"] + counts["LMMDetail"] + counts["ConvInfo"] + counts["Resource"], 0u);
  const std::string result = ByBQKeys(reader.get(), {2});
  EXPECT_EQ(Column(result, "NormItem", "NormItemID"), (std::vector<int32_t>{21, 22, 23}));
  EXPECT_EQ(RowCounts(result)["LMMDetail"], 0u);
}

TEST_F(ReaderLoad, CountsCutOffAtTheEndOfABlockReadAsZero) {
  Library library = NewLibrary();
  Block bill;
  bill.Record("BQItem", {{kKey, 1}}).Raw(std::string("\0\0", 2));
  library.AddBill(1, 1, "A", "A", bill.Bytes());
  Block twoBytes;
  twoBytes.Record("BQItem", {{kKey, 2}}).Count(0).Count(0).Raw(std::string("\1\0", 2));
  library.AddBill(2, 1, "B", "B", twoBytes.Bytes());
  IntfPtr<IRateBQDBReader> reader = OpenWithPassword(library);
  EXPECT_EQ(RowCounts(ByBQKeys(reader.get(), {1}))["BQItem"], 1u);
  // The bytes present still count: 01 00 is one norm, whose record is missing.
  EXPECT_EQ(ErrorText([&] { ByBQKeys(reader.get(), {2}); }), "数据块已损坏: 表[NormItem]的1条记录超出数据块剩余的0字节");
}

TEST_F(ReaderLoad, DamagedBlocksRaiseClearly) {
  Library library = NewLibrary();
  Block cut;
  cut.Record("BQItem", {{kKey, 1}}).Count(1).Record("BQSpec", {{kKey, 1}});
  library.AddBill(1, 1, "A", "A", cut.Bytes().substr(0, cut.Bytes().size() - 3));
  Block huge;
  huge.Record("BQItem", {{kKey, 2}}).Count(0x7FFFFFFF);
  library.AddBill(2, 1, "B", "B", huge.Bytes());
  library.AddBill(3, 1, "C", "C", std::string(3, '\0'));
  IntfPtr<IRateBQDBReader> reader = OpenWithPassword(library);
  EXPECT_EQ(ErrorText([&] { ByBQKeys(reader.get(), {1}); }), "数据块已损坏: 表[BQSpec]的记录不完整");
  EXPECT_EQ(ErrorText([&] { ByBQKeys(reader.get(), {2}); }),
            "数据块已损坏: 表[BQSpec]的2147483647条记录超出数据块剩余的0字节");
  EXPECT_EQ(ErrorText([&] { ByBQKeys(reader.get(), {3}); }), "数据块已损坏: 表[BQItem]的记录不完整");
}

TEST_F(ReaderLoad, WrongPasswordFailsAndTheNextRequestStartsFromEmptyTables) {
  Library library = NewLibrary();
  library.AddBill(1, 1, "A", "A", BillBlock(1));
  library.AddBill(2, 1, "B", "B", BillBlock(2));
  IntfPtr<IRateBQDBReader> reader = library.Open();
  EXPECT_EQ(ErrorText([&] { ByBQKeys(reader.get(), {1}); }), "Password Error");
  reader->SetPassword("wrong");
  EXPECT_EQ(ErrorText([&] { ByBQKeys(reader.get(), {1}); }), "Password Error");
  reader->SetPassword("pw");
  EXPECT_EQ(Bills(ByBQKeys(reader.get(), {2})), std::vector<int32_t>{2});
  // A block that is no archive at all also fails as a wrong password.
  library.AddRawBill(3, 1, "C", "C", "plain bytes");
  reader = OpenWithPassword(library);
  EXPECT_EQ(ErrorText([&] { ByBQKeys(reader.get(), {1, 3}); }), "Password Error");
  EXPECT_EQ(Bills(ByBQKeys(reader.get(), {1})), std::vector<int32_t>{1});
}

TEST_F(ReaderLoad, ABillKeyAlreadyLoadedIsAnAssertion) {
  Library library = NewLibrary();
  library.AddBill(1, 1, "A", "A", BillBlock(5));
  library.AddBill(2, 1, "B", "B", BillBlock(5));
  IntfPtr<IRateBQDBReader> reader = OpenWithPassword(library);
  EXPECT_EQ(ErrorText([&] { ByBQKeys(reader.get(), {1, 2}); }),
            "Assertion failure (RateBQDBReaderImpl, line 371)");
  EXPECT_EQ(Bills(ByBQKeys(reader.get(), {2})), std::vector<int32_t>{5});
}

TEST_F(ReaderLoad, ARefusedNormIsLeftOutButItsLinesLoad) {
  Library library = NewLibrary();
  library.AddResource(100, ResourceBlock(100));
  library.AddBill(1, 1, "A", "A", BillBlock(1, {{21, {{1, 100}}}, {21, {{2, 100}}}}));
  const std::string result = ByBQKeys(OpenWithPassword(library).get(), {1});
  EXPECT_EQ(Column(result, "NormItem", "NormItemID"), std::vector<int32_t>{21});
  EXPECT_EQ(Column(result, "LMMDetail", "LMMDetailID"), (std::vector<int32_t>{1, 2}));
}

TEST_F(ReaderLoad, ARefusedAppendOutsideNormItemEndsTheRequest) {
  Library library = NewLibrary();
  Block specs;
  specs.Record("BQItem", {{kKey, 1}}).Count(2).Record("BQSpec", {{kKey, 7}}).Record("BQSpec", {{kKey, 7}});
  library.AddBill(1, 1, "A", "A", specs.Raw(Le32(0) + Le32(0)).Bytes());
  library.AddResource(100, ResourceBlock(100, {{3, 100}, {3, 100}}));
  library.AddBill(2, 1, "B", "B", BillBlock(2, {{21, {{1, 100}, {1, 100}}}}));
  library.AddBill(3, 1, "C", "C", BillBlock(3, {{21, {{1, 100}}}}));
  IntfPtr<IRateBQDBReader> reader = OpenWithPassword(library);
  EXPECT_EQ(ErrorText([&] { ByBQKeys(reader.get(), {1}); }), "表[BQSpec]中主键为[7]的记录已存在");
  EXPECT_EQ(ErrorText([&] { ByBQKeys(reader.get(), {2}); }), "表[LMMDetail]中主键为[1]的记录已存在");
  EXPECT_EQ(ErrorText([&] { ByBQKeys(reader.get(), {3}); }), "表[MixResLMMDetail]中主键为[3]的记录已存在");
}

TEST_F(ReaderLoad, ResourcesAreReadOnceWithTheirComponents) {
  Library library = NewLibrary();
  library.AddResource(100, ResourceBlock(100));
  // 200 is mixed: its components use 100 and 300, and 300 is mixed itself.
  library.AddResource(200, ResourceBlock(200, {{1, 100}, {2, 300}}));
  library.AddResource(300, ResourceBlock(300, {{3, 400}}));
  library.AddResource(400, ResourceBlock(400));
  library.AddResource(500, ResourceBlock(500));
  library.AddBill(1, 1, "A", "A", BillBlock(1, {{11, {{1, 100}, {2, 200}}}, {12, {{3, 100}}}}));
  const std::string result = ByBQKeys(OpenWithPassword(library).get(), {1});
  // Lines first; then the first pass over components adds 300; the pass over
  // masters finds them all; the components of 300 are not visited again, so
  // 400 stays out.
  EXPECT_EQ(Column(result, "Resource", "ResID"), (std::vector<int32_t>{100, 200, 300}));
  EXPECT_EQ(Column(result, "MixResLMMDetail", "MixResLMMDetailID"), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(ReaderLoad, AResourceMissingFromTheIndexIsAnAssertion) {
  Library library = NewLibrary();
  library.AddBill(1, 1, "A", "A", BillBlock(1, {{11, {{1, 999}}}}));
  EXPECT_EQ(ErrorText([&] { ByBQKeys(OpenWithPassword(library).get(), {1}); }),
            "Assertion failure (RateBQDBReaderImpl, line 453)");
}

}  // namespace
}  // namespace ratetest

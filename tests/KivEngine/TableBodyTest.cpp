#include "BodyBytes.h"
#include "EngineTest.h"
#include "KivEngine/Messages.h"
#include "rtl/Format.h"

namespace {

using namespace kivengine;

class TableBodyTest : public ItemTableTest {
 protected:
  void SetUp() override {
    ItemTableTest::SetUp();
    Model->SetLoadState(KivLoadStateFilling);
  }

  // Loads the body into the table; answers the stream position afterwards.
  static int64_t Load(IKivTable* table, TStringStream& stream) {
    IntfPtr<IKivTableStreamLoader> loader = IntfPtr<IKivTableStreamLoader>::Query(IntfPtr<IKivTable>(table));
    loader->LoadFromStream(&stream);
    return stream.Position();
  }

  static std::string LoadError(IKivTable* table, const std::string& body) {
    TStringStream stream(body);
    return MessageOf([&] { Load(table, stream); });
  }
};

TEST_F(TableBodyTest, NestedTableBodyFillsTheFieldsTable) {
  IntfPtr<IKivRecord> item;
  Items->NewRecord(item);
  FieldOf(item.get(), kID)->SetAsInteger(1);
  IntfPtr<IKivTable> parts;
  FieldOf(item.get(), kParts)->NestedTable(parts);

  BodyBytes body;
  body.Int32(2).Byte(0).Int32(10).Byte(0).Int16(-3).Byte(0).Int32(11).Byte(1);
  TStringStream stream(body.Data() + "after");
  EXPECT_EQ(Load(parts.get(), stream), static_cast<int64_t>(body.Data().size()));
  EXPECT_EQ(parts->RecordCount(), 2);
  IntfPtr<IKivRecord> found;
  parts->FindByKey(11, found);
  EXPECT_EQ(found->RecordIndex(), 1);

  Items->AppendRecord(item.get());
  EXPECT_NE(Result(Model.get()).find(R"("Parts":[{"PartID":10,"Qty":-3},{"PartID":11,"Qty":null}])"),
            std::string::npos);
}

TEST_F(TableBodyTest, RecordBodyCarriesEveryLayout) {
  BodyBytes body;
  body.Int32(1)
      .Byte(0x20).Int32(7)                         // ID, flag bit 5 kept
      .Byte(0).ShortString("A-1")                  // Code
      .Byte(0).Double(2.5)                         // Price
      .Byte(0).Byte(1)                             // Active
      .Byte(0x01).LongString("note text")          // Note: null, its text still follows
      .Byte(0).Int32(1).Byte(0).Int32(3).Byte(0).Int16(4);  // Parts: one row
  TStringStream stream(body.Data());
  EXPECT_EQ(Load(Items.get(), stream), static_cast<int64_t>(body.Data().size()));
  EXPECT_EQ(Result(Model.get()).substr(Result(Model.get()).find("\"records\":[{")),
            R"("records":[{"ID":7,"Code":"A-1","Price":2.5,"Active":true,)"
            R"("Note":{"value":null,"text":"note text"},"Parts":[{"PartID":3,"Qty":4}]}]}]}]})");
}

TEST_F(TableBodyTest, DamagedBodiesRaiseWithoutReadingPastTheData) {
  EXPECT_EQ(LoadError(Items.get(), BodyBytes().Int32(-1).Data()),
            Format(SBodyDamaged, "Item", Format(SBodyBadCount, -1).c_str()));
  // A count that the bytes cannot back is refused before anything is made.
  EXPECT_EQ(LoadError(Items.get(), BodyBytes().Int32(1000000).Int32(0).Data()),
            Format(SBodyDamaged, "Item", Format(SBodyBadCount, 1000000).c_str()));
  EXPECT_EQ(LoadError(Items.get(), BodyBytes().Int32(1).Byte(0).Int32(1).Byte(0).Byte(200).Data()),
            Format(SBodyDamaged, "Item", SBodyTruncated));
  EXPECT_EQ(LoadError(Items.get(), BodyBytes().Int32(1).Byte(0).Int32(1).Byte(1).Byte(1).Byte(1)
                                       .Byte(1).Int32(-5).Data()),
            Format(SBodyDamaged, "Item", Format(SBodyBadLength, -5).c_str()));
  EXPECT_EQ(Items->RecordCount(), 0);
}

TEST_F(TableBodyTest, DuplicateKeyInABodyRaisesAfterTheRecordsBeforeIt) {
  BodyBytes body;
  body.Int32(2);
  for (int i = 0; i < 2; ++i) body.Byte(0).Int32(5).Byte(1).Byte(1).Byte(1).Byte(1).LongString("").Byte(1);
  EXPECT_EQ(LoadError(Items.get(), body.Data()), Format(SDuplicateKey, "Item", 5));
  EXPECT_EQ(Items->RecordCount(), 1);
}

}  // namespace

#include "KivEngine/Messages.h"
#include "EngineTest.h"
#include "rtl/Format.h"

namespace {

using namespace kivengine;

class TableTest : public ItemTableTest {
 protected:
  IntfPtr<IKivRecord> NewItem(int32_t id, const std::string& code = "") {
    IntfPtr<IKivRecord> record;
    Items->NewRecord(record);
    FieldOf(record.get(), kID)->SetAsInteger(id);
    if (!code.empty()) FieldOf(record.get(), kCode)->SetAsString(code);
    return record;
  }
  IntfPtr<IKivRecord> AppendItem(int32_t id, const std::string& code = "") {
    IntfPtr<IKivRecord> record = NewItem(id, code);
    Items->AppendRecord(record.get());
    return record;
  }
  IntfPtr<IKivRecord> Locate(const std::string& field, const Variant& value) {
    IntfPtr<IKivRecord> found;
    Items->Locate(field, value, found);
    return found;
  }
  IntfPtr<IKivRecord> FindByKey(int32_t key) {
    IntfPtr<IKivRecord> found;
    Items->FindByKey(key, found);
    return found;
  }
};

TEST_F(TableTest, NewRecordIsDetachedUntilAppended) {
  IntfPtr<IKivRecord> record = NewItem(1);
  IntfPtr<IKivTable> owner;
  record->Table(owner);
  EXPECT_EQ(owner, Items);
  EXPECT_EQ(record->RecordIndex(), -1);
  EXPECT_EQ(Items->RecordCount(), 0);

  Items->AppendRecord(record.get());
  EXPECT_EQ(record->RecordIndex(), 0);
  IntfPtr<IKivRecord> first;
  Items->RecordByIndex(0, first);
  EXPECT_EQ(first, record);
  EXPECT_EQ(MessageOf([&] { Items->RecordByIndex(1, first); }), Format(SRecordIndex, "Item", 1));
}

TEST_F(TableTest, AppendRefusesDuplicateAndMissingKeysAndForeignRecords) {
  AppendItem(1, "A");
  EXPECT_EQ(MessageOf([&] { AppendItem(1, "B"); }), Format(SDuplicateKey, "Item", 1));
  IntfPtr<IKivRecord> keyless;
  Items->NewRecord(keyless);
  EXPECT_EQ(MessageOf([&] { Items->AppendRecord(keyless.get()); }), Format(SNullKey, "Item", "ID"));
  IntfPtr<IKivRecord> twice = AppendItem(2);
  EXPECT_EQ(MessageOf([&] { Items->AppendRecord(twice.get()); }), Format(SNotNewRecord, "Item"));

  IntfPtr<IKivRecord> part;
  IntfPtr<IKivTable> parts;
  FieldOf(NewItem(3).get(), kParts)->NestedTable(parts);
  parts->NewRecord(part);
  FieldOf(part.get(), 0)->SetAsInteger(9);
  EXPECT_EQ(MessageOf([&] { Items->AppendRecord(part.get()); }), Format(SNotNewRecord, "Item"));

  EXPECT_EQ(Items->RecordCount(), 2);
  EXPECT_EQ(Locate("Code", "A")->Key(), 1);
}

TEST_F(TableTest, FindByKeyFollowsKeyChanges) {
  IntfPtr<IKivRecord> first = AppendItem(1);
  AppendItem(2);
  EXPECT_EQ(FindByKey(2)->RecordIndex(), 1);
  EXPECT_EQ(FindByKey(3), nullptr);

  FieldOf(first.get(), kID)->SetAsInteger(5);
  EXPECT_EQ(FindByKey(5), first);
  EXPECT_EQ(FindByKey(1), nullptr);
  EXPECT_EQ(MessageOf([&] { FieldOf(first.get(), kID)->SetAsInteger(2); }), Format(SDuplicateKey, "Item", 2));
  EXPECT_EQ(MessageOf([&] { FieldOf(first.get(), kID)->SetIsNull(true); }), Format(SNullKey, "Item", "ID"));
  EXPECT_EQ(first->Key(), 5);
}

TEST_F(TableTest, LocateFindsTheFirstEqualValueInTheFieldsClass) {
  AppendItem(1, "A");
  AppendItem(2, "B");
  IntfPtr<IKivRecord> third = AppendItem(3, "A");
  FieldOf(third.get(), kPrice)->SetAsFloat(2.0);

  EXPECT_EQ(Locate("Code", "A")->Key(), 1);
  EXPECT_EQ(Locate("code", "B")->Key(), 2);
  EXPECT_EQ(Locate("ID", int32_t{3}), third);
  EXPECT_EQ(Locate("ID", "3"), third);
  EXPECT_EQ(Locate("Price", int32_t{2}), third);
  EXPECT_EQ(Locate("Price", Variant::Null())->Key(), 1);
  EXPECT_EQ(Locate("Code", "C"), nullptr);
  EXPECT_EQ(Locate("ID", "x"), nullptr);
  EXPECT_EQ(Locate("Parts", int32_t{0}), nullptr);
  EXPECT_EQ(MessageOf([&] { Locate("Missing", int32_t{1}); }), Format(SUnknownField, "Item", "Missing"));

  // The index built by the searches above follows later changes and appends.
  IntfPtr<IKivRecord> first;
  Items->RecordByIndex(0, first);
  FieldOf(first.get(), kCode)->SetAsString("C");
  EXPECT_EQ(Locate("Code", "A"), third);
  EXPECT_EQ(Locate("Code", "C"), first);
  AppendItem(4, "D");
  EXPECT_EQ(Locate("Code", "D")->Key(), 4);
}

TEST_F(TableTest, ClearRecordsLetsHeldRecordsGo) {
  IntfPtr<IKivRecord> held = AppendItem(1, "A");
  Locate("Code", "A");
  Items->ClearRecords();
  EXPECT_EQ(Items->RecordCount(), 0);
  EXPECT_EQ(FindByKey(1), nullptr);
  EXPECT_EQ(Locate("Code", "A"), nullptr);
  IntfPtr<IKivTable> owner;
  held->Table(owner);
  EXPECT_EQ(owner, nullptr);
  EXPECT_EQ(held->RecordIndex(), -1);
  FieldOf(held.get(), kCode)->SetAsString("still usable");
  AppendItem(1, "A");  // the key is free again
}

TEST_F(TableTest, ValuesConvertToTheFieldsClass) {
  IntfPtr<IKivRecord> record = NewItem(1);
  FieldOf(record.get(), kPrice)->SetAsString(" 3.5 ");
  FieldOf(record.get(), kCode)->SetAsInteger(7);
  FieldOf(record.get(), kActive)->SetAsInteger(2);
  EXPECT_EQ(record->FieldAsInteger("Code"), 7);
  EXPECT_EQ(record->FieldAsInteger("Price"), 4);
  EXPECT_EQ(record->FieldAsInteger("Active"), 1);
  EXPECT_THROW(FieldOf(record.get(), kID)->SetAsString("x"), EConvertError);
  EXPECT_THROW(FieldOf(record.get(), kID)->SetAsFloat(1e10), EConvertError);
  FieldOf(record.get(), kCode)->SetAsString("x");
  EXPECT_THROW(record->FieldAsInteger("Code"), EConvertError);
  EXPECT_EQ(MessageOf([&] { FieldOf(record.get(), kParts)->SetAsInteger(1); }), Format(STableField, "Parts"));

  FieldOf(record.get(), kPrice)->SetIsNull(true);
  EXPECT_EQ(record->FieldAsInteger("Price"), 0);
  FieldOf(record.get(), kPrice)->SetIsNull(false);
  Items->AppendRecord(record.get());
  EXPECT_EQ(Locate("Price", 0.0), record);
}

TEST_F(TableTest, TablesAndNestedTablesFollowTheModelsLoadState) {
  IntfPtr<IKivTable> parts;
  FieldOf(NewItem(1).get(), kParts)->NestedTable(parts);
  EXPECT_EQ(Items->LoadState(), KivLoadStateDone);
  Model->SetLoadState(KivLoadStateFilling);
  EXPECT_EQ(Items->LoadState(), KivLoadStateFilling);
  EXPECT_EQ(parts->LoadState(), KivLoadStateFilling);
  IntfPtr<IKivTableStreamLoader> loader = IntfPtr<IKivTableStreamLoader>::Query(parts);
  EXPECT_TRUE(loader);
}

TEST_F(TableTest, UnknownNamesRaise) {
  IntfPtr<IKivDatabase> db;
  EXPECT_EQ(MessageOf([&] { Model->DatabaseByName("None", db); }), Format(SUnknownDatabase, "None"));
  EXPECT_EQ(MessageOf([&] { TableOf(Model.get(), "DB", "None"); }), Format(SUnknownTable, "None"));
  IntfPtr<IKivRecord> record = NewItem(1);
  IntfPtr<IKivField> field;
  EXPECT_EQ(MessageOf([&] { record->Fields(6, field); }), Format(SFieldIndex, "Item", 6));
  EXPECT_EQ(MessageOf([&] { record->FieldAsInteger("None"); }), Format(SUnknownField, "Item", "None"));
}

// The older revision's records have no such question.
#ifndef TARVIK_OLDER_VARIANT
TEST_F(TableTest, RecordsAllowFieldLoadsUntilAppended) {
  IntfPtr<IKivRecord> record = NewItem(1);
  EXPECT_TRUE(record->AllowsFieldLoad());
  Items->AppendRecord(record.get());
  EXPECT_FALSE(record->AllowsFieldLoad());
  Items->ClearRecords();
  EXPECT_FALSE(record->AllowsFieldLoad());  // no table any more
}
#endif

}  // namespace

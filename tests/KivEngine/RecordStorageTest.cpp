// How records keep their values: texts that outgrow the room they were made
// with, fields that outlive the references to their record, and indexes that
// follow every change, checked against a plain model of the table.
#include <map>
#include <random>

#include "EngineTest.h"
#include "KivEngine/Messages.h"
#include "rtl/Format.h"

namespace {

class RecordStorageTest : public ItemTableTest {
 protected:
  // The records array of the table "Item" in the model's result.
  static std::string RecordsOf(IKivModel* model) {
    const std::string json = Result(model);
    const size_t start = json.find("\"records\":");
    return json.substr(start, json.rfind("}]}]}") - start);
  }

  IntfPtr<IKivRecord> NewItem(int32_t id) {
    IntfPtr<IKivRecord> record;
    Items->NewRecord(record);
    FieldOf(record.get(), kID)->SetAsInteger(id);
    return record;
  }
};

TEST_F(RecordStorageTest, TextsOutgrowTheirRoomAndKeepEveryValue) {
  // The second record starts with the first one's room, which its texts outgrow.
  IntfPtr<IKivRecord> first = NewItem(1);
  FieldOf(first.get(), kCode)->SetAsString("ab");
  Items->AppendRecord(first.get());
  IntfPtr<IKivRecord> record = NewItem(2);
  IntfPtr<IKivField> code = FieldOf(record.get(), kCode), note = FieldOf(record.get(), kNote);
  code->SetAsString("abcdef");
  note->SetText(std::string(300, 't'));
  note->SetAsString("n1");
  code->SetAsString("xy");  // shorter: in place
  note->SetAsString(std::string(40, 'v'));
  code->SetAsString(std::string(50, 'c'));  // longer: moves, the old bytes left behind
  for (int i = 0; i < 20; ++i) code->SetAsString(std::string(50 + i, static_cast<char>('a' + i)));
  note->SetText("short");
  Items->AppendRecord(record.get());
  EXPECT_EQ(RecordsOf(Model.get()),
            "\"records\":[{\"ID\":1,\"Code\":\"ab\",\"Price\":null,\"Active\":null,\"Note\":{\"value\":null,\"text\":\"\"},"
            "\"Parts\":[]},{\"ID\":2,\"Code\":\"" + std::string(69, 't') +
                "\",\"Price\":null,\"Active\":null,\"Note\":{\"value\":\"" + std::string(40, 'v') +
                "\",\"text\":\"short\"},\"Parts\":[]}]");

  // Null drops a text; the value given back is the class default, then a new one.
  code->SetIsNull(true);
  code->SetIsNull(false);
  EXPECT_NE(RecordsOf(Model.get()).find("\"ID\":2,\"Code\":\"\","), std::string::npos);
  code->SetAsInteger(12345);
  EXPECT_EQ(record->FieldAsInteger("Code"), 12345);
  IntfPtr<IKivRecord> found;
  Items->Locate("Code", "12345", found);
  EXPECT_EQ(found, record);
}

TEST_F(RecordStorageTest, FieldsOutliveTheReferencesToTheirRecord) {
  IntfPtr<IKivField> key, code;
  {
    IntfPtr<IKivRecord> record = NewItem(7);
    key = FieldOf(record.get(), kID);
    code = FieldOf(record.get(), kCode);
  }
  code->SetAsString("kept");
  IntfPtr<IKivRecord> owner;
  key->OwnerRecord(owner);
  EXPECT_EQ(owner->Key(), 7);
  Items->AppendRecord(owner.get());
  owner.Clear();
  // Appended while a field is held: the field still reaches it, and the
  // table's indexes follow changes made through it.
  key->SetAsInteger(8);
  IntfPtr<IKivRecord> found;
  Items->FindByKey(8, found);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->FieldAsInteger("ID"), 8);
  Items->FindByKey(7, found);
  EXPECT_FALSE(found);
  key.Clear();
  code.Clear();
  Items->ClearRecords();  // the record goes with its last reference (no leak under the sanitizer)

  // A record never appended goes with its last field.
  IntfPtr<IKivField> alone = FieldOf(NewItem(9).get(), kCode);
  alone->SetAsString("x");
  alone->OwnerRecord(owner);
  EXPECT_EQ(owner->RecordIndex(), -1);
}

// Records live in blocks that the table reuses once it has let them go: those
// that others still hold keep their values through emptying and refilling,
// and outlive the model that made them.
TEST_F(RecordStorageTest, HeldRecordsKeepTheirValuesThroughRefillsAndTheirModel) {
  std::vector<IntfPtr<IKivRecord>> held;
  auto fill = [&](int32_t first, int32_t count) {
    for (int32_t id = first; id < first + count; ++id) {
      IntfPtr<IKivRecord> record = NewItem(id);
      FieldOf(record.get(), kCode)->SetAsString(std::to_string(id * 7));
      FieldOf(record.get(), kNote)->SetText(std::string(id % 50, 'n'));  // texts of every length
      Items->AppendRecord(record.get());
      if (id % 97 == 0) held.push_back(record);
    }
  };
  auto check = [&] {
    for (const IntfPtr<IKivRecord>& record : held) {
      const int32_t id = record->Key();
      ASSERT_EQ(record->FieldAsInteger("Code"), id * 7);
      ASSERT_EQ(record->FieldAsInteger("ID"), id);
    }
  };
  fill(1, 20000);
  for (int round = 1; round <= 3; ++round) {
    Items->ClearRecords();
    check();
    fill(round * 100000, 20000 / round);  // smaller each time: memory is let go
    check();
  }
  Items.Clear();
  Model.Clear();  // the table goes; the records held keep what they need
  check();
  FieldOf(held.front().get(), kCode)->SetAsString("42");
  EXPECT_EQ(held.front()->FieldAsInteger("Code"), 42);
  held.clear();
}

// Appends, key and value changes, nulls and emptying in a random order; after
// each step every search answers as a plain scan of the expected rows does.
TEST_F(RecordStorageTest, IndexesFollowEveryChangeAsAScanWould) {
  struct Row {
    int32_t Key;
    bool CodeNull;
    std::string Code;
    bool PriceNull;
    int32_t Price;
  };
  std::vector<Row> rows;
  std::mt19937 random(5);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  IntfPtr<IKivRecord> found;
  // Both fields searched from the start, so that their indexes are kept up.
  Items->Locate("Code", "", found);
  Items->Locate("Price", 0.0, found);
  for (int step = 0; step < 3000; ++step) {
    const int action = pick(10);
    if (action < 4 || rows.empty()) {
      Row row{static_cast<int32_t>(pick(400)), pick(4) == 0, std::string(1, static_cast<char>('a' + pick(6))),
              pick(4) == 0, pick(8)};
      IntfPtr<IKivRecord> record = NewItem(row.Key);
      if (!row.CodeNull) FieldOf(record.get(), kCode)->SetAsString(row.Code);
      if (!row.PriceNull) FieldOf(record.get(), kPrice)->SetAsInteger(row.Price);
      bool held = false;
      for (const Row& r : rows) held |= r.Key == row.Key;
      if (held) {
        EXPECT_EQ(MessageOf([&] { Items->AppendRecord(record.get()); }), Format(kivengine::SDuplicateKey, "Item", row.Key));
      } else {
        Items->AppendRecord(record.get());
        rows.push_back(row);
      }
    } else if (action < 9) {
      const int at = pick(static_cast<int>(rows.size()));
      IntfPtr<IKivRecord> record;
      Items->RecordByIndex(at, record);
      Row& row = rows[at];
      switch (pick(4)) {
        case 0: {
          const int32_t key = pick(400);
          bool held = false;
          for (const Row& r : rows) held |= r.Key == key && &r != &row;
          if (held) {
            EXPECT_THROW(FieldOf(record.get(), kID)->SetAsInteger(key), Exception);
          } else {
            FieldOf(record.get(), kID)->SetAsInteger(key);
            row.Key = key;
          }
          break;
        }
        case 1:
          row.Code = std::string(1 + pick(2), static_cast<char>('a' + pick(6)));
          row.CodeNull = false;
          FieldOf(record.get(), kCode)->SetAsString(row.Code);
          break;
        case 2:
          row.CodeNull = row.PriceNull = true;
          FieldOf(record.get(), kCode)->SetIsNull(true);
          FieldOf(record.get(), kPrice)->SetIsNull(true);
          break;
        default:
          row.Price = pick(8);
          row.PriceNull = false;
          FieldOf(record.get(), kPrice)->SetAsFloat(row.Price);
          break;
      }
    } else if (pick(20) == 0) {
      Items->ClearRecords();
      rows.clear();
    }
    if (step % 7 != 0) continue;
    for (int32_t key = 0; key < 400; key += 13) {
      int expected = -1;
      for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Key == key) expected = static_cast<int>(i);
      Items->FindByKey(key, found);
      ASSERT_EQ(found ? found->RecordIndex() : -1, expected) << "key " << key << " at step " << step;
      // The key field searched by value, in any class that converts.
      for (const Variant& value : {Variant(key), Variant(std::to_string(key)), Variant(key + 0.0)}) {
        Items->Locate("id", value, found);
        ASSERT_EQ(found ? found->RecordIndex() : -1, expected) << "key " << key << " at step " << step;
      }
    }
    Items->Locate("ID", Variant::Null(), found);
    ASSERT_FALSE(found);
    Items->Locate("ID", 0.5, found);  // no integer: nothing, whatever rounding would say
    for (const char* code : {"a", "c", "f", "bb", ""}) {
      int expected = -1;
      for (size_t i = 0; i < rows.size() && expected < 0; ++i)
        if (*code ? !rows[i].CodeNull && rows[i].Code == code : rows[i].CodeNull) expected = static_cast<int>(i);
      Items->Locate("Code", *code ? Variant(code) : Variant::Null(), found);
      ASSERT_EQ(found ? found->RecordIndex() : -1, expected) << "code " << code << " at step " << step;
    }
    for (int32_t price = 0; price < 8; ++price) {
      int expected = -1;
      for (size_t i = 0; i < rows.size() && expected < 0; ++i)
        if (!rows[i].PriceNull && rows[i].Price == price) expected = static_cast<int>(i);
      Items->Locate("Price", price, found);
      ASSERT_EQ(found ? found->RecordIndex() : -1, expected) << "price " << price << " at step " << step;
    }
  }
}

}  // namespace

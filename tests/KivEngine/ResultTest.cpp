#include "EngineTest.h"
#include "KivEngine/Messages.h"
#include "rtl/Format.h"

namespace {

using namespace kivengine;

TEST_F(EngineTest, ResultHoldsEveryValueAndNullStateAsUtf8) {
  IntfPtr<IKivModel> model = LoadModel(kItemModel);
  IntfPtr<IKivTable> items = TableOf(model.get(), "DB", "Item");
  IntfPtr<IKivRecord> record;
  items->NewRecord(record);
  FieldOf(record.get(), kID)->SetAsInteger(-2);
  FieldOf(record.get(), kCode)->SetAsString("综合\"单价\"\\\t\xFF");  // GBK text, a byte of no character at the end
  FieldOf(record.get(), kPrice)->SetAsFloat(0.1);
  FieldOf(record.get(), kActive)->SetAsBoolean(false);
  FieldOf(record.get(), kNote)->SetAsString("x");
  FieldOf(record.get(), kNote)->SetText("说明");
  FieldOf(record.get(), kParts)->SetIsNull(true);
  items->AppendRecord(record.get());
  items->NewRecord(record);
  FieldOf(record.get(), kID)->SetAsInteger(3);
  items->AppendRecord(record.get());

  const std::string json = Result(model.get());
  EXPECT_EQ(json.substr(json.find("\"records\"")),
            "\"records\":[{\"ID\":-2,\"Code\":\"\xE7\xBB\xBC\xE5\x90\x88\\\"\xE5\x8D\x95\xE4\xBB\xB7\\\"\\\\\\u0009"
            "\\ufffd\",\"Price\":0.1,\"Active\":false,\"Note\":{\"value\":\"x\",\"text\":\"\xE8\xAF\xB4\xE6\x98\x8E\"},"
            "\"Parts\":null},{\"ID\":3,\"Code\":null,\"Price\":null,\"Active\":null,"
            "\"Note\":{\"value\":null,\"text\":\"\"},\"Parts\":[]}]}]}]}");
}

TEST_F(EngineTest, ResultRefusesOptionsItDoesNotHave) {
  IntfPtr<IKivModel> model = LoadModel(kItemModel);
  std::string json;
  EXPECT_THROW(model->MakeResult(1, 0, json), Exception);
  EXPECT_TRUE(json.empty());
}

TEST_F(EngineTest, ReservedOperationsAnswerNothing) {
  EXPECT_EQ(Engine->Reserved4(1, 2, 3, 4), 0);
  EXPECT_EQ(Engine->Reserved11(5), 0);
}

}  // namespace

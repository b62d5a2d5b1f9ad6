#include <charconv>
#include <cstdio>
#include <random>

#include "EngineTest.h"
#include "KivEngine/Messages.h"
#include "rtl/Format.h"
#include "winport/Codepage.h"

namespace {

using namespace kivengine;

// The JSON string of GBK text made the plain way: the whole text through the
// code page converter (which keeps bytes it cannot convert), then every byte
// that does not start well-formed UTF-8 as U+FFFD.
std::string ReferenceJsonString(const std::string& gbk) {
  const std::string text = GbkToUtf8(gbk);
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                    : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > text.size()) length = 0;
    for (size_t k = 1; k < length; ++k)
      if ((byte(i + k) & 0xC0) != 0x80) length = 0;
    if (length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (text[i] == '"' || text[i] == '\\') {
      out += '\\';
      out += text[i];
    } else if (length == 1 && lead < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", lead);
      out += escaped;
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out + "\"";
}

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

// Every double-byte sequence, the single bytes at and above 0x80, lead bytes
// before bytes that cannot follow them and at the very end, control bytes.
TEST_F(EngineTest, ResultTextIsTheCodePagesUtf8WithEveryOtherByteReplaced) {
  std::string gbk;
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0x30; trail <= 0xFF; ++trail) {
      gbk += static_cast<char>(lead);
      gbk += static_cast<char>(trail);
    }
    gbk += static_cast<char>(lead);
    gbk += "\"\\\x01\x1F\x7F";
  }
  gbk += '\xB0';
  IntfPtr<IKivModel> model = LoadModel(kItemModel);
  IntfPtr<IKivTable> items = TableOf(model.get(), "DB", "Item");
  IntfPtr<IKivRecord> record;
  items->NewRecord(record);
  FieldOf(record.get(), kID)->SetAsInteger(1);
  FieldOf(record.get(), kCode)->SetAsString(gbk);
  items->AppendRecord(record.get());

  const std::string expected = "\"Code\":" + ReferenceJsonString(gbk) + ",";
  const std::string json = Result(model.get());
  EXPECT_NE(json.find(expected), std::string::npos);
}

// Numbers are the shortest text that reads back the same, as std::to_chars
// writes it: amounts with two decimals, whole numbers with and without
// trailing zeros, tiny and huge ones, both signs.
TEST_F(EngineTest, ResultNumbersAreTheShortestThatReadBack) {
  IntfPtr<IKivModel> model = LoadModel(kItemModel);
  IntfPtr<IKivTable> items = TableOf(model.get(), "DB", "Item");
  IntfPtr<IKivRecord> record;
  items->NewRecord(record);
  FieldOf(record.get(), kID)->SetAsInteger(1);
  items->AppendRecord(record.get());
  IntfPtr<IKivField> price = FieldOf(record.get(), kPrice);
  std::vector<double> values = {0.01, 0.1, 0.05, 0.5, 1, 7, 10, 100, 100000, 120, 123400, 1e11, 999999999999.99,
                                1e12, 1e12 + 0.5, 0.005, 0.015, 1e-7, 1.5e300, 2.0 / 3, 0.3, 1234.5600000000002};
  std::mt19937_64 random(3);
  for (int i = 0; i < 3000; ++i) {
    const int64_t hundredths = static_cast<int64_t>(random() % 100000000000000ull) >> (random() % 40);
    values.push_back(static_cast<double>(hundredths) / (i % 3 == 0 ? 10 : 100));
  }
  for (double value : values)
    for (double signed_value : {value, -value}) {
      price->SetAsFloat(signed_value);
      char text[64];
      const std::string expected(text, std::to_chars(text, text + sizeof text, signed_value).ptr);
      const std::string json = Result(model.get());
      ASSERT_NE(json.find("\"Price\":" + expected + ","), std::string::npos) << expected;
    }
}

TEST_F(EngineTest, ResultReplacesWhatTheStringHeld) {
  IntfPtr<IKivModel> model = LoadModel(kItemModel);
  std::string json(1 << 20, 'x');
  model->MakeResult(0, 0, json);
  EXPECT_EQ(json, Result(model.get()));
  EXPECT_EQ(json.substr(0, 14), "{\"databases\":[");
}

TEST_F(EngineTest, ResultRefusesOptionsItDoesNotHave) {
  IntfPtr<IKivModel> model = LoadModel(kItemModel);
  std::string json;
  EXPECT_THROW(model->MakeResult(1, 0, json), Exception);
  EXPECT_TRUE(json.empty());
}

TEST_F(EngineTest, ReservedOperationsAnswerNothing) {
  EXPECT_EQ(Engine->Reserved6(5), 0);
  EXPECT_EQ(Engine->Reserved8(5), 0);
}

}  // namespace

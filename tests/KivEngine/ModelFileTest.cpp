#include "KivEngine/Messages.h"
#include "KivEngine/ModelFile.h"
#include "EngineTest.h"
#include "rtl/Format.h"

namespace {

using namespace kivengine;

class ModelFileTest : public EngineTest {
 protected:
  // The message that loading the text raises.
  std::string LoadError(const std::string& text) {
    return MessageOf([&] { LoadModel(text); });
  }
  std::string Expected(int line, const std::string& detail) {
    return Format(SModelError, Folder + "/model.Kiv", line, detail);
  }
};

TEST_F(ModelFileTest, DefinitionComesBackInTheResult) {
  IntfPtr<IKivModel> model = LoadModel(kItemModel);
  EXPECT_EQ(Result(model.get()),
            R"({"databases":[{"name":"DB","tables":[{"name":"Item","key":"ID","fields":[)"
            R"({"name":"ID","type":2,"kind":0},{"name":"Code","type":0,"kind":0},)"
            R"({"name":"Price","type":7,"kind":0},{"name":"Active","type":1,"kind":0},)"
            R"({"name":"Note","type":11,"kind":4},{"name":"Parts","type":0,"kind":7,"table":{"name":"Parts",)"
            R"("key":"PartID","fields":[{"name":"PartID","type":2,"kind":0},{"name":"Qty","type":5,"kind":0}]}}],)"
            R"("records":[]}]}]})");
}

TEST_F(ModelFileTest, CommentsBlankLinesCaseAndByteOrderMarkAreAccepted) {
  IntfPtr<IKivModel> model = LoadModel(
      "\xEF\xBB\xBFKivModel 1\n\n# a comment\ndatabase D   # trailing comment\n"
      "table T key k\nfield K integer\nfield F word kind 6\nend\nend\n");
  IntfPtr<IKivTable> table = TableOf(model.get(), "d", "t");  // names compare without case
  IntfPtr<IKivRecord> record;
  table->NewRecord(record);
  EXPECT_EQ(FieldOf(record.get(), 1)->DataType(), 6);
  EXPECT_EQ(FieldOf(record.get(), 1)->FieldKind(), 6);
}

TEST_F(ModelFileTest, ErrorsNameTheFileAndTheLine) {
  EXPECT_EQ(LoadError("database D\nend\n"), Expected(1, SModelNoHeader));
  EXPECT_EQ(LoadError("KivModel 2\n"), Expected(1, Format(SModelBadVersion, "2")));
  EXPECT_EQ(LoadError("KivModel 1\ndatabase D\ntable T key K\nfield K Integer\nfield F Decimal\nend\nend\n"),
            Expected(5, Format(SModelBadType, "Decimal")));
  EXPECT_EQ(LoadError("KivModel 1\ndatabase D\ntable T key K\nfield K Integer kind 7\nend\nend\n"),
            Expected(4, Format(SModelBadKind, "7")));
  EXPECT_EQ(LoadError("KivModel 1\ndatabase D\ntable T key F\nfield K Integer\nfield F String\nend\nend\n"),
            Expected(3, Format(SModelBadKey, "F", "T")));
  EXPECT_EQ(LoadError("KivModel 1\ndatabase D\ntable T key K\nfield K Integer\nfield k Integer\nend\nend\n"),
            Expected(5, Format(SModelDuplicateName, "k")));
  EXPECT_EQ(LoadError("KivModel 1\ndatabase D\ntable T key K\nfield K Integer\n"), Expected(4, SModelNoEnd));
  EXPECT_EQ(LoadError("KivModel 1\ntable T key K\n"), Expected(2, Format(SModelUnexpected, "table")));
}

TEST_F(ModelFileTest, NestingTooDeepIsAnErrorNotAStackOverflow) {
  std::string text = "KivModel 1\ndatabase D\ntable T key K\nfield K Integer\n";
  for (int i = 0; i < 200000; ++i) text += "nested N key K\n";
  EXPECT_EQ(LoadError(text), Expected(4 + kMaxNesting + 1, SModelTooDeep));
}

TEST_F(ModelFileTest, MissingFileRaisesTheOpenError) {
  EXPECT_THROW(LoadModelFile(Folder + "/absent.Kiv"), EFOpenError);
}

TEST_F(ModelFileTest, TemplateModelServesTheReader) {
  IntfPtr<IKivModel> model = LoadModelFile(Bin() + "/预算综合单价库.Kiv");
  const char* tables[] = {"BQItem", "Resource", "LMMDetail", "MixResLMMDetail",
                          "NormItem", "ConvInfo", "BQSpec", "BQWorkScope"};
  for (const char* name : tables) {
    IntfPtr<IKivTable> table = TableOf(model.get(), "UserBQItemDB", name);
    IntfPtr<IKivRecord> record;
    table->NewRecord(record);
    ASSERT_GT(record->FieldCount(), 1) << name;
    // Every table's first field is its key.
    FieldOf(record.get(), 0)->SetAsInteger(42);
    EXPECT_EQ(record->Key(), 42) << name;
  }
  for (const char* name : {"Resource", "LMMDetail", "MixResLMMDetail"}) {
    IntfPtr<IKivRecord> record;
    TableOf(model.get(), "UserBQItemDB", name)->NewRecord(record);
    EXPECT_EQ(record->FieldAsInteger("ResID"), 0) << name;
  }
  IntfPtr<IKivRecord> component;
  TableOf(model.get(), "UserBQItemDB", "MixResLMMDetail")->NewRecord(component);
  EXPECT_EQ(component->FieldAsInteger("MasterResID"), 0);
}

}  // namespace

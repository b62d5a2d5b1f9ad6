#include "bench/ratebq/LibraryGenerator.h"

#include <cstdio>
#include <random>

#include "tools/ratebq-build/RateLibraryWriter.h"

namespace {

std::string Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string Numbered(const char* format, int64_t n) {
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<long long>(n));
  return text;
}

Json Record(std::initializer_list<std::pair<const char*, Json>> members) {
  Json record = Json::object();
  for (const auto& [name, value] : members) record[name] = value;
  return record;
}

class Generator {
 public:
  Generator(const LibraryShape& shape) : FShape(shape), FRandom(20240301) {}

  int32_t FirstMixed() const { return FShape.Resources - FShape.Resources * FShape.MixedPercent / 100 + 1; }

  Json Resource(int32_t id) {
    const bool mixed = id >= FirstMixed();
    Json resource = Record({{"ResID", id},
                                 {"ResCode", Numbered("%08lld", 10000000 + id)},
                                 {"ResName", Utf8(mixed ? u8"混合材料" : u8"材料") + Numbered("%lld", id)},
                                 {"Spec", "M" + std::to_string(id % 40)},
                                 {"Unit", "m3"},
                                 {"ResType", 1 + id % 3},
                                 {"Price", Price()},
                                 {"MarketPrice", Price()},
                                 {"IsMixed", mixed}});
    if (mixed) {
      Json components = Json::array();
      for (int i = 0; i < 4; ++i)
        components.push_back(Record({{"ResID", Pick(1, FirstMixed() - 1)},
                                  {"ResCode", "C"},
                                  {"Quantity", Price() / 100},
                                  {"Price", Price()},
                                  {"Amount", Price()}}));
      resource["Components"] = std::move(components);
    }
    return resource;
  }

  Json Bill(int32_t i) {
    const std::string code = GeneratedBillCode(i);
    const std::string features = Utf8(u8"1.部位：第") + std::to_string(i % 97) + Utf8(u8"层\n2.材料：C30");
    Json bill = Record({{"BQItemID", i + 1},
                             {"GroupKey", i / FShape.BillsPerGroup + 1},
                             {"Code", code.substr(0, 9)},
                             {"FullCode", code},
                             {"Name", Utf8(u8"清单项目") + std::to_string(i + 1)},
                             {"Unit", "m3"},
                             {"Quantity", 1.0},
                             {"Features", Record({{"value", features}, {"text", features}})},
                             {"WorkContent", Utf8(u8"制作、安装、养护")},
                             {"UnitPrice", Price()},
                             {"Amount", Price()},
                             {"LabourCost", Price()},
                             {"MaterialCost", Price()},
                             {"MachineCost", Price()},
                             {"ManagementFee", Price()},
                             {"Profit", Price()},
                             {"UpdateTime", 45352.5}});
    Json specs = Json::array();
    for (int s = 1; s <= 2; ++s)
      specs.push_back(Record({{"SortNo", s}, {"SpecName", Utf8(u8"特征") + std::to_string(s)}, {"SpecValue", "C30"}}));
    bill["Specs"] = std::move(specs);
    Json scopes = Json::array();
    scopes.push_back(Record({{"SortNo", 1}, {"Content", Utf8(u8"混凝土浇筑、振捣、养护")}}));
    bill["WorkScopes"] = std::move(scopes);
    Json norms = Json::array();
    for (int n = Around(FShape.NormsPerBill); n > 0; --n) norms.push_back(Norm());
    bill["Norms"] = std::move(norms);
    return bill;
  }

 private:
  Json Norm() {
    Json norm = Record({{"NormCode", "A" + std::to_string(Pick(1, 999))},
                             {"NormName", Utf8(u8"定额子目")},
                             {"Unit", "10m3"},
                             {"Quantity", 0.1},
                             {"UnitPrice", Price()},
                             {"Amount", Price()},
                             {"LabourCost", Price()},
                             {"MaterialCost", Price()},
                             {"MachineCost", Price()}});
    Json lines = Json::array();
    for (int l = Around(FShape.LinesPerNorm); l > 0; --l) {
      const int32_t resID = Pick(1, FShape.Resources);
      lines.push_back(Record({{"ResID", resID},
                           {"ResCode", Numbered("%08lld", 10000000 + resID)},
                           {"ResName", Utf8(u8"材料") + std::to_string(resID)},
                           {"Unit", "m3"},
                           {"Quantity", Price() / 100},
                           {"Price", Price()},
                           {"Amount", Price()}}));
    }
    norm["Lines"] = std::move(lines);
    if (Pick(1, 10) <= 3) {
      Json details = Json::array();
      details.push_back(Record({{"ResID", Pick(1, FShape.Resources)}, {"OldQuantity", 1.0}, {"NewQuantity", 1.1}}));
      Json conversions = Json::array();
      conversions.push_back(Record({{"ConvCode", "H1"},
                                 {"ConvName", Utf8(u8"人工乘以系数")},
                                 {"Expression", "R*1.1"},
                                 {"Factor", 1.1},
                                 {"ConvDetail", std::move(details)}}));
      norm["Conversions"] = std::move(conversions);
    }
    return norm;
  }

  int32_t Pick(int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(FRandom); }
  int32_t Around(int32_t mean) { return Pick(mean - 2, mean + 2); }
  double Price() { return Pick(1, 1000000) / 100.0; }

  const LibraryShape& FShape;
  std::mt19937 FRandom;
};

}  // namespace

std::string LibraryShape::Stamp() const {
  return Numbered("bills %lld", Bills) + Numbered(" resources %lld", Resources) + Numbered(" mixed %lld%%", MixedPercent) +
         Numbered(" norms %lld", NormsPerBill) + Numbered(" lines %lld", LinesPerNorm) +
         Numbered(" group %lld", BillsPerGroup);
}

std::string GeneratedBillCode(int32_t bill) { return Numbered("01%07lld", bill / 2) + Numbered("%03lld", bill % 2 + 1); }

void GenerateLibrary(const kivengine::ModelDef& model, const LibraryShape& shape, const std::string& folder,
                     const std::string& password) {
  Generator generator(shape);
  RateLibraryWriter writer(model, folder, password);
  for (int32_t id = 1; id <= shape.Resources; ++id) writer.AddResource(generator.Resource(id));
  for (int32_t i = 0; i < shape.Bills; ++i) writer.AddBill(generator.Bill(i));
  writer.Finish();
}

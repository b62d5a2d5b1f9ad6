#include "KivEngine/ModelFile.h"

#include <memory>
#include <sstream>
#include <vector>

#include "KivEngine/Messages.h"
#include "rtl/Exceptions.h"
#include "rtl/FileStream.h"
#include "rtl/Format.h"
#include "winport/Codepage.h"

namespace kivengine {

namespace {

constexpr const char* kTypeNames[kDataTypeCount] = {"ShortString", "Boolean", "Integer",  "ShortInt",
                                                     "Byte",        "SmallInt", "Word",    "Double",
                                                     "Currency",    "DateTime", "String",  "Memo"};
constexpr size_t kMaxFields = 255;
// Far above any real model; keeps a stray file from being read whole.
constexpr int64_t kMaxModelFileSize = 16 << 20;

class Parser {
 public:
  Parser(const std::string& text, const std::string& fileName) : FFileName(fileName) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) FLines.push_back(line);
    if (!FLines.empty() && FLines[0].rfind("\xEF\xBB\xBF", 0) == 0) FLines[0].erase(0, 3);
  }

  ModelDef Parse() {
    if (!Next() || FTokens.size() != 2 || FTokens[0] != "KivModel") Fail(SModelNoHeader);
    if (FTokens[1] != "1") Fail(Format(SModelBadVersion, Name(1)));
    ModelDef model;
    std::vector<std::string> names;
    while (Next()) {
      if (FTokens[0] != "database" || FTokens.size() != 2) Fail(Format(SModelUnexpected, Name(0)));
      DatabaseDef database{Name(1), {}};
      CheckUnique(names, database.Name);
      std::vector<std::string> tables;
      while (NextUntilEnd()) {
        if (FTokens[0] != "table") Fail(Format(SModelUnexpected, Name(0)));
        auto table = ParseTable();
        CheckUnique(tables, table->Name);
        database.Tables.push_back(std::move(table));
      }
      model.Databases.push_back(std::move(database));
    }
    return model;
  }

 private:
  // A "table" or "nested" line and its block: "<word> <name> key <field>".
  std::shared_ptr<const TableDef> ParseTable(int depth = 0) {
    if (FTokens.size() != 4 || FTokens[2] != "key") Fail(Format(SModelBadLine, Name(0)));
    if (depth > kMaxNesting) Fail(SModelTooDeep);
    auto table = std::make_shared<TableDef>();
    table->Name = Name(1);
    const std::string keyName = Name(3);
    const int startLine = FLine;
    while (NextUntilEnd()) {
      FieldDef field;
      if (FTokens[0] == "field") {
        if (FTokens.size() != 3 && !(FTokens.size() == 5 && FTokens[3] == "kind"))
          Fail(Format(SModelBadLine, Name(0)));
        field.Name = Name(1);
        field.DataType = DataType(FTokens[2]);
        if (FTokens.size() == 5) field.Kind = Kind(FTokens[4]);
      } else if (FTokens[0] == "nested") {
        field.Nested = ParseTable(depth + 1);
        field.Name = field.Nested->Name;
        field.Kind = 7;
      } else {
        Fail(Format(SModelUnexpected, Name(0)));
      }
      const std::string name = field.Name;
      if (!table->AddField(std::move(field))) Fail(Format(SModelDuplicateName, name));
      if (table->Fields.size() > kMaxFields) Fail(Format(SModelTooManyFields, table->Name));
    }
    table->KeyField = table->FieldIndex(keyName);
    if (table->KeyField < 0) Fail(Format(SModelBadKey, keyName, table->Name), startLine);
    const FieldDef& key = table->Fields[table->KeyField];
    if (key.Kind == 7 || ClassOfDataType(key.DataType) != ValueClass::Integer)
      Fail(Format(SModelBadKey, keyName, table->Name), startLine);
    return table;
  }

  // Moves to the next line with tokens; false at the end of the text.
  bool Next() {
    while (FLine < static_cast<int>(FLines.size())) {
      const std::string& line = FLines[FLine++];
      std::istringstream words(line.substr(0, line.find('#')));
      FTokens.clear();
      for (std::string word; words >> word;) FTokens.push_back(word);
      if (!FTokens.empty()) return true;
    }
    return false;
  }

  // Moves to the next line of a block; false at its "end".
  bool NextUntilEnd() {
    if (!Next()) Fail(SModelNoEnd);
    if (FTokens[0] != "end") return true;
    if (FTokens.size() != 1) Fail(Format(SModelBadLine, Name(0)));
    return false;
  }

  std::string Name(size_t token) const { return Utf8ToGbk(FTokens[token]); }

  int32_t DataType(const std::string& word) const {
    for (int32_t type = 0; type < kDataTypeCount; ++type)
      if (FoldName(word) == FoldName(kTypeNames[type])) return type;
    Fail(Format(SModelBadType, Utf8ToGbk(word)));
  }

  uint8_t Kind(const std::string& word) const {
    size_t used = 0;
    int kind = -1;
    try {
      kind = std::stoi(word, &used);
    } catch (const std::exception&) {
    }
    if (used != word.size() || kind < 0 || kind > 255 || kind == 7) Fail(Format(SModelBadKind, Utf8ToGbk(word)));
    return static_cast<uint8_t>(kind);
  }

  void CheckUnique(std::vector<std::string>& names, const std::string& name) const {
    for (const std::string& seen : names)
      if (FoldName(seen) == FoldName(name)) Fail(Format(SModelDuplicateName, name));
    names.push_back(name);
  }

  [[noreturn]] void Fail(const std::string& detail, int line = -1) const {
    throw Exception(Format(SModelError, FFileName, line < 0 ? FLine : line, detail));
  }

  std::string FFileName;
  std::vector<std::string> FLines;
  std::vector<std::string> FTokens;
  int FLine = 0;  // 1-based number of the current line
};

}  // namespace

ModelDef ParseModel(const std::string& text, const std::string& fileName) { return Parser(text, fileName).Parse(); }

ModelDef LoadModelFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  if (file.Size() > kMaxModelFileSize) throw Exception(Format(SModelError, fileName, 0, SModelTooLarge));
  std::string text(static_cast<size_t>(file.Size()), '\0');
  file.ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
  return ParseModel(text, fileName);
}

}  // namespace kivengine

// The reader of one installed rate library: its folder's models, two index
// files with the hash indexes built over them, two data files of blocks, and
// the retrieval of bill items into the rate model's data set "UserBQItemDB".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "RateIntf/PagedFile.h"
#include "RateIntf/RateIntfs.h"
#include "platform/QuarnHashUtils.h"
#include "rtl/FileStream.h"
#include "rtl/InterfacedObject.h"
#include "rtl/Stream.h"

class TRateBQDBReader : public Implements<TInterfacedObject, IRateBQDBReader> {
 public:
  // Opens the library in Path (with or without a trailing delimiter), creating
  // the folder and its rate model from the template when they are missing.
  // Every failure frees what was opened and passes on; a folder made or a
  // template copied by then stays.
  explicit TRateBQDBReader(const std::string& Path);
  ~TRateBQDBReader() override;

  void LoadByCodes(const std::vector<std::string>& Codes, std::string& Result) override;
  void LoadByBQKeys(const std::vector<int32_t>& BQKeys, std::string& Result) override;
  void LoadByGroupKeys(const std::vector<int32_t>& GroupKeys, std::string& Result) override;
  void TemplateModel(IntfPtr<IKivModel>& Result) override;
  // Tests the password on the first bill block without storing it; every
  // failure answers false.
  bool CheckPassword(const std::string& Password) override;
  void SetPassword(const std::string& Password) override;

  // The folder of the Tarvik library itself, with a trailing delimiter.
  static std::string GetLibraryFolder();

 private:
  // Block offsets in the order found, each once.
  class TOffsets {
   public:
    void Add(int32_t Offset) {
      if (Seen.insert(Offset).second) List.push_back(Offset);
    }
    const std::vector<int32_t>& Items() const { return List; }

   private:
    std::vector<int32_t> List;
    std::unordered_set<int32_t> Seen;
  };

  static TFileStream* OpenDataFile(const std::string& FileName);
  static void LoadModel(const std::string& FileName, IntfPtr<IKivModel>& Model);
  void BuildIndexes();
  void IndexResources(TMemoryStream& Bytes);
  void IndexBQItems(TMemoryStream& Bytes);
  void ReleaseAll();

  // Empties RecordBuffer and copies the block at Offset of Data into it; the
  // block's length is what Lengths holds for the offset. Blocks of a file with
  // Pages are read through them.
  void ReadBlock(TFileStream* Data, const TIntKeyHash* Lengths, int32_t Offset, TPagedFile* Pages = nullptr);

  void CollectCodeOffsets(const std::vector<std::string>& Codes, TOffsets& Offsets) const;
  void CollectBQKeyOffsets(const std::vector<int32_t>& BQKeys, TOffsets& Offsets) const;
  void CollectGroupKeyOffsets(const std::vector<int32_t>& GroupKeys, TOffsets& Offsets) const;
  void FillUserDB(const TOffsets& Offsets, std::string& Result);
  void GetTable(const std::string& Name, IntfPtr<IKivTable>& Result);
  void LoadBQItem(int32_t Offset);
  void ReadTable(const std::string& TableName, TStream* Stream);
  void ResolveResources(const std::string& TableName, const std::string& FieldName);
  void LoadResource(int32_t Offset);

  std::string Folder;
  TFileStream* ResourceIdx = nullptr;
  TFileStream* ResourceData = nullptr;
  std::unique_ptr<TPagedFile> ResourcePages;  // resource blocks are small and many
  TFileStream* RateBQIndex = nullptr;
  TFileStream* RateBQData = nullptr;
  IntfPtr<IKivModel> RateModel;
  IntfPtr<IKivModel> TemplModel;
  TIntKeyHash* ResIDToOffset = nullptr;
  TStrKeyHash* Code9ToOffset = nullptr;
  TIntKeyHash* BQKeyToOffset = nullptr;
  TIntKeyHash* GroupKeyToOffset = nullptr;
  TIntKeyHash* ResOffsetToLength = nullptr;
  TIntKeyHash* BQOffsetToLength = nullptr;
  TStrKeyHash* CodeToOffset = nullptr;
  std::string Password;
  TMemoryStream* RecordBuffer = nullptr;
};

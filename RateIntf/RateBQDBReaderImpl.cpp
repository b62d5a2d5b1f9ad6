#include "RateIntf/RateBQDBReaderImpl.h"

#include "archive/QuarnZipFile.h"
#include "platform/KivEngineUtils.h"
#include "platform/KivUtils.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "rtl/Paths.h"
#include "winport/Files.h"

namespace {

constexpr const char* SCannotCreatePath = "不能建立路径[%s], 综合单价库建立失败。";
constexpr const char* SCannotCopyTemplate = "无法复制综合单价库模板文件。";
// Index files come from disk; a damaged one stops the opening.
constexpr const char* SIndexRecordCut = "索引文件[%s]已损坏: 最后一条记录不完整";
constexpr const char* SNoBlockAt = "数据文件[%s]中偏移%d处没有数据块";
constexpr const char* SIndexBlockOutside = "索引文件[%s]已损坏: 数据块(偏移%d, 长度%d)不在数据文件[%s]之内";

constexpr const char* kTemplateFile = "预算综合单价库.Kiv";
constexpr const char* kLongPathPrefix = "\\\\?\\";
constexpr int kResourceRecordSize = 12;
// Both capacities divide by the resource record size: no table grows while
// it is filled, since a bill record is longer.
constexpr int kCapacityDivisor = 12;

// Every occurrence of what in s removed, left to right; what the removal
// joins up is not searched again. (The prefix has no letters, so the case
// of letters does not matter.)
std::string RemoveAll(const std::string& s, const std::string& what) {
  std::string out;
  size_t from = 0;
  for (size_t at; (at = s.find(what, from)) != std::string::npos; from = at + what.size()) out.append(s, from, at - from);
  return out.append(s, from);
}

void CheckBlockExtent(const TFileStream* index, const TFileStream* data, int64_t dataSize, int32_t offset,
                      int32_t length) {
  if (offset < 0 || length <= 0 || int64_t{offset} + length > dataSize)
    throw Exception(Format(SIndexBlockOutside, index->FileName(), offset, length, data->FileName()));
}

}  // namespace

TRateBQDBReader::TRateBQDBReader(const std::string& Path) {
  try {
    if (!DirectoryExists(Path) && !ForceDirectories(Path)) throw Exception(Format(SCannotCreatePath, Path));
    Folder = IncludeTrailingPathDelimiter(Path);
    if (!FileExists(Folder + "RateBQ.Kiv") &&
        !CopyFileA((GetLibraryFolder() + kTemplateFile).c_str(), (Folder + "RateBQ.Kiv").c_str(), FALSE))
      throw Exception(SCannotCopyTemplate);
    if (FileExists(Folder + "Templ_BQ.Kiv")) LoadModel(Folder + "Templ_BQ.Kiv", TemplModel);
    LoadModel(Folder + "RateBQ.Kiv", RateModel);
    ResourceIdx = OpenDataFile(Folder + "Resource.idx");
    ResourceData = OpenDataFile(Folder + "Resource.data");
    ResourcePages = std::make_unique<TPagedFile>(ResourceData);
    RateBQIndex = OpenDataFile(Folder + "RateBQ.Index");
    RateBQData = OpenDataFile(Folder + "RateBQ.data");
    RecordBuffer = new TMemoryStream;
    BuildIndexes();
  } catch (...) {
    ReleaseAll();
    throw;
  }
}

TRateBQDBReader::~TRateBQDBReader() { ReleaseAll(); }

// Tolerates a reader that was never completed.
void TRateBQDBReader::ReleaseAll() {
  FreeAndNil(ResOffsetToLength);
  FreeAndNil(BQOffsetToLength);
  FreeAndNil(RecordBuffer);
  FreeAndNil(ResIDToOffset);
  FreeAndNil(Code9ToOffset);
  FreeAndNil(BQKeyToOffset);
  FreeAndNil(GroupKeyToOffset);
  FreeAndNil(CodeToOffset);
  FreeAndNil(RateBQData);
  FreeAndNil(RateBQIndex);
  ResourcePages.reset();
  FreeAndNil(ResourceData);
  FreeAndNil(ResourceIdx);
}

std::string TRateBQDBReader::GetLibraryFolder() {
  return ExtractFilePath(RemoveAll(ThisModuleFileName(), kLongPathPrefix));
}

TFileStream* TRateBQDBReader::OpenDataFile(const std::string& FileName) {
  return new TFileStream(FileName, fmOpenRead | fmShareDenyWrite);
}

// Each step asks for the default engine anew, as the engine may hand out a
// different object per request. The older engine makes models without a
// parameter.
void TRateBQDBReader::LoadModel(const std::string& FileName, IntfPtr<IKivModel>& Model) {
  IntfPtr<IKivEngine> engine;
#ifdef TARVIK_OLDER_VARIANT
  GetKivEngine("", engine);
  engine->CreateModel(false, Model);
#else
  IntfPtr<IInterface> param;
  GetKivEngine("", engine);
  engine->GetModelParam(param);
  GetKivEngine("", engine);
  engine->CreateModel(false, param.get(), Model);
#endif
  EngineResult(Model, "CreateModel");
  IntfPtr<IKivModelLoader> loader;
  GetKivEngine("", engine);
  engine->GetLoader(loader);
  EngineResult(loader, "GetLoader")->LoadFile(FileName, Model.get(), 0);
  Model->SetLoadState(KivLoadStateDone);
}

void TRateBQDBReader::BuildIndexes() {
  const int32_t resourceCapacity = static_cast<int32_t>(ResourceIdx->Size() / kCapacityDivisor);
  const int32_t bqCapacity = static_cast<int32_t>(RateBQIndex->Size() / kCapacityDivisor);
  ResIDToOffset = new TIntKeyHash(resourceCapacity, false);
  Code9ToOffset = new TStrKeyHash(bqCapacity, true);
  BQKeyToOffset = new TIntKeyHash(bqCapacity, true);
  GroupKeyToOffset = new TIntKeyHash(bqCapacity, true);
  CodeToOffset = new TStrKeyHash(bqCapacity, true);
  ResOffsetToLength = new TIntKeyHash(resourceCapacity, false);
  BQOffsetToLength = new TIntKeyHash(bqCapacity, false);

  // Each file is read whole, once, and parsed in memory.
  TMemoryStream bytes;
  bytes.LoadFromStream(ResourceIdx);
  IndexResources(bytes);
  bytes.LoadFromStream(RateBQIndex);
  IndexBQItems(bytes);
}

void TRateBQDBReader::IndexResources(TMemoryStream& Bytes) {
  const int64_t size = Bytes.Size();
  if (size % kResourceRecordSize != 0) throw Exception(Format(SIndexRecordCut, ResourceIdx->FileName()));
  const int64_t dataSize = ResourceData->Size();
  while (Bytes.Position() < size) {
    const int32_t resID = ReadInt32(&Bytes);
    const int32_t offset = ReadInt32(&Bytes);
    const int32_t length = ReadInt32(&Bytes);
    CheckBlockExtent(ResourceIdx, ResourceData, dataSize, offset, length);
    ResIDToOffset->Add(resID, offset);
    ResOffsetToLength->Add(offset, length);
  }
}

void TRateBQDBReader::IndexBQItems(TMemoryStream& Bytes) {
  const int64_t size = Bytes.Size();
  const int64_t dataSize = RateBQData->Size();
  std::string code9, code;
  while (Bytes.Position() < size) {
    int32_t bqKey, groupKey, offset, length;
    try {
      ReadInt32(&Bytes);  // not used
      ReadShortString(&Bytes, code9);
      bqKey = ReadInt32(&Bytes);
      groupKey = ReadInt32(&Bytes);
      ReadShortString(&Bytes, code);
      offset = ReadInt32(&Bytes);
      length = ReadInt32(&Bytes);
    } catch (const EReadError&) {
      throw Exception(Format(SIndexRecordCut, RateBQIndex->FileName()));
    }
    CheckBlockExtent(RateBQIndex, RateBQData, dataSize, offset, length);
    BQKeyToOffset->Add(bqKey, offset);
    GroupKeyToOffset->Add(groupKey, offset);
    Code9ToOffset->Add(code9, offset);
    CodeToOffset->Add(code, offset);
    BQOffsetToLength->Add(offset, length);
  }
}

void TRateBQDBReader::ReadBlock(TFileStream* Data, const TIntKeyHash* Lengths, int32_t Offset, TPagedFile* Pages) {
  const TIntKeyHashNode* node = Lengths->Find(Offset);
  if (!node) throw Exception(Format(SNoBlockAt, Data->FileName(), Offset));
  RecordBuffer->SetSize(node->Value);
  if (Pages) {
    Pages->Read(Offset, RecordBuffer->Memory(), node->Value);
  } else {
    Data->SetPosition(Offset);
    Data->ReadBuffer(RecordBuffer->Memory(), node->Value);
  }
  RecordBuffer->SetPosition(0);
}

void TRateBQDBReader::TemplateModel(IntfPtr<IKivModel>& Result) { Result = TemplModel; }

void TRateBQDBReader::SetPassword(const std::string& Password) { this->Password = Password; }

bool TRateBQDBReader::CheckPassword(const std::string& Password) {
  try {
    ReadBlock(RateBQData, BQOffsetToLength, 0);
    return UnzipFirstEntryInPlace(RecordBuffer, Password);
  } catch (...) {
    return false;
  }
}

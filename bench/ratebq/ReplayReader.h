// The reader's retrieval steps replayed with a stopwatch around each call, to
// tell where a request's time goes: index lookups, block reads, unzipping,
// record decoding and the engine (records made, appended and found, tables
// emptied and reached by name, the result made). Same files, same engine,
// same order of calls as the reader; only the timing is added.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bench/ratebq/BareIndexes.h"
#include "platform/KivEngineIntf.h"
#include "rtl/FileStream.h"
#include "rtl/Stream.h"
#include "RateIntf/PagedFile.h"

// Seconds per phase, less what the stopwatch itself cost; Fields counts the
// fields decoded.
struct PhaseTimes {
  double Lookup = 0, Read = 0, Unzip = 0, Decode = 0, Engine = 0, Result = 0;
  int64_t Fields = 0;
  double Total() const { return Lookup + Read + Unzip + Decode + Engine + Result; }
};

class ReplayReader {
 public:
  // engineFile: KivEngine.dll; model: the rate model file (GBK names).
  ReplayReader(const std::string& engineFile, const std::string& model, const std::string& folder,
               const BareIndexes& indexes, std::string password);
  ~ReplayReader();

  PhaseTimes LoadByCodes(const std::vector<std::string>& codes);
  // The rows of the eight tables that the last request filled.
  int64_t RowCount();

 private:
  IntfPtr<IKivTable> TableByName(const char* name);
  void ReadBlock(TFileStream& file, int32_t offset, int32_t length, TPagedFile* pages = nullptr);
  void AppendDecoded(const char* table);
  void ReadRun(const char* table);
  void LoadBill(int32_t offset);
  void LoadResource(int32_t offset);
  void ResolveResources(const char* table, const char* field);

  const BareIndexes& FIndexes;
  std::string FPassword;
  IntfPtr<IKivModel> FModel;
  TFileStream* FBillData;
  TFileStream* FResourceData;
  std::unique_ptr<TPagedFile> FResourcePages;
  TMemoryStream FBuffer;
  PhaseTimes FTimes;
};

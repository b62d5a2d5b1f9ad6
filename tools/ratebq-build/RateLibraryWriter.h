// Writes the index and data files of a rate library folder: "Resource.idx",
// "Resource.data", "RateBQ.Index" and "RateBQ.data", every bill block a
// one-entry zip archive encrypted under the library's password.
//
// Records are JSON objects of the model's fields (RecordEncoder), with their
// child records in members of their own:
//
//   bill     = BQItem fields + "Specs": [BQSpec] + "WorkScopes": [BQWorkScope]
//              + "Norms": [norm]
//   norm     = NormItem fields + "Lines": [LMMDetail] + "Conversions": [ConvInfo]
//   resource = Resource fields + "Components": [MixResLMMDetail]
//
// A record that leaves out its key gets the next number of its table, and a
// child that leaves out the field naming its parent (BQItemID, NormItemID,
// MasterResID) gets the parent's key. Keys of child tables and resource ids
// must be unique in the library, since one request may load any bills
// together; bill keys may repeat.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "KivEngine/ModelDef.h"
#include "tools/json/Json.h"
#include "tools/ratebq-build/RecordEncoder.h"

inline constexpr const char* kRateDatabaseName = "UserBQItemDB";

class RateLibraryWriter {
 public:
  // Creates the folder (UTF-8 path) with its parents and the four files.
  // model must outlive the writer.
  RateLibraryWriter(const kivengine::ModelDef& model, const std::string& folder, const std::string& password);
  ~RateLibraryWriter();

  void AddResource(const Json& resource);
  void AddBill(const Json& bill);
  // Checks that every resource a line or component uses is in the library
  // and that no key repeats, and closes the files. Must be called once.
  void Finish();

  int32_t BillCount() const { return FBillCount; }
  int32_t ResourceCount() const { return static_cast<int32_t>(FResourceIDs.size()); }

 private:
  class Table;
  class OutputFile;

  std::string EncryptBlock(const std::string& plain, int32_t billKey) const;
  // Where a resource id was first used: by a line of a bill, or by a
  // component of a mixed resource.
  struct ResourceUse {
    bool ByComponent;
    int32_t Owner;  // bill key or mixed resource id
  };

  std::string FPassword;
  std::unique_ptr<Table> FBills, FSpecs, FWorkScopes, FNorms, FLines, FConversions, FResources, FComponents;
  int FBillGroupKey, FBillCode9, FBillCode, FResourceID, FLineResID, FComponentResID;
  std::unique_ptr<OutputFile> FResourceIdx, FResourceData, FBillIndex, FBillData;
  int32_t FBillCount = 0;
  std::unordered_set<int32_t> FResourceIDs;
  std::unordered_map<int32_t, ResourceUse> FResourceUses;
};

// Writes a whole library from a source document {"Resources": [..], "Bills": [..]}.
void WriteRateLibrary(const kivengine::ModelDef& model, const Json& source, const std::string& folder,
                      const std::string& password);

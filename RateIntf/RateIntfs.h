// The interfaces the Tarvik library hands to its host: the catalogue of the
// installed rate libraries, one catalogue entry, and the reader of one library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/KivEngineIntf.h"
#include "rtl/Interface.h"

// Retrieval answers what the rate model makes of its filled data set
// (IKivModel.MakeResult).
struct IRateBQDBReader : IInterface {
  static constexpr TGUID IID = StringToGUID("{463B6F46-0DA2-48F7-9F63-1CCF2EF6BFAE}");
  virtual void LoadByCodes(const std::vector<std::string>& Codes, std::string& Result) = 0;       // 3
  virtual void LoadByBQKeys(const std::vector<int32_t>& BQKeys, std::string& Result) = 0;         // 4
  virtual void LoadByGroupKeys(const std::vector<int32_t>& GroupKeys, std::string& Result) = 0;   // 5
  virtual void TemplateModel(IntfPtr<IKivModel>& Result) = 0;                                    // 6
  virtual bool CheckPassword(const std::string& Password) = 0;                                    // 7
  virtual void SetPassword(const std::string& Password) = 0;                                      // 8
};

struct IRateBQ : IInterface {
  static constexpr TGUID IID = StringToGUID("{319A9D0D-09F1-4C32-9325-F7BF4400D94C}");
  virtual void GetRegionName(std::string& Result) = 0;  // 3
  virtual void GetLibType(std::string& Result) = 0;     // 4
  virtual void GetPeriodName(std::string& Result) = 0;  // 5
  virtual void GetPathName(std::string& Result) = 0;    // 6
  virtual int32_t GetRegionID() = 0;                    // 7
  virtual int32_t GetBQID() = 0;                        // 8
  virtual int32_t GetPeriodID() = 0;                    // 9
  // Region, period and library type, joined without a separator.
  virtual void GetCaption(std::string& Result) = 0;  // 10
  // A new reader over the library's folder on every call.
  virtual void OpenReader(IntfPtr<IRateBQDBReader>& Result) = 0;  // 11
};

struct IRateBQs : IInterface {
  static constexpr TGUID IID = StringToGUID("{3CA90BC7-7167-4A3F-8297-991883537AC0}");
  virtual int32_t Count() = 0;  // 3
  // Nil at or past the end; a negative index raises the list's index error.
  virtual void Items(int32_t Index, IntfPtr<IRateBQ>& Result) = 0;  // 4
  // The first entry with that library id, or nil.
  virtual void ItemByBQID(int32_t BQID, IntfPtr<IRateBQ>& Result) = 0;  // 5
};

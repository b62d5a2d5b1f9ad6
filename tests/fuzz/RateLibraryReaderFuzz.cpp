// A rate library reader opened on a folder whose "Resource.idx",
// "Resource.data", "RateBQ.Index" and "RateBQ.data" are the input's first four
// sections, then asked, under the password "pw", for the codes of the fifth
// section (one a line; those that are numbers also as bill and group keys).
// A request gives the same outcome twice, a refused one leaves the next
// starting from empty tables, and the reader changes none of the files.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "RateIntf/RateBQDBReaderImpl.h"
#include "rtl/Exceptions.h"
#include "rtl/SysUtils.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tools/json/Json.h"

namespace {

constexpr const char* kFiles[] = {"Resource.idx", "Resource.data", "RateBQ.Index", "RateBQ.data"};
constexpr size_t kFileCount = std::size(kFiles);
constexpr size_t kMaxKeys = 16;

const std::string& LibraryFolder() {
  static const std::string folder = ScratchFolder() + "/library";
  return folder;
}

std::string FileOf(size_t i) { return LibraryFolder() + "/" + kFiles[i]; }

std::vector<std::string> ReadFiles() {
  std::vector<std::string> contents;
  for (size_t i = 0; i < kFileCount; ++i) {
    std::ifstream in(FileOf(i), std::ios::binary);
    contents.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return contents;
}

// What a request gives: the model's result, or the message it raised.
std::string Outcome(const std::function<void(std::string&)>& request) {
  std::string result;
  try {
    request(result);
  } catch (const Exception& e) {
    return "raised: " + e.Message();
  }
  return result;
}

void CheckTablesEmpty(IRateBQDBReader* reader) {
  std::string result;
  reader->LoadByCodes({}, result);
  const Json document = ParseJson(result);
  for (const Json& database : document.at("databases"))
    if (database.at("name") == "UserBQItemDB")
      for (const Json& table : database.at("tables"))
        FuzzCheck(table.at("records").empty(), "a request after another left records behind");
}

void Request(IRateBQDBReader* reader, const std::function<void(std::string&)>& request) {
  const std::string first = Outcome(request);
  CheckTablesEmpty(reader);
  FuzzCheck(Outcome(request) == first, "a request repeated gave another outcome");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> sections = Sections(data, size, kFileCount + 1);
  std::filesystem::create_directories(LibraryFolder());
  for (size_t i = 0; i < kFileCount; ++i) std::ofstream(FileOf(i), std::ios::binary | std::ios::trunc) << sections[i];
  const std::vector<std::string> files(sections.begin(), sections.begin() + kFileCount);

  std::vector<std::string> codes;
  std::vector<int32_t> keys;
  for (size_t start = 0; start <= sections[kFileCount].size() && codes.size() < kMaxKeys;) {
    const size_t end = std::min(sections[kFileCount].find('\n', start), sections[kFileCount].size());
    codes.push_back(sections[kFileCount].substr(start, end - start));
    int32_t key;
    if (TryStrToInt(codes.back(), key)) keys.push_back(key);
    start = end + 1;
  }

  IntfPtr<IRateBQDBReader> reader;
  try {
    reader = New<TRateBQDBReader>(LibraryFolder());
  } catch (const Exception&) {
    FuzzCheck(ReadFiles() == files, "a refused opening changed the library's files");
    return 0;
  }
  reader->CheckPassword("");
  reader->CheckPassword("pw");
  reader->SetPassword("pw");
  Request(reader.get(), [&](std::string& result) { reader->LoadByCodes(codes, result); });
  Request(reader.get(), [&](std::string& result) { reader->LoadByBQKeys(keys, result); });
  Request(reader.get(), [&](std::string& result) { reader->LoadByGroupKeys(keys, result); });
  reader.Clear();
  FuzzCheck(ReadFiles() == files, "the reader changed the library's files");
  return 0;
}

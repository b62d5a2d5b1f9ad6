// The in-place unzip of a block: it gives the first entry's data, or refuses
// and leaves the block as it was.
#include <cstdint>
#include <string>

#include "archive/QuarnZipFile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

std::string Contents(TMemoryStream& stream) {
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

// The first entry's data read the long way round, or nothing.
bool FirstEntryData(const std::string& bytes, const std::string& password, std::string& data) {
  TStringStream stream(bytes);
  try {
    IntfPtr<IZipFile> zip;
    OpenZipStream(&stream, password, zip);
    IntfPtr<IZipFileEntry> entry;
    zip->Entries(0, entry);
    data = entry->GetData();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

void Unzip(const std::string& bytes, const std::string& password) {
  TMemoryStream block;
  block.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  bool unzipped = false;
  try {
    unzipped = UnzipFirstEntryInPlace(&block, password);
  } catch (const Exception&) {
    FuzzCheck(Contents(block) == bytes, "a block whose unzip raised was changed");
    return;
  }
  std::string expected;
  const bool readable = FirstEntryData(bytes, password, expected);
  if (!unzipped) {
    FuzzCheck(Contents(block) == bytes, "a block whose unzip failed was changed");
    FuzzCheck(!readable, "the unzip failed on a first entry that reads");
    return;
  }
  FuzzCheck(readable, "the unzip succeeded on a first entry that does not read");
  FuzzCheck(Contents(block) == expected, "the unzip gave other bytes than the first entry's data");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  Unzip(bytes, "");
  Unzip(bytes, "pw");
  return 0;
}

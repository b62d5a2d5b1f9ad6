// Archives loaded from memory, every entry read without a password and with
// one; an archive that loads is saved, loaded again and must read the same. A
// save may refuse only an archive with an entry that does not read.
#include <cstdint>
#include <string>
#include <vector>

#include "archive/ByteViewStream.h"
#include "archive/QuarnZipFile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

// Each entry's name and what reading it gives: its data or the error text.
struct EntryRead {
  std::string Name;
  bool Read;
  std::string DataOrError;
};

std::vector<EntryRead> ReadEvery(IZipFile* zip) {
  std::vector<EntryRead> reads;
  for (int32_t i = 0; i < zip->Count(); ++i) {
    IntfPtr<IZipFileEntry> entry;
    zip->Entries(i, entry);
    try {
      reads.push_back({entry->Name(), true, entry->GetData()});
    } catch (const Exception& e) {
      reads.push_back({entry->Name(), false, e.Message()});
    }
  }
  return reads;
}

void LoadAndReadBack(const uint8_t* data, size_t size, const std::string& password) {
  TByteViewStream stream(reinterpret_cast<const char*>(data), size);
  IntfPtr<IZipFile> zip;
  try {
    OpenZipStream(&stream, password, zip);
  } catch (const Exception&) {
    return;  // refused, as damaged input may be
  }
  const std::vector<EntryRead> first = ReadEvery(zip.get());

  TMemoryStream saved;
  try {
    zip->SaveToStream(&saved);
  } catch (const Exception& e) {
    // Bytes that may not be an entry's are not written back.
    bool unreadable = false;
    for (const EntryRead& read : first) unreadable = unreadable || !read.Read;
    FuzzCheck(unreadable, "an archive whose entries all read was not saved: " + e.Message());
    return;
  }
  zip.Clear();
  saved.SetPosition(0);
  IntfPtr<IZipFile> again;
  OpenZipStream(&saved, password, again);
  const std::vector<EntryRead> second = ReadEvery(again.get());
  FuzzCheck(second.size() == first.size(), "a saved archive loads with another number of entries");
  for (size_t i = 0; i < first.size(); ++i) {
    FuzzCheck(second[i].Name == first[i].Name, "a saved entry comes back under another name");
    FuzzCheck(second[i].Read == first[i].Read, "a saved entry reads where it did not, or the other way round");
    if (first[i].Read) FuzzCheck(second[i].DataOrError == first[i].DataOrError, "a saved entry reads other data");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoadAndReadBack(data, size, "");
  LoadAndReadBack(data, size, "pw");
  return 0;
}

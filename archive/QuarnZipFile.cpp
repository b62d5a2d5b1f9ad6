// The archive: its errors and entry names, the entry list, reading and writing
// the archive layout on streams, and the shortcuts the rest of the library uses.
#include "archive/QuarnZipFile.h"

#include <algorithm>
#include <cstring>

#include "archive/ZipRecordIO.h"
#include "rtl/Assert.h"
#include "rtl/FileSearch.h"
#include "rtl/FileStream.h"
#include "rtl/Mask.h"
#include "rtl/Paths.h"
#include "rtl/SysUtils.h"

namespace {

constexpr const char* kUnit = "QuarnZipFile";
constexpr const char* kAssertionFailure = "Assertion failure";
constexpr int kLineAddStream = 1702;
constexpr int kLineLoadFromStream = 1893;
constexpr int kLineReadEndRecord = 1958;
constexpr int kLineSaveToStream = 1985;
constexpr int kLineWriteEndRecord = 2016;
constexpr int kLineOpenZipStream = 2104;
constexpr int kLineUnzipFirstEntryInPlace = 2125;

constexpr const char* kDefaultAddMask = "*.*";
constexpr int32_t kDefaultAddAttr = 0x76;

// End record offsets.
constexpr int kEndEntriesOnDisk = 8;
constexpr int kEndEntriesTotal = 10;
constexpr int kEndCentralSize = 12;
constexpr int kEndCentralOffset = 16;
constexpr int kEndCommentLength = 20;

void RequireStream(TStream* stream, int line) { Assert(stream != nullptr, kAssertionFailure, kUnit, line); }

// Removes everything up to and including the first `separator`, when present.
bool DropThrough(std::string& s, const char* separator) {
  const size_t at = s.find(separator);
  if (at == std::string::npos) return false;
  s.erase(0, at + std::strlen(separator));
  return true;
}

// Up to 4 bytes as a little-endian word; false when the stream gave nothing.
bool ReadWord(TStream* stream, uint32_t& word) {
  uint8_t bytes[4] = {};
  const bool got = stream->Read(bytes, 4) > 0;
  word = GetLE32(bytes);
  return got;
}

IntfPtr<IZipFileEntryIO> EntryIO(IZipFileEntry* entry) {
  return IntfPtr<IZipFileEntryIO>::Query(IntfPtr<IZipFileEntry>(entry));
}

// Every "\" and "/" that is a character of its own becomes `delimiter`; the
// second byte of a double-byte character is left alone, whatever its value.
std::string WithDelimiters(const std::string& text, char delimiter) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsLeadByte(out[i]))
      ++i;
    else if (out[i] == '\\' || out[i] == '/')
      out[i] = delimiter;
  }
  return out;
}

// Closes a directory search when it goes out of scope.
class SearchScope {
 public:
  explicit SearchScope(TSearchRec& search) : FSearch(search) {}
  ~SearchScope() { FindClose(FSearch); }
  SearchScope(const SearchScope&) = delete;
  SearchScope& operator=(const SearchScope&) = delete;

 private:
  TSearchRec& FSearch;
};

// An empty folder name stands for the current directory.
std::string FolderOf(const std::string& dir) { return IncludeTrailingPathDelimiter(dir.empty() ? "." : dir); }

// True when the folder at path is, or holds, one of the entered folders:
// entering it would add them again, without end. A folder that cannot be
// resolved cannot be searched either, and its search says why.
bool LeadsBack(const std::string& path, const std::vector<std::string>& entered) {
  const std::string resolved = ResolveFileName(path);
  if (resolved.empty()) return false;
  const std::string prefix = IncludeTrailingPathDelimiter(resolved);
  for (const std::string& folder : entered)
    if (folder == resolved || folder.rfind(prefix, 0) == 0) return true;
  return false;
}

[[noreturn]] void RefuseName(const std::string& name, const char* reason) {
  RaiseZipErrorFmt(SZipUnsafeName, name, std::string(reason));
}

// Where the entry of that name and local name lands under dest (which ends in
// a delimiter): refused when it would climb out or cannot be named.
std::string ExtractTarget(const std::string& dest, const std::string& name, const std::string& local) {
  if (local.find('\0') != std::string::npos) RefuseName(name, SZipNameHasNul);
  const size_t start = local.find_first_not_of(PathDelim);
  const std::string relative = start == std::string::npos ? std::string() : local.substr(start);
  for (size_t from = 0; from <= relative.size();) {
    size_t end = relative.find(PathDelim, from);
    if (end == std::string::npos) end = relative.size();
    if (relative.compare(from, end - from, "..") == 0) RefuseName(name, SZipNameHasParentStep);
    from = end + 1;
  }
  const std::string target = dest + relative;
  if (FileNameTooLong(target)) RefuseName(name, SZipNameTooLong);
  return target;
}

bool IsInside(const std::string& resolved, const std::string& root) {
  return !resolved.empty() && (resolved == root || resolved.rfind(IncludeTrailingPathDelimiter(root), 0) == 0);
}

void MakeFolder(const std::string& folder) {
  if (!ForceDirectories(folder)) RaiseZipErrorFmt(SZipCannotCreateFolder, folder);
}

}  // namespace

void RaiseZipError(const std::string& msg) { throw EZipFileException(msg); }

std::string ToZipName(const std::string& path) {
  std::string name = WithDelimiters(path, '/');
  DropThrough(name, ":/");
  if (DropThrough(name, "//") && DropThrough(name, "/")) DropThrough(name, "/");
  return name;
}

std::string ToLocalName(const std::string& name) { return WithDelimiters(name, PathDelim); }

TZipList::~TZipList() { Clear(); }

int32_t TZipList::Add(const IntfPtr<IZipFileEntry>& entry) {
  entry->_AddRef();
  FItems.push_back(entry.get());
  return Count() - 1;
}

void TZipList::Clear() {
  std::vector<IZipFileEntry*> items;
  items.swap(FItems);
  for (IZipFileEntry* item : items) {
    static_cast<TZipFileEntry*>(item)->ForgetOwner();
    item->_Release();
  }
}

IZipFileEntry* TZipList::Get(int32_t index) const {
  if (index < 0 || index >= Count()) RaiseZipError(SZipIndexOutOfRange);
  return FItems[index];
}

int32_t TZipList::IndexOf(const std::string& name) const {
  for (int32_t i = Count() - 1; i >= 0; --i)
    if (SameText(FItems[i]->Name(), name)) return i;
  return -1;
}

IZipFileEntry* TZipList::Find(const std::string& name) const {
  const int32_t i = IndexOf(name);
  return i < 0 ? nullptr : FItems[i];
}

TZipFile::TZipFile() : FList(New<TZipList>()) {}

TZipFile::~TZipFile() { FList->Free(); }

void TZipFile::Entries(int32_t index, IntfPtr<IZipFileEntry>& Result) {
  Result.Clear();
  if (index < 0 || index >= Count()) RaiseZipError(SZipIndexOutOfRange);
  Result = FList->Get(index);
}

void TZipFile::NewEntry(const std::string& name, int32_t attributes, TDateTime time, IntfPtr<IZipFileEntry>& Result) {
  IntfPtr<IZipFileEntry> entry(New<TZipFileEntry>(this, name, static_cast<uint32_t>(attributes), time));
  FList->Add(entry);
  Result = std::move(entry);
}

void TZipFile::AddEntry(const std::string& name, IntfPtr<IZipFileEntry>& Result) { NewEntry(name, 0, 0, Result); }

void TZipFile::AddBuffer(const std::string& name, const void* buffer, int32_t size, IntfPtr<IZipFileEntry>& Result) {
  AddEntry(name, Result);
  if (size != 0) Result->SetData(size > 0 ? std::string(static_cast<const char*>(buffer), size) : std::string());
}

void TZipFile::AddStream(const std::string& name, TStream* stream, IntfPtr<IZipFileEntry>& Result) {
  RequireStream(stream, kLineAddStream);
  stream->SetPosition(0);
  const std::string data = ReadRestOfStream(stream);
  AddEntry(name, Result);
  Result->SetData(data);
}

int32_t TZipFile::AddFiles(const std::string& dir, const std::string& baseDir, bool recursive, const std::string& mask,
                           int32_t attr) {
  std::vector<std::string> entered;
  return AddTree(dir, baseDir, recursive, mask, attr, entered);
}

// Depth first: a folder's entry, then what lies below it, then the next item.
// A file's entry is in the list before its file is read.
int32_t TZipFile::AddTree(const std::string& dir, const std::string& baseDir, bool recursive, const std::string& mask,
                          int32_t attr, std::vector<std::string>& entered) {
  const std::string d = FolderOf(dir);
  const std::string base = baseDir.empty() ? d : IncludeTrailingPathDelimiter(baseDir);
  TSearchRec found;
  const int32_t searched =
      FindFirst(d + (mask.empty() ? kDefaultAddMask : mask), attr == 0 ? kDefaultAddAttr : attr, found);
  if (searched == ERROR_FILE_NOT_FOUND || searched == ERROR_PATH_NOT_FOUND || searched == ERROR_NO_MORE_FILES) return 0;
  if (searched != 0) RaiseZipErrorFmt(SZipCannotSearchFolder, d, SysErrorMessage(searched));
  SearchScope scope(found);
  entered.push_back(ResolveFileName(d));
  int32_t count = 0;
  do {
    if (found.Name == "." || found.Name == "..") continue;
    const std::string path = d + found.Name;
    IntfPtr<IZipFileEntry> entry;
    if (found.Attr & faDirectory) {
      NewEntry(ExtractRelativePath(base, path + PathDelim), found.Attr, FileDateToDateTime(found.Time), entry);
      ++count;
      if (recursive && !LeadsBack(path, entered)) count += AddTree(path, base, recursive, mask, attr, entered);
    } else {
      NewEntry(ExtractRelativePath(base, path), found.Attr, FileDateToDateTime(found.Time), entry);
      entry->LoadFromFile(path);
      ++count;
    }
  } while (FindNext(found) == 0);
  entered.pop_back();
  return count;
}

// The file is read whole before its entry is made, so a file that cannot be
// opened adds nothing.
void TZipFile::AddFile(const std::string& name, const std::string& fileName, IntfPtr<IZipFileEntry>& Result) {
  Result.Clear();
  TSearchRec found;
  if (FindFirst(fileName, faAnyFile, found) != 0) return;
  FindClose(found);
  if (found.Attr & faDirectory) return;
  std::string data;
  {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    data = ReadRestOfStream(&file);
  }
  NewEntry(name, found.Attr, FileDateToDateTime(found.Time), Result);
  Result->SetData(data);
}

// Every matching name is checked before the first byte is written, so an
// archive with one hostile name writes nothing.
void TZipFile::ExtractFiles(const std::string& destDir, const std::string& mask) {
  const TMask matcher(mask.empty() ? "*" : mask);
  const std::string dest = FolderOf(destDir);
  const std::string root = ResolveFileName(dest);
  std::vector<std::pair<IZipFileEntry*, std::string>> targets;
  for (int32_t i = 0; i < Count(); ++i) {
    IZipFileEntry* entry = FList->Get(i);
    const std::string name = entry->Name();
    const std::string local = ToLocalName(name);
    if (!matcher.Matches(local)) continue;
    std::string target = ExtractTarget(dest, name, local);
    if (!IsInside(ResolveFileName(target), root)) RefuseName(name, SZipTargetOutside);
    targets.emplace_back(entry, std::move(target));
  }
  for (const auto& [entry, target] : targets) {
    // A name that ends in a delimiter stands for a folder, whatever its attributes say.
    if ((entry->Attributes() & faDirectory) || target.back() == PathDelim) {
      MakeFolder(target);
      continue;
    }
    const std::string folder = ExtractFilePath(target);
    if (!DirectoryExists(folder)) MakeFolder(folder);
    entry->SaveToFile(target);
  }
}

void TZipFile::ExtractToBuffer(const std::string& name, void* buffer, int32_t size) {
  IZipFileEntry* entry = FindEntry(name);
  if (!entry) return;
  const std::string data = entry->GetData();
  if (size <= 0) return;
  std::memset(buffer, 0, size);
  std::memcpy(buffer, data.data(), std::min<size_t>(size, data.size()));
}

void TZipFile::ExtractToStream(const std::string& name, TStream* stream) {
  if (IZipFileEntry* entry = FindEntry(name)) entry->SaveToStream(stream);
}

std::string TZipFile::ExtractToString(const std::string& name) {
  IZipFileEntry* entry = FindEntry(name);
  return entry ? entry->GetData() : std::string();
}

void TZipFile::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TZipFile::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

// Local records are looked for 4 bytes at a time from the stream's position;
// central records are matched to entries by their order, never by name or
// stored offset.
void TZipFile::LoadFromStream(TStream* stream) {
  RequireStream(stream, kLineLoadFromStream);
  FList->Clear();
  uint32_t word;
  do {
    if (!ReadWord(stream, word)) return;
  } while (word != kZipLocalSignature);
  while (word == kZipLocalSignature) {
    IntfPtr<IZipFileEntry> entry;
    NewEntry("", 0, 0, entry);
    IntfPtr<IZipFileEntryIO> io = EntryIO(entry.get());
    io->ReadLocal(stream);
    io->ReadTrailer(stream);
    if (!ReadWord(stream, word)) return;
  }
  int32_t index = 0;
  do {
    if (word == kZipCentralSignature) {
      EntryIO(FList->Get(index))->ReadCentral(stream);
      ++index;
    }
    if (!ReadWord(stream, word)) return;
  } while (word == kZipCentralSignature);
  if (word == kZipEndSignature) ReadEndRecord(stream);
}

// An end record cut short counts the bytes it lacks as zero, and the comment
// is as long as what the stream still holds.
void TZipFile::ReadEndRecord(TStream* stream) {
  RequireStream(stream, kLineReadEndRecord);
  stream->Seek(-4, TSeekOrigin::soCurrent);
  uint8_t record[kEndRecordSize] = {};
  stream->Read(record, kEndRecordSize);
  FComment = ReadAvailable(stream, GetLE16(record + kEndCommentLength));
  std::memcpy(FEndRecord, record, kEndRecordSize);
}

void TZipFile::SaveToStream(TStream* stream) {
  RequireStream(stream, kLineSaveToStream);
  CheckFieldFits(Count(), UINT16_MAX, "条目数");
  CheckFieldFits(FComment.size(), UINT16_MAX, "注释长度");
  for (int32_t i = 0; i < Count(); ++i) {
    IntfPtr<IZipFileEntryIO> io = EntryIO(FList->Get(i));
    io->WriteLocal(stream);
    io->WriteTrailer(stream);
  }
  const int64_t centralStart = stream->Position();
  for (int32_t i = 0; i < Count(); ++i) EntryIO(FList->Get(i))->WriteCentral(stream);
  WriteEndRecord(stream, centralStart);
}

void TZipFile::WriteEndRecord(TStream* stream, int64_t centralStart) {
  RequireStream(stream, kLineWriteEndRecord);
  CheckFieldFits(stream->Position(), UINT32_MAX, "位置");
  std::memset(FEndRecord, 0, kEndRecordSize);
  PutLE32(FEndRecord, kZipEndSignature);
  PutLE16(FEndRecord + kEndEntriesOnDisk, static_cast<uint16_t>(Count()));
  PutLE16(FEndRecord + kEndEntriesTotal, static_cast<uint16_t>(Count()));
  PutLE32(FEndRecord + kEndCentralSize, static_cast<uint32_t>(stream->Position() - centralStart));
  PutLE32(FEndRecord + kEndCentralOffset, static_cast<uint32_t>(centralStart));
  PutLE16(FEndRecord + kEndCommentLength, static_cast<uint16_t>(FComment.size()));
  stream->WriteBuffer(FEndRecord, kEndRecordSize);
  stream->WriteBuffer(FComment.data(), static_cast<int32_t>(FComment.size()));
}

void CreateZipFile(const std::string& password, IntfPtr<IZipFile>& Result) {
  IntfPtr<IZipFile> archive(New<TZipFile>());
  archive->SetPassword(password);
  Result = std::move(archive);
}

void OpenZipStream(TStream* stream, const std::string& password, IntfPtr<IZipFile>& Result) {
  RequireStream(stream, kLineOpenZipStream);
  IntfPtr<IZipFile> archive;
  CreateZipFile(password, archive);
  archive->LoadFromStream(stream);
  Result = std::move(archive);
}

// The plain bytes are made in a stream of their own and then trade places
// with the block: one buffer of the plain size, written once, and the block
// stays as it was until the entry has been read whole.
bool UnzipFirstEntryInPlace(TMemoryStream* stream, const std::string& password) {
  RequireStream(stream, kLineUnzipFirstEntryInPlace);
  stream->SetPosition(0);
  IntfPtr<IZipFile> archive;
  OpenZipStream(stream, password, archive);
  try {
    IntfPtr<IZipFileEntry> entry;
    archive->Entries(0, entry);
    TMemoryStream plain;
    static_cast<TZipFileEntry*>(entry.get())->GetDataInto(plain);
    stream->Exchange(plain);
    stream->SetPosition(stream->Size());
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

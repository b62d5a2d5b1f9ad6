// PKZIP archives held in memory: stored and deflated entries, traditional
// encryption under the archive's password, CRC-32 checks; and the in-place
// unzip of a one-entry block that the rate library reader relies on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/DateTime.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "rtl/Interface.h"
#include "rtl/InterfacedObject.h"
#include "rtl/Stream.h"

// Every member inline, so that a host that loads the library at run time has
// its own type information and catches it by class.
class EZipFileException : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* SZipUnknownMethod = "未知的压缩方法 %d";
inline constexpr const char* SZipCompressError = "压缩数据出错";
inline constexpr const char* SZipCrcError = "文件 %s CRC32 检验出错";
inline constexpr const char* SZipBadPassword = "文件密码不正确";
inline constexpr const char* SZipIndexOutOfRange = "访问索引越界";
// Raised by saving when a length, count or position does not fit its field.
inline constexpr const char* SZipFormatLimit = "超出ZIP格式的限制: %s";
// Raised by reading or saving an entry whose local record cannot give its
// data: sizes kept only in a data descriptor, or central and local sizes that
// disagree.
inline constexpr const char* SZipSizesUnknown = "文件 %s 的数据大小无法确定";
// Raised by extraction, before anything is written, for an entry that would
// land outside the destination folder or that the file system cannot name.
inline constexpr const char* SZipUnsafeName = "文件 %s 不能解压: %s";
inline constexpr const char* SZipNameHasParentStep = "名称含有上级目录 \"..\"";
inline constexpr const char* SZipNameHasNul = "名称含有空字符";
inline constexpr const char* SZipNameTooLong = "名称过长";
inline constexpr const char* SZipTargetOutside = "目标在解压文件夹之外";
inline constexpr const char* SZipCannotCreateFolder = "无法创建文件夹 %s";
// Raised by adding files when a folder cannot be searched: nothing is left
// out unseen.
inline constexpr const char* SZipCannotSearchFolder = "无法读取文件夹 %s: %s";

[[noreturn]] void RaiseZipError(const std::string& msg);

template <class... Args>
[[noreturn]] void RaiseZipErrorFmt(const std::string& fmt, const Args&... args) {
  throw EZipFileException(Format(fmt, args...));
}

// A local path as an archive name: '/' separators, no drive, host or share.
// A 0x5C byte that ends a double-byte character is no "\" and stays.
std::string ToZipName(const std::string& path);
// An archive name as a relative local path: every "/" and "\" of the name
// (not the second byte of a double-byte character) becomes the platform's
// delimiter, so that a "\" is a delimiter on POSIX as it is on Windows.
std::string ToLocalName(const std::string& name);

// The general purpose flags that the archive reads and sets.
constexpr uint16_t kZipFlagEncrypted = 0x0001;
constexpr uint16_t kZipFlagDeflateOption = 0x0006;
constexpr uint16_t kZipFlagCheckFromTime = 0x0008;

constexpr uint32_t kZipLocalSignature = 0x04034B50;
constexpr uint32_t kZipCentralSignature = 0x02014B50;
constexpr uint32_t kZipEndSignature = 0x06054B50;

constexpr uint16_t kZipMethodStored = 0;
constexpr uint16_t kZipMethodDeflated = 8;

struct IZipFileEntry : IInterface {
  static constexpr TGUID IID = StringToGUID("{F96F15DA-C9CE-4466-B64F-06DE79642F30}");
  virtual uint32_t Attributes() = 0;
  virtual int32_t CompressedSize() = 0;
  virtual uint32_t CRC32() = 0;
  // The plain bytes: decrypted, inflated and, when not encrypted, CRC-checked.
  virtual std::string GetData() = 0;
  virtual TDateTime DateTime() = 0;
  virtual bool Encrypted() = 0;
  virtual std::string Name() = 0;
  virtual int32_t UncompressedSize() = 0;
  virtual void SetAttributes(uint32_t value) = 0;
  virtual void SetData(const std::string& plain) = 0;
  virtual void SetDateTime(TDateTime value) = 0;
  virtual void LoadFromFile(const std::string& fileName) = 0;
  virtual void SaveToFile(const std::string& fileName) = 0;
  virtual void LoadFromStream(TStream* stream) = 0;
  virtual void SaveToStream(TStream* stream) = 0;
};

// The records of an entry on a stream; only the archive calls these.
struct IZipFileEntryIO : IInterface {
  static constexpr TGUID IID = StringToGUID("{5090E978-509E-43F6-8C97-32B9A49B6E3B}");
  virtual void ReadCentral(TStream* stream) = 0;
  virtual void ReadTrailer(TStream* stream) = 0;
  virtual void ReadLocal(TStream* stream) = 0;
  virtual void WriteCentral(TStream* stream) = 0;
  virtual void WriteTrailer(TStream* stream) = 0;
  virtual void WriteLocal(TStream* stream) = 0;
};

// An archive as its callers see it. One thread at a time, together with its
// entries. Entries handed back are counted references of the caller's; the
// archive holds its own reference to each entry in its list.
struct IZipFile : IInterface {
  static constexpr TGUID IID = StringToGUID("{0C5D3108-B7B9-4FFE-A233-AA19E6A5FCD0}");
  virtual int32_t Count() = 0;
  virtual std::string Comment() = 0;
  virtual void Entries(int32_t index, IntfPtr<IZipFileEntry>& Result) = 0;
  virtual uint8_t Level() = 0;
  virtual std::string Password() = 0;
  virtual void SetComment(const std::string& value) = 0;
  virtual void SetLevel(uint8_t value) = 0;
  virtual void SetPassword(const std::string& value) = 0;
  virtual void AddEntry(const std::string& name, IntfPtr<IZipFileEntry>& Result) = 0;
  // Adds the files and folders of dir that match mask (default "*.*") and pass
  // the attribute filter (default 0x76), depth first, named relative to
  // baseDir (default dir); the number of entries added. A folder that is, or
  // holds, one being added already (a link back up the tree) gets its entry
  // but is not entered; a folder that cannot be searched raises
  // EZipFileException. An empty dir is the current directory.
  virtual int32_t AddFiles(const std::string& dir, const std::string& baseDir, bool recursive, const std::string& mask,
                           int32_t attr) = 0;
  virtual void AddBuffer(const std::string& name, const void* buffer, int32_t size, IntfPtr<IZipFileEntry>& Result) = 0;
  // The new entry, or none when fileName is no file.
  virtual void AddFile(const std::string& name, const std::string& fileName, IntfPtr<IZipFileEntry>& Result) = 0;
  virtual void AddStream(const std::string& name, TStream* stream, IntfPtr<IZipFileEntry>& Result) = 0;
  // Writes the entries whose local names match mask (default "*") under
  // destDir (empty: the current directory). Every name is checked before
  // anything is written: one with a ".." step or a NUL byte, one too long for
  // the file system, or one whose target resolves outside destDir (through a
  // symbolic link already there) raises EZipFileException naming the entry.
  virtual void ExtractFiles(const std::string& destDir, const std::string& mask) = 0;
  virtual void ExtractToBuffer(const std::string& name, void* buffer, int32_t size) = 0;
  virtual void ExtractToStream(const std::string& name, TStream* stream) = 0;
  virtual std::string ExtractToString(const std::string& name) = 0;
  virtual void LoadFromFile(const std::string& fileName) = 0;
  virtual void SaveToFile(const std::string& fileName) = 0;
  virtual void LoadFromStream(TStream* stream) = 0;
  virtual void SaveToStream(TStream* stream) = 0;
};

class TZipFile;

// One entry: its records, its stored bytes, and the way between plain and
// stored bytes. Used by one thread at a time, with its archive.
class TZipFileEntry : public Implements<TInterfacedObject, IZipFileEntryIO, IZipFileEntry> {
 public:
  // time 0 stands for the current local time.
  TZipFileEntry(TZipFile* owner, const std::string& name, uint32_t attributes, TDateTime time);

  uint32_t Attributes() override;
  int32_t CompressedSize() override;
  uint32_t CRC32() override;
  std::string GetData() override;
  TDateTime DateTime() override;
  bool Encrypted() override;
  std::string Name() override { return FName; }
  int32_t UncompressedSize() override;
  void SetAttributes(uint32_t value) override;
  void SetData(const std::string& plain) override;
  void SetDateTime(TDateTime value) override;
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName) override;
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;

  void ReadCentral(TStream* stream) override;
  void ReadTrailer(TStream* stream) override;
  void ReadLocal(TStream* stream) override;
  void WriteCentral(TStream* stream) override;
  void WriteTrailer(TStream* stream) override;
  void WriteLocal(TStream* stream) override;

  // The plain bytes, as GetData gives them, made in an empty memory stream:
  // they can become another stream's without a copy.
  void GetDataInto(TMemoryStream& plain);

  uint8_t LevelCode() const { return FLevel; }
  // The entry leaves its archive's list: if a caller still holds it, it then
  // works as if it had an archive without a password, and never reads the
  // archive, which may be gone.
  void ForgetOwner() { FOwner = nullptr; }

  static constexpr int kCentralSize = 46;
  static constexpr int kLocalSize = 26;

 private:
  uint16_t Flags() const;
  uint16_t Method() const;
  uint32_t CheckValue() const;
  std::string OwnerPassword() const;
  bool OwnerHasPassword() const;
  void LevelFromFlags();
  void SyncCentralWithLocal();
  void RequireKnownData() const;

  // Plain bytes go to a string or a memory stream (see the unit's GrowTo).
  template <class Out>
  void ReadPlain(Out& plain);
  template <class Out>
  void RawInflate(TStream* raw, int64_t rawSize, uint32_t size, Out& plain) const;
  std::string RawDeflate(const std::string& bytes) const;
  std::string Encrypt(const std::string& bytes) const;

  TZipFile* FOwner;
  std::string FName;
  uint8_t FCentralRecord[kCentralSize];
  uint8_t FLocalHeader[kLocalSize];
  std::string FData;
  std::string FExtra;
  std::string FComment;
  uint8_t FLevel;
  // The local record cannot give the stored bytes right (see SZipSizesUnknown).
  bool FDataUnknown = false;
};

// The archive's entries in archive order, one reference each. An entry that
// leaves the list forgets its archive.
class TZipList : public TObject {
 public:
  ~TZipList() override;

  int32_t Add(const IntfPtr<IZipFileEntry>& entry);
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  // EZipFileException "访问索引越界" outside 0 to Count - 1.
  IZipFileEntry* Get(int32_t index) const;
  // Case-insensitive for ASCII letters, from the last entry back.
  int32_t IndexOf(const std::string& name) const;
  IZipFileEntry* Find(const std::string& name) const;

 private:
  std::vector<IZipFileEntry*> FItems;
};

// The archive behind IZipFile (threads and ownership: see there).
class TZipFile : public Implements<TInterfacedObject, IZipFile> {
 public:
  static constexpr int kEndRecordSize = 22;

  TZipFile();
  ~TZipFile() override;

  int32_t Count() override { return FList->Count(); }
  std::string Comment() override { return FComment; }
  void Entries(int32_t index, IntfPtr<IZipFileEntry>& Result) override;
  uint8_t Level() override { return FLevel; }
  std::string Password() override { return FPassword; }
  void SetComment(const std::string& value) override { FComment = value; }
  void SetLevel(uint8_t value) override { FLevel = value; }
  void SetPassword(const std::string& value) override { FPassword = value; }
  void AddEntry(const std::string& name, IntfPtr<IZipFileEntry>& Result) override;
  int32_t AddFiles(const std::string& dir, const std::string& baseDir, bool recursive, const std::string& mask,
                   int32_t attr) override;
  void AddBuffer(const std::string& name, const void* buffer, int32_t size, IntfPtr<IZipFileEntry>& Result) override;
  void AddFile(const std::string& name, const std::string& fileName, IntfPtr<IZipFileEntry>& Result) override;
  void AddStream(const std::string& name, TStream* stream, IntfPtr<IZipFileEntry>& Result) override;
  void ExtractFiles(const std::string& destDir, const std::string& mask) override;
  void ExtractToBuffer(const std::string& name, void* buffer, int32_t size) override;
  void ExtractToStream(const std::string& name, TStream* stream) override;
  std::string ExtractToString(const std::string& name) override;
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName) override;
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;

  void NewEntry(const std::string& name, int32_t attributes, TDateTime time, IntfPtr<IZipFileEntry>& Result);
  IZipFileEntry* FindEntry(const std::string& name) const { return FList->Find(name); }
  void ReadEndRecord(TStream* stream);
  void WriteEndRecord(TStream* stream, int64_t centralStart);
  const uint8_t* EndRecord() const { return FEndRecord; }

 private:
  // AddFiles with the resolved folders that are being added already.
  int32_t AddTree(const std::string& dir, const std::string& baseDir, bool recursive, const std::string& mask,
                  int32_t attr, std::vector<std::string>& entered);

  TZipList* FList;
  uint8_t FLevel = 2;
  std::string FComment;
  std::string FPassword;
  uint8_t FEndRecord[kEndRecordSize] = {};
};

// A new archive with the password set (empty: no encryption).
void CreateZipFile(const std::string& password, IntfPtr<IZipFile>& Result);
// A new archive loaded from stream's current position.
void OpenZipStream(TStream* stream, const std::string& password, IntfPtr<IZipFile>& Result);
// Replaces the stream's content with the plain bytes of the first entry of the
// archive it holds. False when the entry cannot be read (the stream is then as
// it was); failures of the archive's structure are raised.
bool UnzipFirstEntryInPlace(TMemoryStream* stream, const std::string& password);

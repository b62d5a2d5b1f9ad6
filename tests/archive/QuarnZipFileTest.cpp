#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "archive/QuarnZipEnc.h"
#include "archive/QuarnZipFile.h"
#include "archive/ZlibStreams.h"
#include "rtl/Assert.h"
#include "rtl/Paths.h"
#include "tests/archive/ZipTestSupport.h"

namespace {

using namespace ziptest;
using namespace std::string_literals;

IntfPtr<IZipFile> NewArchive(const std::string& password = "") {
  IntfPtr<IZipFile> zip;
  CreateZipFile(password, zip);
  return zip;
}

IntfPtr<IZipFile> Load(const std::string& bytes, const std::string& password = "") {
  TStringStream stream(bytes);
  IntfPtr<IZipFile> zip;
  OpenZipStream(&stream, password, zip);
  return zip;
}

std::string Saved(const IntfPtr<IZipFile>& zip, const std::string& prefix = "") {
  TStringStream stream(prefix);
  stream.Seek(0, TSeekOrigin::soEnd);
  zip->SaveToStream(&stream);
  return stream.DataString();
}

IntfPtr<IZipFileEntry> Entry(const IntfPtr<IZipFile>& zip, int32_t index) {
  IntfPtr<IZipFileEntry> entry;
  zip->Entries(index, entry);
  return entry;
}

IntfPtr<IZipFileEntry> Add(const IntfPtr<IZipFile>& zip, const std::string& name, const std::string& data) {
  IntfPtr<IZipFileEntry> entry;
  zip->AddBuffer(name, data.data(), static_cast<int32_t>(data.size()), entry);
  return entry;
}

// ---- Errors and names

TEST(ZipNames, ToZipNameDropsDriveHostAndShare) {
  EXPECT_EQ(ToZipName("C:\\Data\\a.txt"), "Data/a.txt");
  EXPECT_EQ(ToZipName("\\\\host\\share\\dir\\a.txt"), "dir/a.txt");
  EXPECT_EQ(ToZipName("dir\\a.txt"), "dir/a.txt");
  EXPECT_EQ(ToZipName("\\dir\\a.txt"), "/dir/a.txt");
  EXPECT_EQ(ToZipName("C:a.txt"), "C:a.txt");
  EXPECT_EQ(ToZipName("a//b/c/d"), "d");
  EXPECT_EQ(ToZipName("\\\\host"), "host");
  EXPECT_EQ(ToZipName("\\\\host\\share"), "share");
  EXPECT_EQ(ToZipName("C:\\\\host\\share\\x"), "/host/share/x");
  EXPECT_EQ(ToZipName("Dir/../X.TXT/"), "Dir/../X.TXT/");
  EXPECT_EQ(ToZipName(""), "");
  const std::string d(1, PathDelim);
  EXPECT_EQ(ToLocalName("dir/sub/a.txt"), "dir" + d + "sub" + d + "a.txt");
  EXPECT_EQ(ToLocalName(ToZipName("dir\\a.txt")), "dir" + d + "a.txt");
  EXPECT_EQ(ToLocalName("win\\dir/a.txt"), "win" + d + "dir" + d + "a.txt");
}

// 0x5C ends many double-byte GBK characters; there it is no backslash.
TEST(ZipNames, TrailBytesAreNoDelimiters) {
  const std::string trail = "\x81\x5C";
  EXPECT_EQ(ToZipName(trail + ".txt"), trail + ".txt");
  EXPECT_EQ(ToZipName("C:\\" + trail + "\\a\\" + trail), trail + "/a/" + trail);
  EXPECT_EQ(ToLocalName(trail + "\\" + trail), trail + PathDelim + trail);
  EXPECT_EQ(ToLocalName("\x81"), "\x81");  // a lead byte at the end stands alone
}

TEST(ZipErrors, MessagesAreGbkAndRaisedAsZipErrors) {
  EXPECT_EQ(std::string(SZipBadPassword), "\xCE\xC4\xBC\xFE\xC3\xDC\xC2\xEB\xB2\xBB\xD5\xFD\xC8\xB7");
  EXPECT_THROW(RaiseZipError(SZipIndexOutOfRange), EZipFileException);
  EXPECT_EQ(ErrorText([] { RaiseZipErrorFmt(SZipUnknownMethod, 14); }), "未知的压缩方法 14");
  EXPECT_EQ(ErrorText([] { RaiseZipErrorFmt(SZipCrcError, std::string("d/a.txt")); }), "文件 d/a.txt CRC32 检验出错");
  EXPECT_EQ(std::string(SZipCompressError), "压缩数据出错");
}

// ---- Entry

// An entry never given data holds an empty deflate stream, which Info-ZIP and
// Python read as empty data (no stored bytes at all they take for damage).
TEST(ZipEntry, NewEntryWithoutDataWritesAnEmptyDeflateStream) {
  IntfPtr<IZipFile> zip = NewArchive();
  IntfPtr<IZipFileEntry> entry;
  static_cast<TZipFile*>(zip.get())->NewEntry("d\\e.txt", 0x20, EncodeDate(2020, 5, 6) + EncodeTime(7, 8, 10, 0),
                                              entry);
  const std::string bytes = Saved(zip, "pre");
  // Local record at 3, central at 3 + 30 + 7 + 2, end record after it.
  ASSERT_EQ(bytes.size(), 3u + 30 + 7 + 2 + 46 + 7 + 22);
  EXPECT_EQ(bytes.substr(33, 7), "d/e.txt");
  EXPECT_EQ(bytes.substr(40, 2), "\x03\x00"s);
  const size_t c = 42;
  EXPECT_EQ(GetLe32(bytes, c), 0x02014B50u);
  EXPECT_EQ(GetLe16(bytes, c + 4), 20);  // made by
  EXPECT_EQ(GetLe16(bytes, c + 6), 20);  // needed
  EXPECT_EQ(GetLe16(bytes, c + 8), 0);   // flags
  EXPECT_EQ(GetLe16(bytes, c + 10), 8);  // method
  EXPECT_EQ(GetLe16(bytes, c + 12), (7 << 11) + (8 << 5) + 5);
  EXPECT_EQ(GetLe16(bytes, c + 14), 6 + (5 << 5) + (40 << 9));
  EXPECT_EQ(GetLe32(bytes, c + 16), 0u);  // CRC
  EXPECT_EQ(GetLe32(bytes, c + 20), 2u);
  EXPECT_EQ(GetLe32(bytes, c + 24), 0u);
  EXPECT_EQ(GetLe32(bytes, c + 38), 0x20u);
  EXPECT_EQ(GetLe32(bytes, c + 42), 3u);  // offset of the local signature
  EXPECT_EQ(bytes.substr(3 + 4, 26), bytes.substr(c + 6, 26));
}

TEST(ZipEntry, SetDataComputesCrcSizesAndRawDeflate) {
  IntfPtr<IZipFile> plainZip = NewArchive();
  IntfPtr<IZipFileEntry> empty = Add(plainZip, "e", "");
  EXPECT_EQ(empty->CompressedSize(), 2);  // AddBuffer of 0 bytes never sets data
  EXPECT_EQ(empty->GetData(), "");
  empty->SetData("");
  EXPECT_EQ(empty->CRC32(), 0u);
  EXPECT_EQ(empty->UncompressedSize(), 0);
  EXPECT_EQ(empty->CompressedSize(), 2);
  EXPECT_EQ(Saved(plainZip).substr(31, 2), "\x03\x00"s);

  IntfPtr<IZipFileEntry> abc = Add(plainZip, "abc", "abc");
  EXPECT_EQ(abc->CRC32(), 0x352441C2u);
  EXPECT_EQ(abc->UncompressedSize(), 3);
  EXPECT_EQ(abc->GetData(), "abc");

  IntfPtr<IZipFile> secret = NewArchive("pw");
  IntfPtr<IZipFileEntry> e2 = Add(secret, "e", "x");
  e2->SetData("");
  EXPECT_EQ(e2->CompressedSize(), 14);
}

TEST(ZipEntry, LevelCodesSelectTheZlibLevel) {
  const std::string text = [] {
    std::string s;
    for (int i = 0; i < 4000; ++i) s += "line " + std::to_string(i * 7919 % 1000) + " of the rate library\n";
    return s;
  }();
  IntfPtr<IZipFile> zip = NewArchive();
  int32_t sizes[16];
  for (uint8_t code = 0; code < 16; ++code) {
    zip->SetLevel(code);
    IntfPtr<IZipFileEntry> e = Add(zip, "t", text);
    EXPECT_EQ(static_cast<TZipFileEntry*>(e.get())->LevelCode(), code);
    EXPECT_EQ(e->GetData(), text);
    sizes[code] = e->CompressedSize();
  }
  EXPECT_GT(sizes[0], static_cast<int32_t>(text.size()));  // stored blocks
  EXPECT_EQ(sizes[1], sizes[4]);                           // fastest is zlib 1
  EXPECT_EQ(sizes[3], sizes[12]);                          // best is zlib 9
  EXPECT_EQ(sizes[2], sizes[9]);                           // default is zlib 6
  EXPECT_EQ(sizes[13], sizes[2]);                          // above 12: the default
  EXPECT_LT(sizes[3], sizes[1]);
}

TEST(ZipEntry, DeflateOptionChoosesHeaderAndLevelCode) {
  const std::string plain = "deflate option bits";
  for (auto [flags, code] : {std::pair{0, 2}, {2, 3}, {4, 1}, {6, 1}}) {
    Record r = Deflated("d", plain);
    r.flags = static_cast<uint16_t>(flags);
    IntfPtr<IZipFile> zip = Load(LocalRecord(r));
    IntfPtr<IZipFileEntry> e = Entry(zip, 0);
    EXPECT_EQ(static_cast<TZipFileEntry*>(e.get())->LevelCode(), code);
    EXPECT_EQ(e->GetData(), plain);
  }
  Record stored = Stored("s", "x");
  EXPECT_EQ(static_cast<TZipFileEntry*>(Entry(Load(LocalRecord(stored)), 0).get())->LevelCode(), 4);
}

TEST(ZipEntry, StoredEntryIsCheckedAgainstItsCrc) {
  Record r = Stored("dir/a.txt", "stored bytes");
  EXPECT_EQ(Entry(Load(LocalRecord(r)), 0)->GetData(), "stored bytes");
  r.crc ^= 1;
  EXPECT_EQ(ErrorText([&] { Entry(Load(LocalRecord(r)), 0)->GetData(); }), "文件 dir/a.txt CRC32 检验出错");
}

TEST(ZipEntry, UnknownMethodsAreRefused) {
  for (uint16_t method : {14, 12}) {
    Record r = Stored("m", "abc");
    r.method = method;
    IntfPtr<IZipFileEntry> e = Entry(Load(LocalRecord(r)), 0);
    const std::string message = Format("未知的压缩方法 %d", method);
    EXPECT_EQ(ErrorText([&] { e->GetData(); }), message);
    EXPECT_EQ(ErrorText([&] { e->SetData("new"); }), message);
    // CRC and size already hold the new values; the stored bytes do not.
    EXPECT_EQ(e->CRC32(), StringCrc32("new"));
    EXPECT_EQ(e->CompressedSize(), 3);
  }
}

TEST(ZipEntry, EncryptedEntriesNeedTheRightPassword) {
  Record r = Deflated("p", "payload under a password");
  r.flags = 1;
  r.data = Encrypted(r.data, "right", r.crc);
  const std::string bytes = LocalRecord(r);
  EXPECT_EQ(Entry(Load(bytes, "right"), 0)->GetData(), "payload under a password");
  EXPECT_EQ(ErrorText([&] { Entry(Load(bytes, "wrong"), 0)->GetData(); }), "文件密码不正确");
  EXPECT_EQ(ErrorText([&] { Entry(Load(bytes), 0)->GetData(); }),
            "TZipDecryptEngine.VerifyHeader: need a passphrase (QuarnZipEnc, line 196)");

  Record tiny = Stored("t", "");
  tiny.flags = 1;
  tiny.data = "0123456789A";
  EXPECT_EQ(ErrorText([&] { Entry(Load(LocalRecord(tiny), "pw"), 0)->GetData(); }), "Stream read error");
}

TEST(ZipEntry, CheckFromTimeWhenFlagsBit3) {
  Record r = Stored("t", "checked by time");
  r.flags = 1 | 8;
  r.time = 0xA5C3;
  r.crc = 0x00FFFFFF;  // top byte unlike the time's, and wrong: encrypted entries get no CRC test
  r.data = Encrypted("checked by time", "pw", static_cast<uint32_t>(r.time) << 16);
  EXPECT_EQ(Entry(Load(LocalRecord(r) + std::string(16, 'T'), "pw"), 0)->GetData(), "checked by time");
  r.flags = 1;
  EXPECT_EQ(ErrorText([&] { Entry(Load(LocalRecord(r) + std::string(16, 'T'), "pw"), 0)->GetData(); }),
            "文件密码不正确");
}

TEST(ZipEntry, InflateThatComesUpShortIsAnError) {
  for (uint16_t flags : {0, 1}) {
    Record r = Deflated("s", "short data");
    r.usize = 1000;  // more than the data inflates to
    r.flags = flags;
    if (flags) r.data = Encrypted(r.data, "pw", r.crc);
    EXPECT_EQ(ErrorText([&] { Entry(Load(LocalRecord(r), "pw"), 0)->GetData(); }), "压缩数据出错");
    // A declared size far beyond the data costs no memory up front.
    r.usize = 0xFFFFFFF0;
    EXPECT_EQ(ErrorText([&] { Entry(Load(LocalRecord(r), "pw"), 0)->GetData(); }), "压缩数据出错");
  }
  Record garbage = Stored("g", "");
  garbage.method = 8;
  garbage.usize = 10;
  garbage.data = "\xFF\xFF\xFF\xFF";
  EXPECT_THROW(Entry(Load(LocalRecord(garbage)), 0)->GetData(), EZlibError);
}

TEST(ZipEntry, DateTimeAndItsConversionErrors) {
  IntfPtr<IZipFile> zip = NewArchive();
  IntfPtr<IZipFileEntry> now;
  zip->AddEntry("now", now);
  EXPECT_NEAR(now->DateTime(), Now(), 3.0 / 86400);

  IntfPtr<IZipFileEntry> old;
  static_cast<TZipFile*>(zip.get())->NewEntry("old", 0, EncodeDate(1979, 6, 1), old);
  EXPECT_EQ(ErrorText([&] { old->DateTime(); }), "Invalid argument to date encode");
  old->SetDateTime(EncodeDate(2108, 1, 1));
  EXPECT_THROW(old->DateTime(), EConvertError);

  const TDateTime t = EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 58, 0);
  old->SetDateTime(t);
  EXPECT_DOUBLE_EQ(old->DateTime(), t);
  // The central copy follows only when the local record is written.
  IntfPtr<IZipFileEntryIO> io = IntfPtr<IZipFileEntryIO>::Query(old);
  TStringStream central;
  io->WriteCentral(&central);
  EXPECT_EQ(GetLe16(central.DataString(), 12), 0);
  TStringStream local;
  io->WriteLocal(&local);
  central.SetSize(0);
  io->WriteCentral(&central);
  EXPECT_EQ(GetLe16(central.DataString(), 12), GetLe16(local.DataString(), 10));
}

TEST(ZipEntry, MissingStreamsAreAssertionFailures) {
  IntfPtr<IZipFileEntry> e;
  IntfPtr<IZipFile> zip = NewArchive();
  zip->AddEntry("x", e);
  IntfPtr<IZipFileEntryIO> io = IntfPtr<IZipFileEntryIO>::Query(e);
  auto text = [](int line) { return Format("Assertion failure (QuarnZipFile, line %d)", line); };
  EXPECT_EQ(ErrorText([&] { io->ReadCentral(nullptr); }), text(1263));
  EXPECT_EQ(ErrorText([&] { io->ReadTrailer(nullptr); }), text(1300));
  EXPECT_EQ(ErrorText([&] { e->LoadFromStream(nullptr); }), text(1334));
  EXPECT_EQ(ErrorText([&] { io->ReadLocal(nullptr); }), text(1353));
  EXPECT_EQ(ErrorText([&] { io->WriteCentral(nullptr); }), text(1404));
  EXPECT_EQ(ErrorText([&] { io->WriteTrailer(nullptr); }), text(1424));
  EXPECT_EQ(ErrorText([&] { io->WriteLocal(nullptr); }), text(1448));
  EXPECT_EQ(ErrorText([&] { e->SaveToStream(nullptr); }), text(1499));
  EXPECT_THROW(zip->LoadFromStream(nullptr), EAssertionFailed);
  EXPECT_THROW(zip->SaveToStream(nullptr), EAssertionFailed);
  EXPECT_THROW(zip->AddStream("s", nullptr, e), EAssertionFailed);
  EXPECT_THROW(OpenZipStream(nullptr, "", zip), EAssertionFailed);
}

TEST(ZipEntry, StreamAndFileRoundTrip) {
  IntfPtr<IZipFile> zip = NewArchive("pw");
  IntfPtr<IZipFileEntry> e;
  zip->AddEntry("f", e);
  TStringStream source("0123456789");
  source.SetPosition(4);
  e->LoadFromStream(&source);
  EXPECT_EQ(e->UncompressedSize(), 6);
  const std::string path = testing::TempDir() + "/zip-entry-file.bin";
  // Before the first save the encrypted flag is not set: write it out first.
  IntfPtr<IZipFile> back = Load(Saved(zip), "pw");
  Entry(back, 0)->SaveToFile(path);
  IntfPtr<IZipFileEntry> e2;
  back->AddEntry("g", e2);
  e2->LoadFromFile(path);
  EXPECT_EQ(Entry(Load(Saved(back), "pw"), 1)->GetData(), "456789");
  EXPECT_THROW(e2->LoadFromFile(path + ".missing"), EFOpenError);
}

// ---- Archive

TEST(ZipArchive, ScanFindsLocalRecordsOnlyAtFourByteSteps) {
  const std::string archive = LocalRecord(Stored("a", "1")) + CentralRecord(Stored("a", "1"), 0) + EndRecord(1, "hi");
  IntfPtr<IZipFile> zip = NewArchive();
  zip->SetComment("before");
  TStringStream shifted2("xx" + archive);
  zip->LoadFromStream(&shifted2);
  EXPECT_EQ(zip->Count(), 0);
  EXPECT_EQ(zip->Comment(), "before");
  TStringStream shifted8("12345678" + archive);
  zip->LoadFromStream(&shifted8);
  EXPECT_EQ(zip->Count(), 1);
  EXPECT_EQ(zip->Comment(), "hi");
  TStringStream empty;
  zip->LoadFromStream(&empty);
  EXPECT_EQ(zip->Count(), 0);
  EXPECT_EQ(zip->Comment(), "hi");
}

TEST(ZipArchive, CentralRecordsAreMatchedByPosition) {
  Record a = Stored("a", "1"), b = Stored("b", "22");
  a.attributes = 0x21;
  b.attributes = 0x22;
  const std::string locals = LocalRecord(a) + LocalRecord(b);

  IntfPtr<IZipFile> bare = Load(locals);
  EXPECT_EQ(bare->Count(), 2);
  EXPECT_EQ(Entry(bare, 1)->Attributes(), 0u);

  IntfPtr<IZipFile> direct = NewArchive();
  direct->SetComment("kept");
  TStringStream s(locals + EndRecord(2, "new"));
  direct->LoadFromStream(&s);
  EXPECT_EQ(direct->Count(), 2);
  EXPECT_EQ(direct->Comment(), "kept");

  // A central record renames its entry, whatever the name.
  Record renamed = a;
  renamed.name = "B-central";
  renamed.attributes = 0x22;
  IntfPtr<IZipFile> fewer = Load(locals + CentralRecord(renamed, 0) + EndRecord(2, "c"));
  EXPECT_EQ(Entry(fewer, 0)->Name(), "B-central");
  EXPECT_EQ(Entry(fewer, 0)->Attributes(), 0x22u);
  EXPECT_EQ(Entry(fewer, 1)->Attributes(), 0u);
  EXPECT_EQ(fewer->Comment(), "c");
  // Written back, the local record carries the name the entry now holds.
  IntfPtr<IZipFile> rewritten = Load(Saved(fewer));
  EXPECT_EQ(Entry(rewritten, 0)->Name(), "B-central");
  EXPECT_EQ(rewritten->ExtractToString("B-central"), "1");

  IntfPtr<IZipFile> more = NewArchive();
  TStringStream m(locals + CentralRecord(a, 0) + CentralRecord(b, 0) + CentralRecord(b, 0) + EndRecord(3, "x"));
  EXPECT_EQ(ErrorText([&] { more->LoadFromStream(&m); }), "访问索引越界");
  EXPECT_EQ(more->Count(), 2);
  EXPECT_EQ(Entry(more, 1)->Attributes(), 0x22u);
  EXPECT_EQ(more->Comment(), "");
}

TEST(ZipArchive, LookupIsCaseInsensitiveFromTheLastEntry) {
  IntfPtr<IZipFile> zip = NewArchive();
  Add(zip, "readme.txt", "first");
  Add(zip, "README.TXT", "second");
  Add(zip, "dir/x.txt", "x");
  EXPECT_EQ(zip->ExtractToString("Readme.txt"), "second");
  EXPECT_EQ(zip->ExtractToString("dir\\x.txt"), "");
  EXPECT_EQ(zip->ExtractToString("DIR/X.TXT"), "x");
  EXPECT_EQ(zip->ExtractToString("missing"), "");
  TStringStream out("pre:");
  out.Seek(0, TSeekOrigin::soEnd);
  zip->ExtractToStream("dir/x.txt", &out);
  zip->ExtractToStream("missing", &out);
  EXPECT_EQ(out.DataString(), "pre:x");
}

TEST(ZipArchive, ExtractToBufferPadsOrCuts) {
  IntfPtr<IZipFile> zip = NewArchive();
  Add(zip, "four", "abcd");
  char buffer[10];
  std::memset(buffer, '#', sizeof buffer);
  zip->ExtractToBuffer("four", buffer, 10);
  EXPECT_EQ(std::string(buffer, 10), "abcd"s + std::string(6, '\0'));
  std::memset(buffer, '#', sizeof buffer);
  zip->ExtractToBuffer("four", buffer, 2);
  EXPECT_EQ(std::string(buffer, 3), "ab#");
  zip->ExtractToBuffer("none", buffer, 10);
  EXPECT_EQ(std::string(buffer, 3), "ab#");
}

TEST(ZipArchive, AddStreamAlwaysSetsData) {
  IntfPtr<IZipFile> zip = NewArchive();
  TStringStream empty;
  IntfPtr<IZipFileEntry> e;
  zip->AddStream("s", &empty, e);
  EXPECT_EQ(e->CompressedSize(), 2);
  TStringStream full("whole stream");
  full.SetPosition(5);
  zip->AddStream("t", &full, e);
  EXPECT_EQ(e->GetData(), "whole stream");
}

TEST(ZipArchive, EmptyArchiveIsAnEndRecordAtThePosition) {
  IntfPtr<IZipFile> zip = NewArchive();
  const std::string bytes = Saved(zip, "12345");
  EXPECT_EQ(bytes, "12345" + Le32(0x06054B50) + std::string(12, '\0') + Le32(5) + Le16(0));
  zip->SetComment("kept");
  TStringStream s(bytes.substr(5));
  zip->LoadFromStream(&s);
  EXPECT_EQ(zip->Comment(), "kept");
  EXPECT_EQ(std::memcmp(static_cast<TZipFile*>(zip.get())->EndRecord(), bytes.data() + 5, 22), 0);
}

TEST(ZipArchive, SavedArchivesLoadBackWithOrWithoutPassword) {
  for (const std::string password : {"", "pw"}) {
    IntfPtr<IZipFile> zip = NewArchive(password);
    zip->SetComment("five!");
    Add(zip, "one.txt", "first entry");
    Add(zip, "sub/two.bin", std::string(5000, 'z'));
    IntfPtr<IZipFileEntry> third = Add(zip, "three", "3");
    third->SetAttributes(0x80);
    const std::string bytes = Saved(zip, "head");

    // Local records carry their offsets from the stream's start; an encrypted
    // entry is followed by its 16-byte trailer.
    EXPECT_EQ(GetLe32(bytes, 4), 0x04034B50u);
    const size_t firstEnd = 4 + 30 + 7 + Entry(zip, 0)->CompressedSize();
    if (!password.empty()) {
      EXPECT_EQ(bytes.substr(firstEnd, 12), bytes.substr(4 + 14, 12));
      EXPECT_EQ(GetLe32(bytes, firstEnd + 12), 0u);
      EXPECT_EQ(GetLe32(bytes, firstEnd + 16), 0x04034B50u);
    } else {
      EXPECT_EQ(GetLe32(bytes, firstEnd), 0x04034B50u);
    }
    const std::string end = bytes.substr(bytes.size() - 27);
    EXPECT_EQ(GetLe32(end, 0), 0x06054B50u);
    EXPECT_EQ(GetLe16(end, 8), 3);
    EXPECT_EQ(GetLe16(end, 10), 3);
    EXPECT_EQ(GetLe16(end, 20), 5);
    EXPECT_EQ(end.substr(22), "five!");
    const uint32_t centralAt = GetLe32(end, 16);
    EXPECT_EQ(GetLe32(bytes, centralAt), 0x02014B50u);
    EXPECT_EQ(GetLe32(bytes, centralAt + 42), 4u);
    EXPECT_EQ(centralAt + GetLe32(end, 12), bytes.size() - 27);

    TStringStream s(bytes);
    s.SetPosition(4);
    IntfPtr<IZipFile> back;
    OpenZipStream(&s, password, back);
    ASSERT_EQ(back->Count(), 3);
    EXPECT_EQ(back->Comment(), "five!");
    EXPECT_EQ(Entry(back, 0)->Encrypted(), !password.empty());
    EXPECT_EQ(back->ExtractToString("one.txt"), "first entry");
    EXPECT_EQ(back->ExtractToString("sub/two.bin"), std::string(5000, 'z'));
    EXPECT_EQ(Entry(back, 2)->Attributes(), 0x80u);
  }
}

// The encrypted flag follows the stored bytes: data encrypted by SetData reads
// back before any save, and data stored plain stays plain when the archive is
// saved under a password.
TEST(ZipArchive, EncryptedFlagFollowsTheStoredBytes) {
  IntfPtr<IZipFile> zip = NewArchive("pw");
  IntfPtr<IZipFileEntry> sealed = Add(zip, "sealed", "under the password");
  EXPECT_TRUE(sealed->Encrypted());
  EXPECT_EQ(zip->ExtractToString("sealed"), "under the password");

  IntfPtr<IZipFile> plain = NewArchive();
  Add(plain, "open", "set before the password");
  IntfPtr<IZipFileEntry> folder;
  plain->SetPassword("pw");
  plain->AddEntry("folder/", folder);
  IntfPtr<IZipFile> back = Load(Saved(plain), "pw");
  ASSERT_EQ(back->Count(), 2);
  EXPECT_FALSE(Entry(back, 0)->Encrypted());
  EXPECT_EQ(back->ExtractToString("open"), "set before the password");
  EXPECT_EQ(back->ExtractToString("folder/"), "");
}

// Lengths and counts that the records hold in 16 bits cannot be written
// cut short: saving refuses them rather than write a damaged archive.
TEST(ZipArchive, LengthsBeyondTheRecordFieldsAreRefused) {
  IntfPtr<IZipFile> longName = NewArchive();
  Add(longName, std::string(0x10000, 'n'), "x");
  TStringStream a;
  EXPECT_EQ(ErrorText([&] { longName->SaveToStream(&a); }), Format(SZipFormatLimit, "名称长度"));

  IntfPtr<IZipFile> longComment = NewArchive();
  longComment->SetComment(std::string(0x10000, 'c'));
  TStringStream b;
  EXPECT_EQ(ErrorText([&] { longComment->SaveToStream(&b); }), Format(SZipFormatLimit, "注释长度"));

  IntfPtr<IZipFile> many = NewArchive();
  IntfPtr<IZipFileEntry> e;
  for (int i = 0; i < 0x10000; ++i) many->AddEntry("e", e);
  TStringStream c;
  EXPECT_EQ(ErrorText([&] { many->SaveToStream(&c); }), Format(SZipFormatLimit, "条目数"));

  // Data a stream cannot move in one call is refused before anything is stored.
  IntfPtr<IZipFileEntry> huge = Add(NewArchive(), "h", "");
  const std::string tooLong(size_t{INT32_MAX} + 1, '\0');
  EXPECT_EQ(ErrorText([&] { huge->SetData(tooLong); }), Format(SZipFormatLimit, "数据长度"));
}

TEST(ZipArchive, EntryOutlivingItsArchiveReadsNoFreedMemory) {
  IntfPtr<IZipFileEntry> kept;
  {
    IntfPtr<IZipFile> zip = Load(Saved([] {
                                   IntfPtr<IZipFile> z = NewArchive("pw");
                                   Add(z, "a", "secret");
                                   return z;
                                 }()),
                                 "pw");
    kept = Entry(zip, 0);
  }
  EXPECT_EQ(ErrorText([&] { kept->GetData(); }),
            "TZipDecryptEngine.VerifyHeader: need a passphrase (QuarnZipEnc, line 196)");
}

// An entry dropped from the list by a second load forgets its archive too.
TEST(ZipArchive, EntryDroppedByALoadReadsNoFreedMemory) {
  const std::string bytes = Saved([] {
    IntfPtr<IZipFile> z = NewArchive("pw");
    Add(z, "a", "secret");
    return z;
  }());
  IntfPtr<IZipFileEntry> kept;
  {
    IntfPtr<IZipFile> zip = Load(bytes, "pw");
    kept = Entry(zip, 0);
    TStringStream again(bytes);
    zip->LoadFromStream(&again);
  }
  EXPECT_EQ(ErrorText([&] { kept->GetData(); }),
            "TZipDecryptEngine.VerifyHeader: need a passphrase (QuarnZipEnc, line 196)");
}

TEST(ZipArchive, EntriesOutOfRange) {
  IntfPtr<IZipFile> zip = NewArchive();
  IntfPtr<IZipFileEntry> e = Add(zip, "a", "1");
  EXPECT_EQ(ErrorText([&] { zip->Entries(1, e); }), "访问索引越界");
  EXPECT_FALSE(e);
  EXPECT_THROW(zip->Entries(-1, e), EZipFileException);
}

// ---- Damaged archives

// A local record or data cut short is refused; past the local records the
// archive loads whatever is whole: a central record cut short is not applied,
// an end record lacks its missing bytes as zeros, the comment is what is there.
TEST(ZipDamage, CutShortArchivesLoadWhatIsWhole) {
  const Record a = Stored("name.txt", "some stored data");
  const std::string local = LocalRecord(a);
  const std::string whole = local + CentralRecord(a, 0, "entry comment") + EndRecord(1, "archive comment");
  for (size_t cut : {size_t{10}, size_t{29}, size_t{33}, local.size() - 1}) {
    IntfPtr<IZipFile> zip = NewArchive();
    TStringStream s(whole.substr(0, cut));
    EXPECT_EQ(ErrorText([&] { zip->LoadFromStream(&s); }), "Stream read error") << "cut at " << cut;
  }
  Record renamed = a;
  renamed.name = "central.txt";
  renamed.attributes = 0x21;
  const std::string central = CentralRecord(renamed, 0, "entry comment");
  const std::string renaming = local + central + EndRecord(1, "archive comment");
  for (size_t cut : {local.size() + 20, local.size() + 46 + 3, local.size() + central.size() - 3}) {
    IntfPtr<IZipFile> zip = NewArchive();
    zip->SetComment("before");
    TStringStream s(renaming.substr(0, cut));
    zip->LoadFromStream(&s);
    ASSERT_EQ(zip->Count(), 1) << "cut at " << cut;
    EXPECT_EQ(Entry(zip, 0)->Name(), "name.txt");
    EXPECT_EQ(Entry(zip, 0)->Attributes(), 0u);
    EXPECT_EQ(zip->ExtractToString("name.txt"), "some stored data");
    EXPECT_EQ(zip->Comment(), "before");
  }
  const size_t endStart = local.size() + central.size();
  IntfPtr<IZipFile> zip = NewArchive();
  zip->SetComment("before");
  TStringStream inEnd(renaming.substr(0, endStart + 10));
  zip->LoadFromStream(&inEnd);
  EXPECT_EQ(Entry(zip, 0)->Name(), "central.txt");
  EXPECT_EQ(Entry(zip, 0)->Attributes(), 0x21u);
  EXPECT_EQ(zip->Comment(), "");
  const uint8_t* end = static_cast<TZipFile*>(zip.get())->EndRecord();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(end), 10), renaming.substr(endStart, 10));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(end) + 10, 12), std::string(12, '\0'));
  TStringStream inComment(renaming.substr(0, renaming.size() - 4));
  zip->LoadFromStream(&inComment);
  EXPECT_EQ(zip->Comment(), "archive com");
}

// Sizes kept only in data descriptors (flags bit 3, local sizes 0), or central
// sizes unlike the local ones: the entry's data cannot be told from the
// record, so reading or saving it is refused; the archive still loads.
TEST(ZipDamage, DataThatTheLocalRecordCannotGiveIsRefused) {
  Record streamed = Deflated("streamed.txt", "written to a pipe");
  const std::string data = streamed.data;
  streamed.flags = 8;
  streamed.crc = 0;
  streamed.usize = 0;
  streamed.csize = 0;
  Record sized = Deflated("streamed.txt", "written to a pipe");
  const std::string descriptor = Le32(0x08074B50) + Le32(sized.crc) + Le32(static_cast<uint32_t>(data.size())) +
                                 Le32(sized.usize);
  IntfPtr<IZipFile> zip = Load(LocalRecord(streamed) + descriptor + CentralRecord(sized, 0) + EndRecord(1, ""));
  ASSERT_EQ(zip->Count(), 1);
  const std::string refused = "文件 streamed.txt 的数据大小无法确定";
  EXPECT_EQ(ErrorText([&] { Entry(zip, 0)->GetData(); }), refused);
  TStringStream out;
  EXPECT_EQ(ErrorText([&] { zip->SaveToStream(&out); }), refused);
  TMemoryStream block;
  const std::string blockBytes = LocalRecord(streamed) + data + descriptor;
  block.WriteBuffer(blockBytes.data(), static_cast<int32_t>(blockBytes.size()));
  EXPECT_FALSE(UnzipFirstEntryInPlace(&block, ""));

  // Central sizes that disagree with the local ones; the other entry stays readable.
  Record shorter = Stored("a.txt", "abc");
  shorter.data = "abcdef";
  shorter.usize = 6;
  IntfPtr<IZipFile> both = Load(LocalRecord(Stored("a.txt", "abc")) + LocalRecord(Stored("b.txt", "b")) +
                                CentralRecord(shorter, 0) + CentralRecord(Stored("b.txt", "b"), 0) + EndRecord(2, ""));
  EXPECT_EQ(ErrorText([&] { both->ExtractToString("a.txt"); }), "文件 a.txt 的数据大小无法确定");
  EXPECT_EQ(both->ExtractToString("b.txt"), "b");
  // New data makes the entry whole again.
  Entry(both, 0)->SetData("new");
  EXPECT_EQ(both->ExtractToString("a.txt"), "new");

  // Bit 3 with real local sizes, as zip -P writes, and a central record that
  // confirms an empty entry, read as before.
  Record timed = Stored("t.txt", "timed");
  timed.flags = 8;
  Record empty = Stored("e.txt", "");
  empty.flags = 8;
  IntfPtr<IZipFile> fine = Load(LocalRecord(timed) + LocalRecord(empty) + CentralRecord(timed, 0) +
                                CentralRecord(empty, 0) + EndRecord(2, ""));
  EXPECT_EQ(fine->ExtractToString("t.txt"), "timed");
  EXPECT_EQ(fine->ExtractToString("e.txt"), "");
}

TEST(ZipDamage, DeclaredLengthsBeyondTheStreamAllocateNothing) {
  Record r = Stored("n", "abc");
  r.csize = 0xFFFFFFF0;
  EXPECT_THROW(Load(LocalRecord(r)), EReadError);
  r.csize = -1;
  std::string bytes = LocalRecord(r);
  bytes[26] = '\xFF';  // name length 0xFFFF... beyond the stream
  bytes[27] = '\xFF';
  EXPECT_THROW(Load(bytes), EReadError);
}

TEST(ZipDamage, MutatedBlocksNeverReadOutsideTheirBuffers) {
  // Every outcome is a result or an exception; the sanitizer build checks the rest.
  Record r = Deflated("block", std::string(3000, 'q') + "tail");
  r.flags = 1;
  r.data = Encrypted(r.data, "pw", r.crc);
  const std::string block = LocalRecord(r) + std::string(16, '\0') + CentralRecord(r, 0) + EndRecord(1, "");
  std::mt19937 gen(7);
  int results = 0, errors = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    std::string damaged = block;
    for (int k = 0, n = 1 + gen() % 4; k < n; ++k) damaged[gen() % damaged.size()] = static_cast<char>(gen());
    if (trial % 3 == 0) damaged.resize(gen() % damaged.size());
    TMemoryStream m;
    m.WriteBuffer(damaged.data(), static_cast<int32_t>(damaged.size()));
    try {
      UnzipFirstEntryInPlace(&m, "pw");
      ++results;
    } catch (const std::exception&) {
      ++errors;
    }
  }
  EXPECT_GT(results, 0);
  EXPECT_GT(errors, 0);
}

// ---- In-place unzip

std::string Unzipped(TMemoryStream& m) {
  return std::string(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

void Fill(TMemoryStream& m, const std::string& bytes) {
  m.Clear();
  m.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

TEST(UnzipInPlace, StoredEntryGivesItsBytes) {
  Record r = Stored("s", "plain stored block");
  TMemoryStream m;
  Fill(m, LocalRecord(r) + CentralRecord(r, 0) + EndRecord(1, ""));
  EXPECT_TRUE(UnzipFirstEntryInPlace(&m, ""));
  EXPECT_EQ(Unzipped(m), "plain stored block");
  EXPECT_EQ(m.Position(), m.Size());
}

TEST(UnzipInPlace, EncryptedDeflatedEntryNeedsItsPassword) {
  IntfPtr<IZipFile> zip = NewArchive("P");
  Add(zip, "bill", "encrypted deflated bill block");
  const std::string block = Saved(zip);
  TMemoryStream m;
  Fill(m, block);
  EXPECT_TRUE(UnzipFirstEntryInPlace(&m, "P"));
  EXPECT_EQ(Unzipped(m), "encrypted deflated bill block");

  for (const char* password : {"Q", ""}) {
    Fill(m, block);
    EXPECT_FALSE(UnzipFirstEntryInPlace(&m, password));
    EXPECT_EQ(Unzipped(m), block);
  }
}

// The plain bytes are made apart from the block: an entry that fails half
// way (its header verifies, its data does not inflate, or inflates short or
// to other bytes) leaves the block as it was, and one that succeeds leaves
// nothing of it behind.
TEST(UnzipInPlace, EntriesThatFailLateLeaveTheBlockWhole) {
  std::mt19937 gen(3);
  std::string plain;
  while (plain.size() < 200000) plain += "line " + std::to_string(gen() % 100000) + "\n";
  Record bad = Deflated("bill", plain);
  bad.data[bad.data.size() / 2] ^= 0x55;
  Record shortData = Deflated("bill", plain);
  shortData.usize += 1000;  // declares more than the data gives
  Record wrongCrc = Deflated("bill", plain);
  wrongCrc.crc ^= 1;
  Record encrypted = Deflated("bill", plain);
  encrypted.flags = 1;
  encrypted.data = Encrypted(encrypted.data.substr(0, encrypted.data.size() / 2), "P", encrypted.crc);
  TMemoryStream m;
  for (const Record& r : {bad, shortData, wrongCrc, encrypted}) {
    const std::string block = LocalRecord(r) + CentralRecord(r, 0) + EndRecord(1, "");
    Fill(m, block);
    EXPECT_FALSE(UnzipFirstEntryInPlace(&m, "P"));
    EXPECT_EQ(Unzipped(m), block);
  }
  const Record good = Deflated("bill", plain);
  Fill(m, LocalRecord(good) + CentralRecord(good, 0) + EndRecord(1, ""));
  m.SetPosition(7);
  ASSERT_TRUE(UnzipFirstEntryInPlace(&m, ""));
  EXPECT_EQ(Unzipped(m), plain);
  EXPECT_EQ(m.Position(), m.Size());
  // The stream goes on as any memory stream does.
  m.WriteBuffer("+", 1);
  EXPECT_EQ(Unzipped(m), plain + "+");
}

TEST(UnzipInPlace, NoEntryGivesFalse) {
  TMemoryStream m;
  Fill(m, Saved(NewArchive()));
  EXPECT_FALSE(UnzipFirstEntryInPlace(&m, "P"));
  Fill(m, "no local signature at any step " + LocalRecord(Stored("a", "b")).substr(0, 2));
  EXPECT_FALSE(UnzipFirstEntryInPlace(&m, "P"));
}

TEST(UnzipInPlace, StructureFailuresAreRaised) {
  Record r = Stored("s", "x");
  TMemoryStream m;
  Fill(m, LocalRecord(r) + CentralRecord(r, 0) + CentralRecord(r, 0) + EndRecord(2, ""));
  EXPECT_EQ(ErrorText([&] { UnzipFirstEntryInPlace(&m, ""); }), "访问索引越界");
  EXPECT_THROW(UnzipFirstEntryInPlace(nullptr, ""), EAssertionFailed);
}

TEST(UnzipInPlace, EmptyEntryLeavesAnEmptyStream) {
  IntfPtr<IZipFile> zip = NewArchive("P");
  IntfPtr<IZipFileEntry> e;
  zip->AddEntry("empty", e);
  e->SetData("");
  TMemoryStream m;
  Fill(m, Saved(zip));
  EXPECT_TRUE(UnzipFirstEntryInPlace(&m, "P"));
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
}

}  // namespace

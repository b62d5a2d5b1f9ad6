#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "archive/QuarnZipEnc.h"
#include "rtl/Exceptions.h"
#include "rtl/Paths.h"
#include "tests/archive/ZipTestSupport.h"

namespace {

using ziptest::ErrorText;

std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

// Chunk sizes that add up to total, drawn at random (zero-sized chunks included).
std::vector<int32_t> RandomSplit(int32_t total, uint32_t seed) {
  std::mt19937 gen(seed);
  std::vector<int32_t> parts;
  while (total > 0) {
    int32_t n = std::min<int32_t>(total, static_cast<int32_t>(gen() % 70));
    parts.push_back(n);
    total -= n;
  }
  return parts;
}

TEST(Crc32, MatchesTheStandardChecksum) {
  EXPECT_EQ(StringCrc32(""), 0u);
  EXPECT_EQ(StringCrc32("abc"), 0x352441C2u);
  EXPECT_EQ(StringCrc32("123456789"), 0xCBF43926u);
  const std::string data = RandomBytes(100000, 1);
  EXPECT_EQ(StringCrc32(data), crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size()));
  EXPECT_EQ(UpdateCrc32(0x61, 0xFFFFFFFF) ^ 0xFFFFFFFF, 0xE8B7BE43u);  // "a"
}

TEST(ZipCipher, EnginesRoundTripWhateverTheSplit) {
  const std::string plain = RandomBytes(3000, 2);
  for (uint32_t trial = 0; trial < 20; ++trial) {
    TZipHeader header;
    TZipEncryptEngine enc;
    enc.CreateHeader(header, "secret", 0xA1B2C3D4);
    std::string cipher = plain;
    int32_t at = 0;
    for (int32_t n : RandomSplit(static_cast<int32_t>(cipher.size()), trial)) {
      enc.EncodeBuffer(cipher.data() + at, n);
      at += n;
    }
    EXPECT_NE(cipher, plain);

    TZipDecryptEngine dec;
    ASSERT_TRUE(dec.VerifyHeader(header, "secret", 0xA1B2C3D4));
    at = 0;
    for (int32_t n : RandomSplit(static_cast<int32_t>(cipher.size()), trial + 1000)) {
      dec.Decode(cipher.data() + at, n);
      at += n;
    }
    EXPECT_EQ(cipher, plain);
  }
}

// The cipher as the format describes it, one step at a time, against the
// engine on bytes that no encryptor made: every key state the chain can reach
// from random text, in pieces of every size.
TEST(ZipCipher, DecodingFollowsTheFormatByteForByte) {
  struct Keys {
    uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
    void Update(uint8_t p) {
      k0 = UpdateCrc32(p, k0);
      k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
      k2 = UpdateCrc32(static_cast<uint8_t>(k1 >> 24), k2);
    }
    uint8_t Stream() const {
      const uint32_t t = (k2 & 0xFFFF) | 2;
      return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
    }
  };
  for (uint32_t trial = 0; trial < 8; ++trial) {
    const std::string password = RandomBytes(1 + trial, 40 + trial);
    const std::string cipher = RandomBytes(20000, 50 + trial);
    Keys keys;
    for (char c : password) keys.Update(static_cast<uint8_t>(c));
    std::string expected = cipher;
    for (char& c : expected) {
      c = static_cast<char>(static_cast<uint8_t>(c) ^ keys.Stream());
      keys.Update(static_cast<uint8_t>(c));
    }
    // The first 12 bytes are the header; byte 11 names the check that passes.
    TZipHeader header;
    std::memcpy(header, cipher.data(), kZipHeaderSize);
    TZipDecryptEngine dec;
    ASSERT_TRUE(dec.VerifyHeader(header, password, static_cast<uint32_t>(static_cast<uint8_t>(expected[11])) << 24));
    std::string plain = cipher.substr(kZipHeaderSize);
    int32_t at = 0;
    for (int32_t n : RandomSplit(static_cast<int32_t>(plain.size()), trial)) {
      dec.Decode(plain.data() + at, n);
      at += n;
    }
    ASSERT_EQ(plain, expected.substr(kZipHeaderSize)) << "trial " << trial;
  }
}

TEST(ZipCipher, StreamsRoundTripWhateverTheSplit) {
  const std::string plain = RandomBytes(5000, 3);
  for (uint32_t trial = 0; trial < 20; ++trial) {
    TStringStream out;
    {
      TZipEncryptStream writer(&out, 0x11223344, "pw");
      int32_t at = 0;
      for (int32_t n : RandomSplit(static_cast<int32_t>(plain.size()), trial)) at += writer.Write(plain.data() + at, n);
    }
    ASSERT_EQ(out.Size(), static_cast<int64_t>(plain.size()) + kZipHeaderSize);

    out.SetPosition(0);
    TZipDecryptStream reader(&out, 0x11223344, "pw");
    ASSERT_TRUE(reader.VerifyHeader());
    std::string back(plain.size(), '\0');
    int32_t at = 0;
    for (int32_t n : RandomSplit(static_cast<int32_t>(plain.size()), trial + 500))
      at += reader.Read(back.data() + at, n);
    EXPECT_EQ(at, static_cast<int32_t>(plain.size()));
    EXPECT_EQ(back, plain);
    // Reading past the end moves nothing.
    char extra;
    EXPECT_EQ(reader.Read(&extra, 1), 0);
  }
}

TEST(ZipCipher, OnlyTheTopByteOfTheCheckIsCompared) {
  TZipHeader header;
  TZipEncryptEngine enc;
  enc.CreateHeader(header, "pw", 0x5A000000);
  TZipDecryptEngine dec;
  EXPECT_TRUE(dec.VerifyHeader(header, "pw", 0x5AFFFFFF));
  EXPECT_TRUE(dec.Verified());
  EXPECT_FALSE(dec.VerifyHeader(header, "pw", 0x5B000000));
  EXPECT_FALSE(dec.Verified());
  EXPECT_EQ(ErrorText([&] { dec.Decode(header, 1); }),
            "TZipDecryptEngine.Decode: must successfully call VerifyHeader first (QuarnZipEnc, line 183)");
}

TEST(ZipCipher, HeaderStartsWithTheRawRandomByte) {
  // The header generator is the library's LCG: seed = seed * 134775813 + 1,
  // each byte the top 8 bits of the new seed.
  QuarnZipEncInitialize();
  uint32_t seed = 0;
  for (int h = 0; h < 5; ++h) {
    TZipHeader header;
    TZipEncryptEngine().CreateHeader(header, h % 2 ? "one" : "another", 0x12345678u * h);
    seed = seed * 134775813u + 1;
    EXPECT_EQ(header[0], seed >> 24) << "header " << h;
    for (int i = 1; i < 10; ++i) seed = seed * 134775813u + 1;
  }
}

std::string HeaderHex(const TZipHeader& header) {
  std::string hex;
  char buf[3];
  for (uint8_t b : header) {
    std::snprintf(buf, sizeof buf, "%02X", b);
    hex += buf;
  }
  return hex;
}

bool PrintsFirstHeader() {
  const char* print = std::getenv("TARVIK_PRINT_FIRST_HEADER");
  return print && *print;
}

std::string FirstHeaderOfFreshProcess() {
  const std::string command =
      "\"" + GetModuleName(nullptr) + "\" --gtest_filter=ZipCipher.FirstHeaderIsTheSameInEveryProcess";
  putenv(const_cast<char*>("TARVIK_PRINT_FIRST_HEADER=1"));
  FILE* child = popen(command.c_str(), "r");
  putenv(const_cast<char*>("TARVIK_PRINT_FIRST_HEADER="));
  if (!child) return "no process";
  std::string output;
  char buf[256];
  while (std::fgets(buf, sizeof buf, child)) output += buf;
  pclose(child);
  const size_t at = output.find("HEADER=");
  return at == std::string::npos ? output : output.substr(at + 7, 2 * kZipHeaderSize);
}

TEST(ZipCipher, FirstHeaderIsTheSameInEveryProcess) {
  TZipHeader header;
  if (PrintsFirstHeader()) {
    // A fresh process: nothing has drawn from the generator yet.
    TZipEncryptEngine().CreateHeader(header, "password", 0xCAFEBABE);
    std::printf("HEADER=%s\n", HeaderHex(header).c_str());
    return;
  }
  const std::string first = FirstHeaderOfFreshProcess();
  EXPECT_EQ(first, FirstHeaderOfFreshProcess());
  QuarnZipEncInitialize();
  TZipEncryptEngine().CreateHeader(header, "password", 0xCAFEBABE);
  EXPECT_EQ(HeaderHex(header), first);
  TZipEncryptEngine().CreateHeader(header, "password", 0xCAFEBABE);
  EXPECT_NE(HeaderHex(header), first);
}

TEST(ZipDecryptStream, FailedVerifyLeavesSourceInPlaceAndRefusesReads) {
  QuarnZipEncInitialize();
  TStringStream out;
  { TZipEncryptStream writer(&out, 0x01000000, "right"); }
  out.WriteBuffer("tail", 4);
  out.SetPosition(0);
  TZipDecryptStream reader(&out, 0x01000000, "wrong!");
  // One wrong password in 256 passes the one-byte test; this one does not.
  ASSERT_FALSE(reader.VerifyHeader());
  EXPECT_EQ(out.Position(), 0);
  char buf[4];
  EXPECT_EQ(ErrorText([&] { reader.Read(buf, 4); }),
            "TZipDecryptStream.Read: the stream header has not been verified (QuarnZipEnc, line 318)");
}

TEST(ZipDecryptStream, ShortHeaderIsAStreamReadError) {
  TStringStream source(std::string(11, 'x'));
  TZipDecryptStream reader(&source, 0, "pw");
  try {
    reader.VerifyHeader();
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
}

TEST(ZipCipher, ZeroCountsMoveNothingAndKeepTheKeys) {
  TStringStream out;
  {
    TZipEncryptStream writer(&out, 0x77000000, "pw");
    EXPECT_EQ(writer.Write("", 0), 0);
    EXPECT_EQ(out.Size(), kZipHeaderSize);
    EXPECT_EQ(writer.Write("hello", 5), 5);
  }
  out.SetPosition(0);
  TZipDecryptStream reader(&out, 0x77000000, "pw");
  ASSERT_TRUE(reader.VerifyHeader());
  char buf[5];
  EXPECT_EQ(reader.Read(buf, 0), 0);
  EXPECT_EQ(reader.Read(buf, 5), 5);
  EXPECT_EQ(std::string(buf, 5), "hello");
}

TEST(ZipCipher, MisuseNamesTheMethod) {
  TZipHeader header = {};
  TStringStream s;
  EXPECT_EQ(ErrorText([&] { TZipDecryptEngine().VerifyHeader(header, "", 0); }),
            "TZipDecryptEngine.VerifyHeader: need a passphrase (QuarnZipEnc, line 196)");
  EXPECT_EQ(ErrorText([&] { TZipEncryptEngine().CreateHeader(header, "", 0); }),
            "TZipEncryptEngine.CreateHeader: need a passphrase (QuarnZipEnc, line 232)");
  EXPECT_EQ(ErrorText([&] { TZipEncryptEngine().EncodeBuffer(header, 1); }),
            "TZipEncryptEngine.EncodeBuffer: must call CreateHeader first (QuarnZipEnc, line 263)");
  EXPECT_EQ(ErrorText([&] { TZipDecryptStream(&s, 0, "pw").Write("x", 1); }),
            "TZipDecryptStream.Write: the stream is Read-only (QuarnZipEnc, line 330)");
  EXPECT_EQ(ErrorText([&] {
              TZipEncryptStream writer(&s, 0, "pw");
              char c;
              writer.Read(&c, 1);
            }),
            "TZipEncryptStream.Read: the stream is Write-only (QuarnZipEnc, line 384)");
  // The decrypt stream with an empty passphrase fails in the engine.
  TStringStream twelve(std::string(12, '\0'));
  EXPECT_EQ(ErrorText([&] { TZipDecryptStream(&twelve, 0, "").VerifyHeader(); }),
            "TZipDecryptEngine.VerifyHeader: need a passphrase (QuarnZipEnc, line 196)");
  EXPECT_EQ(ErrorText([&] { TZipEncryptStream(&s, 0, ""); }),
            "TZipEncryptEngine.CreateHeader: need a passphrase (QuarnZipEnc, line 232)");
}

}  // namespace

// Share modes between processes, and the file stream's errors.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "rtl/Exceptions.h"
#include "rtl/FileStream.h"

namespace {

const std::string kSharingViolation =
    "The process cannot access the file because it is being used by another process.";

std::string FileText(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A child process that opens a file in the given mode and keeps it open until
// Release() (or the end of the test).
class Holder {
 public:
  Holder(const std::string& name, uint16_t mode) {
    int ready[2], hold[2];
    if (pipe(ready) != 0 || pipe(hold) != 0) throw std::runtime_error("pipe");
    fPid = fork();
    if (fPid == 0) {
      close(ready[0]);
      close(hold[1]);
      char status = 'y';
      try {
        TFileStream file(name, mode);
        if (write(ready[1], &status, 1) != 1) _exit(1);
        char c;
        while (read(hold[0], &c, 1) > 0) {
        }
      } catch (...) {
        status = 'n';
        if (write(ready[1], &status, 1) != 1) _exit(1);
      }
      _exit(0);
    }
    close(ready[1]);
    close(hold[0]);
    fRelease = hold[1];
    char status = 'n';
    fOpened = read(ready[0], &status, 1) == 1 && status == 'y';
    close(ready[0]);
  }
  ~Holder() { Release(); }

  bool Opened() const { return fOpened; }

  void Release() {
    if (fRelease < 0) return;
    close(fRelease);
    fRelease = -1;
    int status;
    waitpid(fPid, &status, 0);
  }

 private:
  pid_t fPid = -1;
  int fRelease = -1;
  bool fOpened = false;
};

class FileShare : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("rtl-share-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    name = (dir / "data.bin").string();
    TFileStream(name, fmCreate).WriteBuffer("payload", 7);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::filesystem::path dir;
  std::string name;
};

TEST_F(FileShare, WriterInAnotherProcessRefusesDenyWriteReader) {
  Holder writer(name, fmOpenReadWrite | fmShareDenyNone);
  ASSERT_TRUE(writer.Opened());
  try {
    TFileStream reader(name, fmOpenRead | fmShareDenyWrite);
    FAIL() << "opened a file another process writes";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + name + "\". " + kSharingViolation);
  }
  writer.Release();
  TFileStream reader(name, fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(reader.Size(), 7);
}

TEST_F(FileShare, DenyWriteReaderInAnotherProcessRefusesWriters) {
  Holder reader(name, fmOpenRead | fmShareDenyWrite);
  ASSERT_TRUE(reader.Opened());
  EXPECT_THROW(TFileStream(name, fmOpenReadWrite | fmShareDenyNone), EFOpenError);
  EXPECT_THROW(TFileStream(name, fmOpenWrite | fmShareDenyNone), EFOpenError);
  try {
    TFileStream(name, fmCreate);
    FAIL() << "replaced a file another process reads";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + name + "\". " + kSharingViolation);
  }
  // The refused create left the file whole.
  EXPECT_EQ(FileText(name), "payload");
  // Readers share with readers.
  TFileStream second(name, fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(second.Size(), 7);
}

TEST_F(FileShare, ExclusiveCreatorInAnotherProcessRefusesEveryOpen) {
  Holder creator(name, fmCreate);
  ASSERT_TRUE(creator.Opened());
  EXPECT_THROW(TFileStream(name, fmOpenRead | fmShareDenyNone), EFOpenError);
  EXPECT_THROW(TFileStream(name, fmOpenRead | fmShareDenyWrite), EFOpenError);
}

TEST_F(FileShare, SecondProcessSeesConflictsOfThisOne) {
  TFileStream reader(name, fmOpenRead | fmShareDenyWrite);
  EXPECT_FALSE(Holder(name, fmOpenReadWrite | fmShareDenyNone).Opened());
  EXPECT_TRUE(Holder(name, fmOpenRead | fmShareDenyWrite).Opened());
}

TEST_F(FileShare, ErrorsGiveFullNameAndReason) {
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  std::string openMessage, createMessage;
  try {
    TFileStream file("./sub/../missing.bin", fmOpenRead | fmShareDenyWrite);
  } catch (const EFOpenError& e) {
    openMessage = e.Message();
  }
  try {
    TFileStream file("nodir/new.bin", fmCreate);
  } catch (const EFCreateError& e) {
    createMessage = e.Message();
  }
  std::filesystem::current_path(before);
  EXPECT_EQ(openMessage, "Cannot open file \"" + (dir / "missing.bin").string() +
                             "\". The system cannot find the file specified.");
  const std::string createPrefix = "Cannot create file \"" + (dir / "nodir/new.bin").string() + "\". ";
  EXPECT_EQ(createMessage.substr(0, createPrefix.size()), createPrefix);
  EXPECT_GT(createMessage.size(), createPrefix.size());
}

// A folder is not a file: its "size" would be any number the file system
// likes, and reading it fails.
TEST_F(FileShare, FolderDoesNotOpenAsAFile) {
  const std::string folder = (dir / "folder.bin").string();
  std::filesystem::create_directory(folder);
  std::string message;
  try {
    TFileStream file(folder, fmOpenRead | fmShareDenyWrite);
  } catch (const EFOpenError& e) {
    message = e.Message();
  }
  EXPECT_EQ(message, "Cannot open file \"" + folder + "\". Access is denied.");
}

TEST_F(FileShare, ReadOnlyStreamRefusesWritesAndShortReads) {
  TFileStream file(name, fmOpenRead | fmShareDenyWrite);
  try {
    file.WriteBuffer("x", 1);
    FAIL();
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
  char buf[8];
  file.SetPosition(3);
  try {
    file.ReadBuffer(buf, 5);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
}

TEST_F(FileShare, SeekSizeAndSetSize) {
  TFileStream file(name, fmOpenReadWrite | fmShareExclusive);
  EXPECT_EQ(file.Seek(-2, TSeekOrigin::soEnd), 5);
  EXPECT_EQ(file.Seek(1, TSeekOrigin::soCurrent), 6);
  file.SetSize(4);
  EXPECT_EQ(file.Size(), 4);
  EXPECT_EQ(file.Position(), 4);
  file.WriteBuffer("!", 1);
  file.SetPosition(0);
  char buf[5];
  file.ReadBuffer(buf, 5);
  EXPECT_EQ(std::string(buf, 5), "payl!");
}

}  // namespace

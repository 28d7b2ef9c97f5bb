// CFile opens, sharing, errors and limits; the whole-file helpers.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/File.h"
#include "platform/TextConv.h"
#include "tests/support/FileBytes.h"
#include "tests/support/MonitorTestAccess.h"

namespace fs = std::filesystem;

namespace {

// 0 when the open succeeds, else its cause.
int OpenCause(const CString& path, unsigned flags) {
    CFile file;
    CFileException error;
    return file.Open(path, flags, &error) ? 0 : error.m_cause;
}

template <typename F>
int ThrownCause(F&& action) {
    try {
        action();
    } catch (const CFileException& e) {
        return e.m_cause;
    }
    return 0;
}

class FileTest : public ::testing::Test {
protected:
    // Paths are built the way the monitor builds them: directory + '\' + name.
    CString Path(const std::wstring& name) const {
        return CString(NarrowToWide(scratch.Dir().string())) + L"\\" + name;
    }
    ScratchHost scratch;
};

constexpr unsigned kCreateWrite = CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite;

}  // namespace

TEST_F(FileTest, SharingModesDecideASecondOpenInTheProcess) {
    struct Case {
        unsigned first;
        unsigned second;
        bool secondOpens;
    };
    const Case cases[] = {
        {CFile::shareExclusive, CFile::shareExclusive, false}, {CFile::shareExclusive, CFile::shareDenyNone, false},
        {CFile::shareCompat, CFile::shareDenyWrite, false},    {CFile::shareDenyNone, CFile::shareExclusive, false},
        {CFile::shareDenyWrite, CFile::shareCompat, false},    {CFile::shareDenyNone, CFile::shareDenyNone, true},
        {CFile::shareDenyWrite, CFile::shareDenyRead, true},
    };
    const CString path = Path(L"shared.bin");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "first " << c.first << ", second " << c.second);
        CFile holder;
        ASSERT_TRUE(holder.Open(path, kCreateWrite | c.first));
        EXPECT_EQ(OpenCause(path, CFile::modeRead | c.second), c.secondOpens ? 0 : CFileException::sharingViolation);
        holder.Close();
        EXPECT_EQ(OpenCause(path, CFile::modeRead | CFile::shareExclusive), 0) << "closing releases the file";
    }
}

TEST_F(FileTest, RefusedOpenLeavesTheHeldFileIntact) {
    const CString path = Path(L"DATA4706");
    CFile log(path, kCreateWrite | CFile::shareExclusive);
    log.Write("record", 6);
    // A truncating create of the held file fails and truncates nothing.
    EXPECT_EQ(OpenCause(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyNone),
              CFileException::sharingViolation);
    EXPECT_EQ(ThrownCause([&] { CFile::Remove(path); }), CFileException::sharingViolation);
    EXPECT_FALSE(DeleteFile(path));
    EXPECT_EQ(ThrownCause([&] { CFile::Rename(path, Path(L"moved")); }), CFileException::sharingViolation);
    log.Close();
    EXPECT_EQ(ReadAll(scratch.Dir() / "DATA4706"), "record");
}

TEST_F(FileTest, ExclusiveOpenKeepsOtherProcessesOut) {
    const CString path = Path(L"oplog");
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // No test assertions in the child: it reports through its exit code.
        CFile file;
        const int code = file.Open(path, kCreateWrite | CFile::shareExclusive) ? 0 : 1;
        char token = 'r';
        if (::write(ready[1], &token, 1) != 1 || ::read(release[0], &token, 1) != 1) ::_exit(2);
        ::_exit(code);
    }
    char token;
    ASSERT_EQ(::read(ready[0], &token, 1), 1);
    // This process's table knows nothing of the child's open: flock refuses it.
    EXPECT_EQ(OpenCause(path, CFile::modeRead | CFile::shareDenyNone), CFileException::sharingViolation);
    ASSERT_EQ(::write(release[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(OpenCause(path, CFile::modeRead | CFile::shareExclusive), 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) ::close(fd);
}

TEST_F(FileTest, CreateTruncatesUnlessNoTruncateAndAppends) {
    const CString path = Path(L"log.bin");
    EXPECT_EQ(OpenCause(path, CFile::modeRead), CFileException::fileNotFound);
    {
        CFile file(path, kCreateWrite);
        file.Write("abc", 3);
    }
    {
        CFile file(path, kCreateWrite);  // a second run of the same day appends
        EXPECT_EQ(file.SeekToEnd(), 3u);
        file.Write("def", 3);
    }
    EXPECT_EQ(ReadAll(scratch.Dir() / "log.bin"), "abcdef");
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        EXPECT_EQ(file.GetLength(), 0u);
    }
    EXPECT_EQ(ReadAll(scratch.Dir() / "log.bin"), "");
}

TEST_F(FileTest, ReadSeekAndPositions) {
    CFile file(Path(L"data.bin"), CFile::modeCreate | CFile::modeReadWrite);
    file.Write("0123456789", 10);
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.GetPosition(), 10u);
    char buffer[8] = {};
    file.Seek(2, CFile::begin);
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "2345");
    EXPECT_EQ(file.Seek(-1, CFile::end), 9u);
    EXPECT_EQ(file.Read(buffer, 8), 1u);
    EXPECT_EQ(file.Read(buffer, 8), 0u);
    EXPECT_EQ(ThrownCause([&] { file.Seek(-1, CFile::begin); }), CFileException::badSeek);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    file.Close();  // closing a closed file does nothing
    EXPECT_EQ(ThrownCause([&] { file.Read(buffer, 1); }), CFileException::invalidFile);
    EXPECT_EQ(ThrownCause([] { CFile missing(L"/nonexistent-dir/x", CFile::modeRead); }), CFileException::fileNotFound);
}

TEST_F(FileTest, ErrorsCarryTheirCauses) {
    fs::create_directory(scratch.Dir() / "sub");
    WriteAll(scratch.Dir() / "plain", "x");
    WriteAll(scratch.Dir() / "other", "y");

    EXPECT_EQ(OpenCause(Path(L"missing"), CFile::modeRead), CFileException::fileNotFound);
    EXPECT_EQ(OpenCause(Path(L"plain\\inside"), kCreateWrite), CFileException::badPath);
    EXPECT_EQ(OpenCause(Path(std::wstring(300, L'n')), kCreateWrite), CFileException::badPath);
    EXPECT_EQ(OpenCause(Path(L"sub"), CFile::modeRead), CFileException::accessDenied);
    EXPECT_EQ(OpenCause(Path(L"sub"), CFile::modeWrite), CFileException::accessDenied);

    EXPECT_EQ(ThrownCause([&] { CFile::Remove(Path(L"missing")); }), CFileException::fileNotFound);
    EXPECT_EQ(ThrownCause([&] { CFile::Remove(Path(L"sub")); }), CFileException::accessDenied);
    EXPECT_EQ(ThrownCause([&] { CFile::Rename(Path(L"missing"), Path(L"x")); }), CFileException::fileNotFound);
    // A rename never replaces an existing file.
    EXPECT_EQ(ThrownCause([&] { CFile::Rename(Path(L"plain"), Path(L"other")); }), CFileException::accessDenied);
    EXPECT_EQ(ReadAll(scratch.Dir() / "other"), "y");

    CFile::Rename(Path(L"plain"), Path(L"renamed"));
    EXPECT_EQ(ReadAll(scratch.Dir() / "renamed"), "x");
    CFile::Remove(Path(L"renamed"));
    EXPECT_FALSE(fs::exists(scratch.Dir() / "renamed"));
}

TEST_F(FileTest, WritePastTheFileSizeLimitIsDiskFull) {
    const CString path = Path(L"big.bin");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 1000;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
        int code = 1;
        try {
            CFile file(path, CFile::modeCreate | CFile::modeWrite);
            const std::string data(4096, 'x');
            file.Write(data.data(), static_cast<UINT>(data.size()));
        } catch (const CFileException& e) {
            code = e.m_cause == CFileException::diskFull ? 0 : 10 + e.m_cause;
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child was killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error, 10+n: cause n";
    EXPECT_EQ(fs::file_size(scratch.Dir() / "big.bin"), 1000u);
}

TEST_F(FileTest, WholeFileHelpers) {
    const CString path = Path(L"config.ini");
    EXPECT_FALSE(PathFileExists(path));
    EXPECT_TRUE(CreateFileIfMissing(path));
    EXPECT_TRUE(WriteFileBytesAtomic(path, "new content"));
    EXPECT_TRUE(CreateFileIfMissing(path));  // leaves the content alone
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes));
    EXPECT_EQ(bytes, "new content");

    // Replacing keeps the permissions, follows a symbolic link and leaves no temporary file.
    fs::permissions(scratch.Dir() / "config.ini", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("config.ini", scratch.Dir() / "link.ini");
    EXPECT_TRUE(WriteFileBytesAtomic(Path(L"link.ini"), "via link"));
    EXPECT_TRUE(fs::is_symlink(scratch.Dir() / "link.ini"));
    EXPECT_EQ(ReadAll(scratch.Dir() / "config.ini"), "via link");
    EXPECT_EQ(fs::status(scratch.Dir() / "config.ini").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.Dir()), fs::directory_iterator()), 2);

    EXPECT_FALSE(WriteFileBytesAtomic(Path(L"no-such-dir\\f"), "x"));
    EXPECT_FALSE(ReadFileBytes(Path(L"missing"), bytes));
    EXPECT_TRUE(DeleteFile(path));
    EXPECT_FALSE(DeleteFile(path));
}

TEST_F(FileTest, MakeSureDirectoryPathExistsCreatesTheDirectoryPart) {
    const std::string root = scratch.Dir().string();
    EXPECT_TRUE(MakeSureDirectoryPathExists(root + "\\Data\\MONDAT\\"));
    EXPECT_TRUE(fs::is_directory(scratch.Dir() / "Data" / "MONDAT"));
    EXPECT_TRUE(MakeSureDirectoryPathExists(root + "\\Data\\MONDAT\\"));  // already there
    // Without a trailing separator the last component is a file name, not created.
    EXPECT_TRUE(MakeSureDirectoryPathExists(root + "/a/b/file.txt"));
    EXPECT_TRUE(fs::is_directory(scratch.Dir() / "a" / "b"));
    EXPECT_FALSE(fs::exists(scratch.Dir() / "a" / "b" / "file.txt"));
    // A file in the way.
    WriteAll(scratch.Dir() / "blocker", "");
    EXPECT_FALSE(MakeSureDirectoryPathExists(root + "\\blocker\\dir\\"));
    // Long paths have no fixed limit.
    const std::string deep = root + "\\" + std::string(200, 'd') + "\\" + std::string(200, 'e') + "\\";
    EXPECT_TRUE(MakeSureDirectoryPathExists(deep));
}

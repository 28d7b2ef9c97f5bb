// CFile opens, sharing, errors and limits; the whole-file helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/TextConv.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FileBytes.h"
#include "tests/support/FileHolder.h"
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

// The test of this program that plays the child roles (a second process holding a file).
constexpr const char* kRole = "FileTestChild.Role";

}  // namespace

TEST(FileTestChild, Role) {
    SKIP_UNLESS_CHILD_ROLE(role);
    PlaySupportRole(role);
    std::_Exit(3);
}

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
    {
        HeldByChild child(kRole, path, kCreateWrite | CFile::shareExclusive);
        ASSERT_TRUE(child.Started());
        // This process knows nothing of the child's open: the system (or, on POSIX, flock) refuses it.
        EXPECT_EQ(OpenCause(path, CFile::modeRead | CFile::shareDenyNone), CFileException::sharingViolation);
        EXPECT_EQ(child.Release(), 0);
    }
    EXPECT_EQ(OpenCause(path, CFile::modeRead | CFile::shareExclusive), 0);
}

// As on Windows, a file that another process holds open through CFile, with or without sharing,
// is neither removed, renamed nor replaced (nor put in another file's place); it stays intact, and
// the change succeeds once the other process has let it go.
TEST_F(FileTest, FileHeldByAnotherProcessIsNotRemovedRenamedOrReplaced) {
    const CString held = Path(L"DATA4706");
    const CString other = Path(L"DATA4706$");
    struct Change {
        const char* name;
        void (*run)(const CString& held, const CString& other);
    };
    const Change changes[] = {
        {"Remove", [](const CString& h, const CString&) { CFile::Remove(h); }},
        {"DeleteFile",
         [](const CString& h, const CString&) {
             if (!DeleteFile(h)) throw CFileException(CFileException::sharingViolation);
         }},
        {"Rename", [](const CString& h, const CString&) { CFile::Rename(h, h + L".moved"); }},
        {"Replace onto it", [](const CString& h, const CString& o) { CFile::Replace(o, h); }},
        {"Replace it onto another", [](const CString& h, const CString& o) { CFile::Replace(h, o); }},
        {"MoveOver onto it",
         [](const CString& h, const CString& o) {
             CFile file(o, CFile::modeRead | CFile::shareExclusive);
             file.MoveOver(h);
         }},
    };
    for (const unsigned share : {CFile::shareExclusive, CFile::shareDenyNone}) {
        for (const Change& change : changes) {
            SCOPED_TRACE(std::string(change.name) + ", share " + std::to_string(share));
            WriteAll(scratch.Dir() / "DATA4706", "held");
            WriteAll(scratch.Dir() / "DATA4706$", "other");
            {
                HeldByChild child(kRole, held, CFile::modeRead | share);
                ASSERT_TRUE(child.Started());
                EXPECT_EQ(ThrownCause([&] { change.run(held, other); }), CFileException::sharingViolation);
            }
            // (Read once the child has let go: Windows lets no one read a file held without sharing.)
            EXPECT_EQ(ReadAll(scratch.Dir() / "DATA4706"), "held");
            EXPECT_EQ(ReadAll(scratch.Dir() / "DATA4706$"), "other");
            EXPECT_EQ(ThrownCause([&] { change.run(held, other); }), 0);
            std::error_code ec;
            fs::remove(scratch.Dir() / "DATA4706.moved", ec);
        }
    }
}

// The lock of a folder shared by several processes: a second holder waits and gives up after
// its time-out while another process holds the lock, and gets it once that process lets it go;
// a lock file that cannot be made is reported as unavailable at once.
TEST_F(FileTest, FileLockExcludesOtherProcessesUntilReleased) {
    const CString path = Path(L"LOCK");
    CFileLock lock;
    {
        HeldByChild child(kRole, path, 0, true);
        ASSERT_TRUE(child.Started());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(lock.Lock(path, 100), CFileLock::timedOut);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
        EXPECT_FALSE(lock.IsLocked());
    }
    EXPECT_EQ(lock.Lock(path, 100), CFileLock::locked);
    EXPECT_TRUE(lock.IsLocked());
    {
        // Held here: the child cannot take it.
        HeldByChild child(kRole, path, 0, true);
        EXPECT_EQ(child.Release(), 1);
    }
    lock.Unlock();
    EXPECT_EQ(lock.Lock(Path(L"no-such-dir\\LOCK"), 1000), CFileLock::unavailable);
}

// Flush puts the file on the disk and says so to the test observer.
TEST_F(FileTest, FlushReachesTheObserver) {
    static std::vector<std::string> flushed;
    flushed.clear();
    SetFileFlushObserverForTesting([](const CString& p) { flushed.push_back(WideToNarrow(p)); });
    CFile file(Path(L"data.bin"), kCreateWrite | CFile::shareExclusive);
    file.Write("abc", 3);
    file.Flush();
    EXPECT_TRUE(WriteFileBytesAtomic(Path(L"config.ini"), "x"));
    SetFileFlushObserverForTesting(nullptr);
    ASSERT_EQ(flushed.size(), 2u);
    EXPECT_EQ(flushed[0], WideToNarrow(Path(L"data.bin")));
    // The temporary file beside it, named in the platform's own form ('/' or '\\' separators).
    auto slashes = [](std::string path) {
        std::replace(path.begin(), path.end(), '\\', '/');
        return path;
    };
    EXPECT_EQ(slashes(flushed[1]).rfind(slashes(WideToNarrow(Path(L"config.ini.tmp"))), 0), 0u) << flushed[1];
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
    EXPECT_EQ(ThrownCause([&] { CFile missing(Path(L"no-such-file"), CFile::modeRead); }),
              CFileException::fileNotFound);
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
    struct LimitGuard {
        ~LimitGuard() { SetFileSizeLimitForTesting(0); }
    } guard;
    ASSERT_TRUE(SetFileSizeLimitForTesting(1000));
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    const std::string data(4096, 'x');
    EXPECT_EQ(ThrownCause([&] { file.Write(data.data(), static_cast<UINT>(data.size())); }), CFileException::diskFull);
    file.Close();
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
#ifndef _WIN32
    // (Windows has no POSIX permission bits, and its symbolic links need a privilege that tests
    // do not have: this part is POSIX only.)
    fs::create_symlink("config.ini", scratch.Dir() / "link.ini");
    EXPECT_TRUE(WriteFileBytesAtomic(Path(L"link.ini"), "via link"));
    EXPECT_TRUE(fs::is_symlink(scratch.Dir() / "link.ini"));
    EXPECT_EQ(ReadAll(scratch.Dir() / "config.ini"), "via link");
    EXPECT_EQ(fs::status(scratch.Dir() / "config.ini").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.Dir()), fs::directory_iterator()), 2);
#else
    EXPECT_TRUE(WriteFileBytesAtomic(path, "via link"));
    EXPECT_EQ(ReadAll(scratch.Dir() / "config.ini"), "via link");
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.Dir()), fs::directory_iterator()), 1);
#endif

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
    // The wide form keeps characters that the system narrow text (a Western ANSI code page, say)
    // cannot hold.
    const CString wide = NarrowToWide(root) + L"\\终端\\数据";
    EXPECT_TRUE(MakeSureDirectoryPathExists(wide + L"\\"));
    EXPECT_TRUE(PathFileExists(wide));
}

TEST_F(FileTest, CreateNewRefusesAnyNameThatExists) {
    constexpr unsigned kCreateNew = CFile::modeCreate | CFile::modeCreateNew | CFile::modeWrite | CFile::shareExclusive;
    {
        CFile fresh(Path(L"fresh"), kCreateNew);
        fresh.Write("new", 3);
    }
    EXPECT_EQ(ReadAll(scratch.Dir() / "fresh"), "new");
    // An existing file is neither opened nor emptied; a link is not written through.
    EXPECT_NE(OpenCause(Path(L"fresh"), kCreateNew), CFileException::none);
    EXPECT_EQ(ReadAll(scratch.Dir() / "fresh"), "new");
    std::error_code linkError;
    std::filesystem::create_symlink(scratch.Dir() / "fresh", scratch.Dir() / "link", linkError);
    if (linkError) return;  // no symbolic links here
    EXPECT_NE(OpenCause(Path(L"link"), kCreateNew), CFileException::none);
    std::filesystem::remove(scratch.Dir() / "fresh");
    EXPECT_NE(OpenCause(Path(L"link"), kCreateNew), CFileException::none);  // dangling: still refused
    EXPECT_FALSE(std::filesystem::exists(scratch.Dir() / "fresh"));
}

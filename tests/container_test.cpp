// The RC5 cipher and the scrambled file container.
//
// The container fixtures under tests/data/container were written by make_fixtures.py beside
// them, a separate implementation of the format, so these tests compare the library against bytes
// it did not produce.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/TextConv.h"
#include "store/Container.h"
#include "store/Rc5.h"
#include "tests/support/FileBytes.h"
#include "tests/support/MonitorTestAccess.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> Hex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

fs::path FixtureDir() {
    return fs::path(MONITOR_SOURCE_DIR) / "tests" / "data" / "container";
}

fs::path Temporary(const fs::path& path) {
    return fs::path(path.string() + "$");
}

bool IsContainerFile(const fs::path& path) {
    return ReadAll(path).compare(0, 4, "KVRA") == 0;
}

}  // namespace

// RC5-32/12/16 examples published with the algorithm's original description: key, plaintext and
// ciphertext, as bytes in memory order.
TEST(Rc5, PublishedTwelveRoundVectors) {
    struct Vector {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Vector vectors[] = {
        {"00000000000000000000000000000000", "0000000000000000", "21A5DBEE154B8F6D"},
        {"915F4619BE41B2516355A50110A9CE91", "21A5DBEE154B8F6D", "F7C013AC5B2B8952"},
        {"783348E75AEB0F2FD7B169BB8DC16787", "F7C013AC5B2B8952", "2F42B3B70369FC92"},
        {"DC49DB1375A5584F6485B413B5F12BAF", "2F42B3B70369FC92", "65C178B284D197CC"},
        {"5269F149D41BA0152497574D7F153125", "65C178B284D197CC", "EB44E415DA319824"},
    };
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.key);
        Rc5::Key key;
        const auto keyBytes = Hex(v.key);
        std::copy(keyBytes.begin(), keyBytes.end(), key.begin());
        const Rc5 cipher(key, 12);

        auto block = Hex(v.plain);
        cipher.EncryptBlock(block.data());
        EXPECT_EQ(block, Hex(v.cipher));
        cipher.DecryptBlock(block.data());
        EXPECT_EQ(block, Hex(v.plain));
    }
}

TEST(Rc5, BufferTransformIsBlockwiseAndInvertible) {
    const Rc5& cipher = ContainerCipher();
    EXPECT_EQ(cipher.Rounds(), 15);
    std::vector<std::uint8_t> data(8 * 41);  // not a multiple of the blocks enciphered together
    std::mt19937 random(7);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    // Blocks 3 and 4 are equal, and so are their enciphered forms (no chaining).
    std::copy(data.begin() + 24, data.begin() + 32, data.begin() + 32);

    auto buffer = data;
    cipher.Encrypt(buffer.data(), buffer.size());
    for (size_t off = 0; off < data.size(); off += 8) {
        std::uint8_t block[8];
        std::copy(data.begin() + static_cast<std::ptrdiff_t>(off), data.begin() + static_cast<std::ptrdiff_t>(off + 8),
                  block);
        cipher.EncryptBlock(block);
        EXPECT_TRUE(std::equal(block, block + 8, buffer.begin() + static_cast<std::ptrdiff_t>(off))) << off;
    }
    EXPECT_TRUE(std::equal(buffer.begin() + 24, buffer.begin() + 32, buffer.begin() + 32));
    cipher.Decrypt(buffer.data(), buffer.size());
    EXPECT_EQ(buffer, data);
}

// Each fixture both ways: scrambling the plain file gives the fixture container byte for byte,
// unscrambling the container gives the plain file back, and no temporary file stays behind.
struct FixtureCase {
    const char* name;
    std::uintmax_t plainSize;
    std::uintmax_t containerSize;
};

void PrintTo(const FixtureCase& c, std::ostream* os) {
    *os << c.name;
}

class ContainerFixture : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(ContainerFixture, ScramblesAndUnscramblesLikeTheReference) {
    const FixtureCase& c = GetParam();
    ScratchHost scratch;
    const std::string plain = ReadAll(FixtureDir() / (std::string(c.name) + ".plain"));
    const std::string container = ReadAll(FixtureDir() / (std::string(c.name) + ".kvra"));
    ASSERT_EQ(plain.size(), c.plainSize);
    ASSERT_EQ(container.size(), c.containerSize);

    const fs::path file = scratch.Dir() / c.name;
    WriteAll(file, plain);
    ASSERT_TRUE(ScrambleFile(file.string().c_str()));
    EXPECT_EQ(ReadAll(file), container);
    EXPECT_FALSE(fs::exists(Temporary(file)));

    ASSERT_TRUE(UnscrambleFile(file.string().c_str()));
    EXPECT_EQ(ReadAll(file), plain);
    EXPECT_FALSE(fs::exists(Temporary(file)));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ContainerFixture,
                         ::testing::Values(FixtureCase{"empty", 0, 8}, FixtureCase{"five", 5, 16},
                                           FixtureCase{"eight", 8, 16}, FixtureCase{"sixteen", 16, 24},
                                           FixtureCase{"profile", 84, 96}, FixtureCase{"allbytes", 259, 272}),
                         [](const auto& info) { return std::string(info.param.name); });

// Several chunks of file I/O, the last one partial, both in the caller's thread (under two chunks)
// and with the I/O thread: the container is the header followed by the in-memory cipher of the
// zero-padded content, and it unscrambles to the original.
TEST(Container, LargeFileRoundTrip) {
    for (const std::uint32_t size : {(384u << 10) + 5, (3u << 20) + 5}) {
        SCOPED_TRACE(size);
        ScratchHost scratch;
        std::string plain(size, '\0');
        std::mt19937 random(42);
        for (auto& ch : plain) ch = static_cast<char>(random());
        const fs::path file = scratch.Dir() / "large.bin";
        WriteAll(file, plain);

        ASSERT_TRUE(ScrambleFile(file.string().c_str()));
        const std::string container = ReadAll(file);
        ASSERT_EQ(container.size(), 8 + plain.size() + 3);
        std::string header("KVRA");
        for (int i = 0; i < 4; ++i) header += static_cast<char>(size >> (8 * i));
        EXPECT_EQ(container.substr(0, 8), header);
        std::string expected = plain + std::string(3, '\0');
        ContainerCipher().Encrypt(reinterpret_cast<std::uint8_t*>(expected.data()), expected.size());
        EXPECT_TRUE(container.compare(8, std::string::npos, expected) == 0);

        ASSERT_TRUE(UnscrambleFile(file.string().c_str()));
        EXPECT_EQ(ReadAll(file), plain);
    }
}

// Files that are not containers are refused and left as they are, with the empty temporary file
// beside them; only a length that is not a multiple of 8 is reported.
TEST(Container, UnscrambleRefusesWhatIsNotAContainer) {
    struct Case {
        const char* name;
        std::string content;
        bool lengthMessage;
    };
    const Case cases[] = {
        {"thirteen", "plain text 13", true},
        {"nomagic", "0123456789abcdef", false},
        {"empty", "", false},
        // Header and length disagree: L = 16 needs 24 to 32 bytes, L = 0 needs exactly 8 or 16.
        {"toolong", std::string("KVRA\x10\x00\x00\x00", 8) + std::string(32, 'x'), false},
        {"tooshort", std::string("KVRA\x10\x00\x00\x00", 8) + std::string(8, 'x'), false},
        {"zeroLength", std::string("KVRA\x00\x00\x00\x00", 8) + std::string(16, 'x'), false},
    };
    ScratchHost scratch;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = scratch.Dir() / c.name;
        WriteAll(file, c.content);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(UnscrambleFile(file.string().c_str()));
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, c.lengthMessage ? file.string() + " 's length mod 8 is not 0\n" : "");
        EXPECT_EQ(ReadAll(file), c.content);
        ASSERT_TRUE(fs::exists(Temporary(file)));
        EXPECT_EQ(fs::file_size(Temporary(file)), 0u);
    }
}

// A file held open without sharing (as the running monitor holds its operation log) cannot be
// opened by either function: the sharing violation is reported and the file is left alone.
TEST(Container, FileHeldExclusivelyIsLeftAlone) {
    ScratchHost scratch;
    const fs::path file = scratch.Dir() / "DATA4706";
    const std::string content(32, '\x07');
    WriteAll(file, content);
    CFile holder;
    ASSERT_TRUE(holder.Open(CString(NarrowToWide(file.string())),
                            CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite | CFile::shareExclusive));

    for (bool (*transform)(const char*) : {&ScrambleFile, &UnscrambleFile}) {
        testing::internal::CaptureStdout();
        EXPECT_FALSE(transform(file.string().c_str()));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), file.string() + " could not be opened 11\n");
        EXPECT_FALSE(fs::exists(Temporary(file)));
    }
    // (Read once let go: Windows lets no one read a file held without sharing.)
    holder.Close();
    EXPECT_EQ(ReadAll(file), content);
    EXPECT_TRUE(ScrambleFile(file.string().c_str()));
    EXPECT_EQ(fs::file_size(file), 8u + 32u);
}

// The complete temporary file is on the disk before it replaces the source: when it is flushed,
// the source still holds its old content.
TEST(Container, TemporaryFileIsFlushedBeforeItReplacesTheSource) {
    ScratchHost scratch;
    static fs::path file;
    static std::vector<std::string> flushes;
    file = scratch.Dir() / "DATB4706";
    flushes.clear();
    WriteAll(file, "[ROOT]\nStatisticsTime=3\n");
    SetFileFlushObserverForTesting([](const CString& path) {
        flushes.push_back(WideToNarrow(path) + (IsContainerFile(file) ? " after" : " before"));
    });
    const bool scrambled = ScrambleFile(file.string().c_str());
    const bool unscrambled = UnscrambleFile(file.string().c_str());
    SetFileFlushObserverForTesting(nullptr);
    ASSERT_TRUE(scrambled && unscrambled);
    // Scrambling flushes "$" while the source is plain; unscrambling, while it is a container.
    EXPECT_EQ(flushes,
              (std::vector<std::string>{Temporary(file).string() + " before", Temporary(file).string() + " after"}));
}

// When the source cannot be replaced (someone holds it), the message names the source, the
// source keeps its content and the complete temporary file stays for the next start to remove.
TEST(Container, SourceThatCannotBeReplacedIsReported) {
    ScratchHost scratch;
    const fs::path file = scratch.Dir() / "DATB4706";
    WriteAll(file, "plain statistics");
    CFile reader;
    ASSERT_TRUE(reader.Open(CString(NarrowToWide(file.string())), CFile::modeRead | CFile::shareDenyNone));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ScrambleFile(file.string().c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "File " + file.string() + " cannot be removed\n");
    EXPECT_EQ(ReadAll(file), "plain statistics");
    EXPECT_EQ(fs::file_size(Temporary(file)), 8u + 16u);
}

TEST(Container, MissingSourceAndUncreatableTemporaryAreReported) {
    EXPECT_FALSE(ScrambleFile(nullptr));
    EXPECT_FALSE(UnscrambleFile(nullptr));
    ScratchHost scratch;
    const fs::path missing = scratch.Dir() / "missing";
    for (bool (*transform)(const char*) : {&ScrambleFile, &UnscrambleFile}) {
        testing::internal::CaptureStdout();
        EXPECT_FALSE(transform(missing.string().c_str()));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), missing.string() + " could not be opened 2\n");
        EXPECT_FALSE(fs::exists(missing));
        EXPECT_FALSE(fs::exists(Temporary(missing)));
    }

    // A directory in the way of the temporary file.
    const fs::path file = scratch.Dir() / "blocked";
    WriteAll(file, "some content");
    fs::create_directory(Temporary(file));
    for (bool (*transform)(const char*) : {&ScrambleFile, &UnscrambleFile}) {
        testing::internal::CaptureStdout();
        EXPECT_FALSE(transform(file.string().c_str()));
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.rfind(Temporary(file).string() + " could not be created ", 0), 0u) << out;
        EXPECT_EQ(ReadAll(file), "some content");
    }
}

// A write that fails half-way (here: the process's file-size limit, which the file layer reports
// as a full disk) leaves the file as it was and takes the partial temporary file away.
TEST(Container, FailedWriteLeavesTheFileAsItWas) {
    ScratchHost scratch;
    std::string plain(1u << 20, '\0');
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 7);
    const fs::path plainFile = scratch.Dir() / "plain";
    const fs::path containerFile = scratch.Dir() / "container";
    WriteAll(plainFile, plain);
    WriteAll(containerFile, plain);
    ASSERT_TRUE(ScrambleFile(containerFile.string().c_str()));
    const std::string container = ReadAll(containerFile);

    struct LimitGuard {
        ~LimitGuard() { SetFileSizeLimitForTesting(0); }
    } guard;
    ASSERT_TRUE(SetFileSizeLimitForTesting(64 * 1024));  // the disk is full after 64 KiB
    EXPECT_FALSE(ScrambleFile(plainFile.string().c_str()));
    EXPECT_FALSE(UnscrambleFile(containerFile.string().c_str()));
    ASSERT_TRUE(SetFileSizeLimitForTesting(0));
    EXPECT_TRUE(ReadAll(plainFile) == plain);
    EXPECT_FALSE(fs::exists(Temporary(plainFile)));
    EXPECT_TRUE(ReadAll(containerFile) == container);
    EXPECT_FALSE(fs::exists(Temporary(containerFile)));
}

// The 32-bit length of the header cannot describe a file of 4 GiB or more: such a file is not
// scrambled at all, rather than turned into a container that could never be restored.
TEST(Container, FileOfFourGibibytesIsNotScrambled) {
    ScratchHost scratch;
    const fs::path file = scratch.Dir() / "huge";
    WriteAll(file, "");
    std::error_code ec;
    fs::resize_file(file, std::uintmax_t{1} << 32, ec);  // sparse: takes no disk space
    if (ec) GTEST_SKIP() << "no sparse files here: " << ec.message();
    EXPECT_FALSE(ScrambleFile(file.string().c_str()));
    EXPECT_EQ(fs::file_size(file), std::uintmax_t{1} << 32);
    EXPECT_FALSE(fs::exists(Temporary(file)));
}

// The monitor's wide-path entry points take paths of any length, Chinese names included.
// EasyEncrypt reports success whatever happens; EasyDecrypt passes the result on.
TEST(Container, MonitorEntryPointsTakeLongWidePaths) {
    ScratchHost scratch;
    CMonitorControl monitor(true);
    std::wstring dir = NarrowToWide(scratch.Dir().string());
    for (int i = 0; i < 30; ++i) dir += L"/\u76d1\u63a7\u6570\u636e\u76ee\u5f55";
    fs::create_directories(FsPath(dir));
    const CString path(dir + L"/DATB4706");
    const fs::path narrow = FsPath(path.str());
    ASSERT_GT(path.GetLength(), 260);  // beyond what Win32 takes without its long-path prefix
    WriteAll(narrow, "<ROOT/>\r\n");

    EXPECT_TRUE(MonitorTestAccess::EasyEncrypt(monitor, path));
    EXPECT_EQ(fs::file_size(narrow), 24u);
    EXPECT_TRUE(MonitorTestAccess::EasyDecrypt(monitor, path));
    EXPECT_EQ(ReadAll(narrow), "<ROOT/>\r\n");

    const CString missing(dir + L"/none");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(MonitorTestAccess::EasyEncrypt(monitor, missing));
    EXPECT_FALSE(MonitorTestAccess::EasyDecrypt(monitor, missing));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              WideToAnsi(missing) + " could not be opened 2\n" + WideToAnsi(missing) + " could not be opened 2\n");
}

// The container under concurrent callers. Runs under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "store/Container.h"
#include "store/Rc5.h"
#include "tests/support/FileBytes.h"
#include "tests/support/MonitorTestAccess.h"

namespace fs = std::filesystem;

namespace {

fs::path FixtureDir() {
    return fs::path(MONITOR_SOURCE_DIR) / "tests" / "data" / "container";
}

}  // namespace

// Two threads make the process's first container calls at the same moment: the key table is
// built once, completely, before either uses it. Must be the first test of this program.
TEST(ContainerConcurrency, KeyTableBuiltOnceOnSimultaneousFirstCalls) {
    if (ContainerKeyTableBuilds() != 0) GTEST_SKIP() << "the key table was built by an earlier test";
    ScratchHost scratch;
    const std::string plain = ReadAll(FixtureDir() / "profile.plain");
    const std::string container = ReadAll(FixtureDir() / "profile.kvra");
    const fs::path first = scratch.Dir() / "first";
    const fs::path second = scratch.Dir() / "second";
    WriteAll(first, plain);
    WriteAll(second, container);

    // Both threads start together. (A mutex and a condition variable rather than std::latch: the
    // latch waits through std::atomic::wait, which can miss its wake-up on mingw's runtime.)
    std::mutex mutex;
    std::condition_variable allThere;
    int arrived = 0;
    auto arriveAndWait = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (++arrived == 2) allThere.notify_all();
        allThere.wait(lock, [&] { return arrived == 2; });
    };
    bool scrambled = false, unscrambled = false;
    std::thread a([&] {
        arriveAndWait();
        scrambled = ScrambleFile(first.string().c_str());
    });
    std::thread b([&] {
        arriveAndWait();
        unscrambled = UnscrambleFile(second.string().c_str());
    });
    a.join();
    b.join();

    EXPECT_EQ(ContainerKeyTableBuilds(), 1);
    EXPECT_TRUE(scrambled);
    EXPECT_TRUE(unscrambled);
    EXPECT_EQ(ReadAll(first), container);
    EXPECT_EQ(ReadAll(second), plain);
}

// The file is replaced in one step: a reader that opens it over and over while it is scrambled and
// unscrambled always finds it, and always whole, in either form.
//
// On Windows the share modes get in the way both ways, and the test allows for exactly that: the
// system never replaces a file that another handle holds open without sharing deletion, as the
// reader's stream does, so a call that meets the reader holding the file is refused, leaves the
// file as it was, and the next call tries the same step again; and the reader's open is refused
// (the file is there but in use) while the container holds the file exclusively from its rename to
// its close, or probes it for other holders after a refusal. On POSIX opens never stand in each
// other's way: every call succeeds and every open finds the file.
TEST(ContainerConcurrency, ReaderNeverMissesTheFile) {
#ifdef _WIN32
    constexpr bool kShareModesRefuse = true;
#else
    constexpr bool kShareModesRefuse = false;
#endif
    ScratchHost scratch;
    const std::string plain = ReadAll(FixtureDir() / "allbytes.plain");
    const std::string container = ReadAll(FixtureDir() / "allbytes.kvra");
    const fs::path file = scratch.Dir() / "DATB4706";
    WriteAll(file, plain);

    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, missing{0}, torn{0};
    std::thread reader([&] {
        while (!done.load()) {
            std::ifstream in(file, std::ios::binary);
            if (!in) {
                // Attributes are read without opening the file, so no share mode refuses them.
                if (!kShareModesRefuse || !fs::exists(file)) ++missing;
                continue;
            }
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (bytes != plain && bytes != container) ++torn;
            ++reads;
        }
    });
    bool scrambled = false;
    int refused = 0;
    for (int i = 0; i < 400; ++i) {
        if ((scrambled ? UnscrambleFile(file.string().c_str()) : ScrambleFile(file.string().c_str()))) {
            scrambled = !scrambled;
        } else {
            ++refused;
            ASSERT_EQ(ReadAll(file), scrambled ? container : plain);
        }
    }
    done = true;
    reader.join();
    if (scrambled) {
        ASSERT_TRUE(UnscrambleFile(file.string().c_str()));
    }
    if (!kShareModesRefuse) {
        EXPECT_EQ(refused, 0);
    }

    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(missing.load(), 0);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(ReadAll(file), plain);
}

// Files of several chunks are written on a second thread while the next chunk is read and
// enciphered: two threads moving such files at once each get their own content back, and the
// container is the one the in-memory cipher gives.
TEST(ContainerConcurrency, LargeFilesOnSeveralThreads) {
    ScratchHost scratch;
    std::string plain((1u << 20) + 13, '\0');
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 131 + (i >> 9));
    std::string expected = plain + std::string(3, '\0');
    ContainerCipher().Encrypt(reinterpret_cast<std::uint8_t*>(expected.data()), expected.size());

    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            const fs::path file = scratch.Dir() / ("large" + std::to_string(t));
            WriteAll(file, plain);
            for (int round = 0; round < 3; ++round) {
                if (!ScrambleFile(file.string().c_str()) || ReadAll(file).compare(8, std::string::npos, expected) != 0)
                    ++failures;
                if (!UnscrambleFile(file.string().c_str()) || ReadAll(file) != plain) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

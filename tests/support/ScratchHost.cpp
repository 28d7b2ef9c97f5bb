#include <atomic>
#include <random>

#include "platform/System.h"
#include "platform/TextConv.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/MonitorTestAccess.h"

ScratchHost::ScratchHost() {
    // A token drawn for each folder keeps the folders of programs run side by side (or of a
    // forked child) apart.
    const std::string token = std::to_string(std::random_device{}());
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "host";
    for (auto& ch : name)
        if (ch == '/') ch = '_';
    m_dir = std::filesystem::temp_directory_path() /
            ("monitor-test-" + token + "-" + std::to_string(counter++) + "-" + name);
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir);
    SetExecutableDirOverride(NarrowToWide(Utf8(m_dir)));
}

ScratchHost::~ScratchHost() {
    SetExecutableDirOverride(CString());
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

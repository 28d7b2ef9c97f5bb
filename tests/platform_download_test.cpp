// URL download of the platform layer against a server on the loopback address: the file is
// replaced whole on success and left as it was on every failure, each failure says why, and the
// time and size limits hold.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/Download.h"
#include "platform/TextConv.h"
#include "tests/support/FileBytes.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

namespace fs = std::filesystem;
using Mode = LoopbackHttpServer::Mode;

const char kOld[] = "[NSCore_Configuration]\nVersion=1\n";

class Download : public ::testing::Test {
protected:
    Download() { WriteAll(Target(), kOld); }
    ~Download() override { SetDownloadLibraryForTesting(""); }

    fs::path Target() const { return host.Dir() / "config.ini"; }
    static CString Wide(const fs::path& path) { return CString(NarrowToWide(path.string())); }
    CString Url(const std::wstring& path = L"/Clients/Configuration.ini") const { return server.BaseUrl() + path; }
    static DownloadLimits Limits() {
        DownloadLimits limits;
        limits.timeoutMs = 1000;
        limits.connectTimeoutMs = 500;
        limits.maxBytes = 4096;
        return limits;
    }
    // The names in the target's folder besides the target: a failed or finished download leaves
    // no temporary file behind.
    int OtherFiles() const {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(host.Dir()))
            if (entry.path().filename() != Target().filename() && entry.is_regular_file()) ++count;
        return count;
    }

    ScratchHost host;
    LoopbackHttpServer server;
};

TEST_F(Download, ReplacesTheFileWithTheBody) {
    const std::string body = "[NSCore_Configuration]\r\nVersion=5\r\n" + std::string(4096 - 35, ';');
    ASSERT_EQ(body.size(), 4096u);  // exactly at the limit
    server.SetBody(body);
    const DownloadResult result = DownloadUrlToFile(Url(), Wide(Target()), Limits());
    EXPECT_EQ(result.status, DownloadStatus::ok) << DownloadStatusName(result.status);
    EXPECT_TRUE(result);
    EXPECT_EQ(result.httpStatus, 200);
    EXPECT_EQ(server.LastPath(), "/Clients/Configuration.ini");
    EXPECT_EQ(ReadAll(Target()), body);
    EXPECT_EQ(OtherFiles(), 0);
}

TEST_F(Download, AFailedDownloadLeavesTheFileAndSaysWhy) {
    struct Case {
        const char* what;
        Mode mode;
        std::string body;
        DownloadStatus status;
        int httpStatus;
    };
    const Case cases[] = {
        {"an error status", Mode::NotFound, "", DownloadStatus::httpError, 404},
        {"a body over the limit, announced", Mode::Serve, std::string(4097, 'x'), DownloadStatus::tooLarge, 200},
        {"a body without end", Mode::Endless, "", DownloadStatus::tooLarge, 200},
        {"a server that never answers", Mode::Silent, "", DownloadStatus::timedOut, 0},
    };
    for (const Case& c : cases) {
        server.SetMode(c.mode);
        server.SetBody(c.body);
        const int requests = server.Requests();
        const auto start = std::chrono::steady_clock::now();
        const DownloadResult result = DownloadUrlToFile(Url(), Wide(Target()), Limits());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.what;
        EXPECT_EQ(result.status, c.status) << c.what << ": " << DownloadStatusName(result.status);
        EXPECT_FALSE(result) << c.what;
        EXPECT_EQ(result.httpStatus, c.httpStatus) << c.what;
        EXPECT_EQ(server.Requests(), requests + 1) << c.what;
        EXPECT_EQ(ReadAll(Target()), kOld) << c.what;
        EXPECT_EQ(OtherFiles(), 0) << c.what;
    }
}

TEST_F(Download, OnlyHttpAndHttpsUrlsAreFetched) {
    const std::wstring port = std::to_wstring(server.Port());
    const std::wstring urls[] = {L"",
                                 L"http://",
                                 L"https:///x",
                                 L"127.0.0.1:" + port + L"/x",
                                 L"ftp://127.0.0.1:" + port + L"/x",
                                 L"file://" + NarrowToWide(Target().string()),
                                 L"gopher://127.0.0.1:" + port + L"/"};
    for (const std::wstring& url : urls) {
        const DownloadResult result = DownloadUrlToFile(CString(url), Wide(Target()), Limits());
        EXPECT_EQ(result.status, DownloadStatus::badUrl) << url << ": " << DownloadStatusName(result.status);
    }
    EXPECT_EQ(server.Requests(), 0);
    EXPECT_EQ(ReadAll(Target()), kOld);

    // The scheme is not case-sensitive.
    server.SetBody("new");
    EXPECT_TRUE(DownloadUrlToFile(CString(L"HTTP://127.0.0.1:" + port + L"/x"), Wide(Target()), Limits()));
    EXPECT_EQ(ReadAll(Target()), "new");
}

TEST_F(Download, ARefusedConnectionAndAnUnwritableTarget) {
    // Nothing listens on port 1 of the loopback address.
    DownloadResult result = DownloadUrlToFile(CString(L"http://127.0.0.1:1/x"), Wide(Target()), Limits());
    EXPECT_EQ(result.status, DownloadStatus::connectFailed) << DownloadStatusName(result.status);
    EXPECT_EQ(ReadAll(Target()), kOld);

    server.SetBody("new");
    result = DownloadUrlToFile(Url(), Wide(host.Dir() / "no-such-folder" / "config.ini"), Limits());
    EXPECT_EQ(result.status, DownloadStatus::writeFailed) << DownloadStatusName(result.status);
    EXPECT_EQ(result.httpStatus, 200);
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_FALSE(fs::exists(host.Dir() / "no-such-folder"));
}

// A machine without the HTTP library loads the plug-in all the same; its downloads fail and leave
// the file alone, and the library is found once it is there.
TEST_F(Download, AMissingHttpLibraryFailsTheDownloadOnly) {
#if defined(_WIN32)
    GTEST_SKIP() << "WinHTTP is part of Windows and linked when the library loads: it cannot be missing";
#endif
    server.SetBody("new");
    SetDownloadLibraryForTesting("libqz-no-such-http-library.so.4");
    const DownloadResult result = DownloadUrlToFile(Url(), Wide(Target()), Limits());
    EXPECT_EQ(result.status, DownloadStatus::httpLibraryMissing) << DownloadStatusName(result.status);
    EXPECT_EQ(server.Requests(), 0);
    EXPECT_EQ(ReadAll(Target()), kOld);

    SetDownloadLibraryForTesting("");
    EXPECT_TRUE(DownloadUrlToFile(Url(), Wide(Target()), Limits()));
    EXPECT_EQ(ReadAll(Target()), "new");
}

}  // namespace

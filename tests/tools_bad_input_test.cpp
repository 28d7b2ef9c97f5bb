// The command-line tools on bad input: every refusal is one line on standard error that names the
// tool, nothing on standard output, a non-zero exit code, and no file created or changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "store/Container.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/DirSnapshot.h"
#include "tests/support/MonitorTestAccess.h"

namespace fs = std::filesystem;

namespace {

struct BadInput {
    std::vector<std::string> command;  // the tool's name (or a path under the scratch folder), then arguments
    std::string message;               // a part of the one line on standard error
    int exitCode;
};

// Folder "work" of the scratch host: the inputs the rows name, relative to it.
void WriteInputs(const fs::path& work) {
    fs::create_directories(work / "nodata");
    fs::create_directories(work / "badconfig" / "Config");
    std::ofstream(work / "badconfig" / "Config" / "MonitorConfig.xml") << "<Other><OperationMapping/></Other>\n";
    std::ofstream(work / "afile") << "a regular file where a folder is expected\n";
    std::ofstream(work / "plain.bin", std::ios::binary) << std::string("\x01\x02 not a container\n\x7f", 21);
    std::ofstream(work / "scrambled") << "[ROOT]\r\nStatisticsTime=3\r\n";
    ASSERT_TRUE(ScrambleFile((work / "scrambled").string().c_str()));
    std::ofstream(work / "badnumber.txt") << "menu \\\\系统\\退出\nsend 1 x 1000 64\n";
    std::ofstream(work / "fraction.txt") << "download 1.5\n";
    std::ofstream(work / "suffix.txt") << "popup\nsend 1 2001 1000 64abc\n";
    std::ofstream(work / "range.txt") << "traffic 65 1\n";
    std::ofstream(work / "proxy.txt") << "logon quote1.example.test 2 09:30:01 0\n";
    // The magic and a length field of 100 bytes, but one block of content.
    std::ofstream(work / "damaged", std::ios::binary) << std::string("KVRA\x64\0\0\0abcdefgh", 16);
    fs::create_directories(work / "host" / "Config");
    fs::copy_file(SampleHostDir() / "Config" / "MonitorConfig.xml", work / "host" / "Config" / "MonitorConfig.xml");
}

// Runs each row in `work` (through `runner`, a program that runs the rest of the command line,
// when given) and checks the refusal and that nothing under `root` changed.
void ExpectRefusals(const std::vector<BadInput>& rows, const fs::path& work, const fs::path& root,
                    const std::vector<std::string>& runner = {}) {
    for (const BadInput& row : rows) {
        std::string shown;
        for (const std::string& word : row.command) shown += word + " ";
        SCOPED_TRACE(shown);
        std::vector<std::string> argv = row.command;
        const std::string tool = fs::path(argv[0]).filename().string();
        argv[0] = argv[0].find('/') == std::string::npos ? Utf8(Tool(argv[0])) : Utf8(work / argv[0]);

        argv.insert(argv.begin(), runner.begin(), runner.end());
        const DirSnapshot before = TakeSnapshot(root);
        const ChildResult result = RunChild(argv, work);
        EXPECT_EQ(result.exitCode, row.exitCode);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.err.rfind(tool + ": ", 0), 0u) << result.err;
        std::string err = result.err;
#ifdef _WIN32
        std::replace(err.begin(), err.end(), '\\', '/');  // the tools print Windows paths with '\\'
#endif
        EXPECT_NE(err.find(row.message), std::string::npos) << result.err;
        EXPECT_EQ(TakeSnapshot(root), before);
    }
}

// How to run a tool so that permission bits stop it: directly when they stop this process;
// as the unprivileged user "nobody" through setpriv when this process is the superuser and the
// system has setpriv; nullopt when neither can be done (Windows, where a folder's read-only
// attribute does not stop writes into it).
std::optional<std::vector<std::string>> UnprivilegedRunner(const fs::path& work) {
    const fs::path probe = work / "probe";
    fs::create_directories(probe);
    fs::permissions(probe, fs::perms::owner_read | fs::perms::owner_exec);
    const bool stopped = !std::ofstream(probe / "file").is_open();
    fs::permissions(probe, fs::perms::owner_all);
    fs::remove_all(probe);
    if (stopped) return std::vector<std::string>{};
#ifndef _WIN32
    if (fs::exists("/usr/bin/setpriv"))
        return std::vector<std::string>{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
#endif
    return std::nullopt;
}

// Makes `path` readable and searchable by everyone and writable by nobody (or back).
void SetReadOnly(const fs::path& path, bool readOnly) {
    using p = fs::perms;
    fs::permissions(
        path, readOnly ? p::owner_read | p::owner_exec | p::group_read | p::group_exec | p::others_read | p::others_exec
                       : p::owner_all | p::group_read | p::group_exec | p::others_read | p::others_exec);
}

}  // namespace

TEST(ToolsBadInput, EachRefusalIsOneLineAndChangesNothing) {
    ScratchHost scratch;
    const fs::path work = scratch.Dir();
    WriteInputs(work);
    // monitor-host runs from a host installation of its own: it writes beside itself.
    CopyHostInstallation(work / "installed", SampleHostDir());
    // A host whose configuration file is marked read-only: it is left as it is.
    fs::copy(SampleHostDir(), work / "rohost", fs::copy_options::recursive);
    const fs::path roConfig = work / "rohost" / "Config" / "MonitorConfig.xml";
    fs::permissions(roConfig, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    struct Restore {
        fs::path file;
        ~Restore() {
            std::error_code ec;
            fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write, ec);
        }
    } restore{roConfig};

    const std::vector<BadInput> rows = {
        {{"monitor-decode"}, "no command given", 2},
        {{"monitor-decode", "frob", "x"}, "unknown command frob", 2},
        {{"monitor-decode", "--bogus"}, "unknown option --bogus", 2},
        {{"monitor-decode", "show", "host", "-x"}, "unknown option -x", 2},
        {{"monitor-decode", "unscramble"}, "unscramble takes one FILE", 2},
        {{"monitor-decode", "unscramble", "scrambled", "plain.bin"}, "unscramble takes one FILE", 2},
        {{"monitor-decode", "unscramble", "missing"}, "missing: no such file", 1},
        {{"monitor-decode", "unscramble", "afile/x"}, "afile/x: no such file", 1},
        {{"monitor-decode", "unscramble", "nodata"}, "nodata: a directory", 1},
        {{"monitor-decode", "unscramble", "plain.bin"}, "plain.bin: not a scrambled container", 1},
        {{"monitor-decode", "oplog", "plain.bin"}, "oplog takes FILE --host HOSTDIR", 2},
        {{"monitor-decode", "oplog", "plain.bin", "host"}, "oplog takes FILE --host HOSTDIR", 2},
        {{"monitor-decode", "oplog", "missing", "--host", "host"}, "missing: no such file", 1},
        {{"monitor-decode", "oplog", "nodata", "--host", "host"}, "nodata: a directory", 1},
        {{"monitor-decode", "oplog", "plain.bin", "--host", "missing"}, "missing: no such directory", 1},
        {{"monitor-decode", "oplog", "plain.bin", "--host", "afile/x"}, "afile/x: no such directory", 1},
        {{"monitor-decode", "oplog", "plain.bin", "--host", "afile"}, "afile: not a directory", 1},
        {{"monitor-decode", "oplog", "plain.bin", "--host", "nodata"}, "no monitor configuration", 1},
        {{"monitor-decode", "oplog", "scrambled", "--host", "host"}, "scrambled; unscramble it first", 1},
        {{"monitor-decode", "unscramble", "damaged"}, "damaged: damaged container", 1},
        {{"monitor-decode", "oplog", "damaged", "--host", "host"}, "damaged: damaged container", 1},
        {{"monitor-decode", "show"}, "show takes one HOSTDIR", 2},
        {{"monitor-decode", "show", "missing"}, "missing: no such directory", 1},
        {{"monitor-decode", "show", "afile/x"}, "afile/x: no such directory", 1},
        {{"monitor-decode", "show", "plain.bin"}, "plain.bin: not a directory", 1},
        {{"monitor-decode", "show", "nodata"}, "no data directory", 1},
        {{"monitor-mapping"}, "one HOSTDIR expected", 2},
        {{"monitor-mapping", "host", "nodata"}, "one HOSTDIR expected", 2},
        {{"monitor-mapping", "--bogus"}, "unknown option --bogus", 2},
        {{"monitor-mapping", "missing"}, "missing: no such directory", 1},
        {{"monitor-mapping", "afile/x"}, "afile/x: no such directory", 1},
        {{"monitor-mapping", "plain.bin"}, "plain.bin: not a directory", 1},
        {{"monitor-mapping", "badconfig"}, "not a monitor configuration file", 1},
        {{"monitor-mapping", "rohost"}, "could not be replaced (the file is read-only); left as it is", 1},
        {{"installed/monitor-host", "--bogus"}, "unknown option --bogus", 2},
        {{"installed/monitor-host", "a", "b"}, "one SCRIPT at most", 2},
        {{"installed/monitor-host", "missing"}, "script missing: no such file", 2},
        {{"installed/monitor-host", "afile/x"}, "script afile/x: no such file", 2},
        {{"installed/monitor-host", "nodata"}, "script nodata: a directory", 2},
        {{"installed/monitor-host", "plain.bin"}, "line 1: cannot read", 1},
        {{"installed/monitor-host", "badnumber.txt"}, "line 2: not a number", 1},
        {{"installed/monitor-host", "fraction.txt"}, "line 1: not a whole number in \"download 1.5\"", 1},
        {{"installed/monitor-host", "suffix.txt"}, "line 2: not a whole number in \"send 1 2001 1000 64abc\"", 1},
        {{"installed/monitor-host", "range.txt"}, "line 1: number out of range in \"traffic 65 1\"", 1},
        {{"installed/monitor-host", "proxy.txt"}, "line 1: number out of range", 1},
    };
    ExpectRefusals(rows, work, work);
}

// Folders and files that permission bits close, run as a user they stop (the superuser runs the
// tools as "nobody" through setpriv): every tool says it could not do the work and changes
// nothing, also where the only thing it could not do is write its result.
TEST(ToolsBadInput, UnreadableAndReadOnlyFoldersAreRefused) {
    ScratchHost scratch;
    const fs::path work = scratch.Dir();
    WriteInputs(work);
    const std::optional<std::vector<std::string>> runner = UnprivilegedRunner(work);
    if (!runner) GTEST_SKIP() << "permission bits do not stop writes here, and no unprivileged user can be used";

    CopyHostInstallation(work / "installed", SampleHostDir());
    fs::create_directories(work / "locked" / "Data" / "MONDAT");
    std::ofstream(work / "locked" / "script.txt") << "popup\n";
    fs::create_directories(work / "lockeddata" / "Data" / "MONDAT");
    std::ofstream(work / "lockeddata" / "Data" / "MONDAT" / "DATC") << "[ROOT]\r\n";
    std::ofstream(work / "noread") << "[ROOT]\r\n";
    // A read-only folder holding an operation log and a scrambled file, and a host whose
    // configuration folder is read-only.
    fs::create_directories(work / "readonly");
    std::ofstream(work / "readonly" / "DATA5", std::ios::binary) << std::string(32, '\0');
    fs::copy_file(work / "scrambled", work / "readonly" / "DATC");
    fs::copy(SampleHostDir(), work / "fixedhost", fs::copy_options::recursive);
    AgeFiles(work / "fixedhost");

    fs::permissions(work / "locked", fs::perms::none);
    fs::permissions(work / "lockeddata" / "Data" / "MONDAT", fs::perms::none);
    fs::permissions(work / "noread", fs::perms::none);
    SetReadOnly(work / "readonly", true);
    SetReadOnly(work / "fixedhost" / "Config", true);
    struct Restore {
        fs::path work;
        ~Restore() {
            std::error_code ec;
            fs::permissions(work / "locked", fs::perms::owner_all, ec);
            fs::permissions(work / "lockeddata" / "Data" / "MONDAT", fs::perms::owner_all, ec);
            fs::permissions(work / "noread", fs::perms::owner_all, ec);
            fs::permissions(work / "readonly", fs::perms::owner_all, ec);
            fs::permissions(work / "fixedhost" / "Config", fs::perms::owner_all, ec);
        }
    } restore{work};

    const std::vector<BadInput> rows = {
        {{"monitor-decode", "unscramble", "noread"}, "noread: cannot be read", 1},
        {{"monitor-decode", "unscramble", "locked/script.txt"}, "cannot be read", 1},
        {{"monitor-decode", "unscramble", "readonly/DATC"},
         "readonly/DATC: cannot write beside it (permission denied)",
         1},
        {{"monitor-decode", "oplog", "noread", "--host", "host"}, "noread: cannot be read", 1},
        {{"monitor-decode", "oplog", "plain.bin", "--host", "locked"}, "locked: cannot be read", 1},
        {{"monitor-decode", "oplog", "readonly/DATA5", "--host", "host"}, "readonly/DATA5.xml: cannot be written", 1},
        {{"monitor-decode", "show", "locked"}, "locked: cannot be read", 1},
        {{"monitor-decode", "show", "lockeddata"}, "MONDAT: cannot be read", 1},
        {{"monitor-mapping", "locked"}, "locked: cannot be read", 1},
        {{"monitor-mapping", "fixedhost"}, "MonitorConfig.xml: could not be replaced", 1},
        {{"installed/monitor-host", "noread"}, "script noread: cannot be read", 2},
        {{"installed/monitor-host", "locked/script.txt"}, "cannot be read", 2},
    };
    ExpectRefusals(rows, work, work, *runner);
}

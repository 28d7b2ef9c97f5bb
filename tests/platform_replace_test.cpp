// CFile::Replace: the atomic put-in-place that the container uses for its temporary file.
#include <gtest/gtest.h>

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

CString Wide(const fs::path& path) {
    return CString(NarrowToWide(path.string()));
}

int ReplaceCause(const fs::path& from, const fs::path& to) {
    try {
        CFile::Replace(Wide(from), Wide(to));
    } catch (const CFileException& e) {
        return e.m_cause;
    }
    return 0;
}

}  // namespace

TEST(FileReplace, ReplacesAnExistingFileOrMovesToANewName) {
    ScratchHost scratch;
    const fs::path from = scratch.Dir() / "DATB4706$";
    const fs::path to = scratch.Dir() / "DATB4706";
    WriteAll(from, "new");
    WriteAll(to, "old");
    EXPECT_EQ(ReplaceCause(from, to), 0);
    EXPECT_EQ(ReadAll(to), "new");
    EXPECT_FALSE(fs::exists(from));

    const fs::path fresh = scratch.Dir() / "fresh";
    EXPECT_EQ(ReplaceCause(to, fresh), 0);
    EXPECT_EQ(ReadAll(fresh), "new");

    EXPECT_EQ(ReplaceCause(scratch.Dir() / "missing", fresh), CFileException::fileNotFound);
    EXPECT_EQ(ReadAll(fresh), "new");
}

// A file held open through CFile, with any sharing, is neither replaced nor moved away; both files
// stay as they were.
TEST(FileReplace, RefusedWhileEitherFileIsHeldOpen) {
    ScratchHost scratch;
    const fs::path from = scratch.Dir() / "DATA4706$";
    const fs::path to = scratch.Dir() / "DATA4706";
    WriteAll(from, "new");
    WriteAll(to, "old");
    for (const fs::path& held : {to, from}) {
        for (unsigned share : {CFile::shareExclusive, CFile::shareDenyNone}) {
            SCOPED_TRACE(held.filename().string() + " " + std::to_string(share));
            {
                CFile holder;
                ASSERT_TRUE(holder.Open(Wide(held), CFile::modeRead | share));
                EXPECT_EQ(ReplaceCause(from, to), CFileException::sharingViolation);
            }
            // Read back once the holder has let go: on Windows an exclusive open keeps every
            // reader out, this one included.
            EXPECT_EQ(ReadAll(from), "new");
            EXPECT_EQ(ReadAll(to), "old");
        }
    }
    EXPECT_EQ(ReplaceCause(from, to), 0);
    EXPECT_EQ(ReadAll(to), "new");
}

#include "tools/export/DataFolder.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "store/Container.h"
#include "tools/ProgramMain.h"

namespace fs = std::filesystem;

std::optional<DataFileName> ClassifyDataFile(const std::string& name) {
    if (name == "DATC") return DataFileName{DataKind::machine, std::nullopt};
    if (name.size() < 5 || name.size() > 13) return std::nullopt;
    const std::string prefix = name.substr(0, 4);
    if (prefix != "DATA" && prefix != "DATB") return std::nullopt;
    std::int64_t day = 0;
    for (size_t i = 4; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return std::nullopt;
        day = day * 10 + (name[i] - '0');
    }
    return DataFileName{prefix == "DATA" ? DataKind::operations : DataKind::statistics, day};
}

bool OpenDataFolder(const fs::path& folder, DataFolder& result, std::string& problem) {
    result = DataFolder();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        problem = fs::exists(folder, ec) ? "not a directory" : "no such directory";
        return false;
    }
    // A host folder (Data/MONDAT), a folder that holds a collected MONDAT, or the MONDAT itself.
    const fs::path hostData = folder / "Data" / "MONDAT";
    const bool host = fs::is_directory(hostData, ec);
    result.dataDir = host ? hostData : fs::is_directory(folder / "MONDAT", ec) ? folder / "MONDAT" : folder;
    if (host && fs::is_regular_file(folder / "Config" / "MonitorConfig.xml", ec))
        result.configFile = folder / "Config" / "MonitorConfig.xml";
    // A bare MONDAT folder is named after the folder it was collected in (term7/MONDAT,
    // term7/Data/MONDAT: "term7").
    fs::path whole = folder;
    if (whole.filename().empty()) whole = whole.parent_path();
    const auto named = [](const fs::path& path, const char* name) {
        std::string text = Utf8(path.filename());
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text == name;
    };
    if (whole.filename().empty() || whole.filename() == "." || whole.filename() == ".." || named(whole, "MONDAT")) {
        whole = fs::absolute(folder, ec).lexically_normal();
        if (whole.filename().empty()) whole = whole.parent_path();
    }
    if (named(whole, "MONDAT") && whole.has_parent_path()) {
        whole = whole.parent_path();
        if (named(whole, "DATA") && whole.has_parent_path()) whole = whole.parent_path();
    }
    result.name = Utf8(whole.filename().empty() ? whole : whole.filename());

    fs::directory_iterator it(result.dataDir, ec);
    if (ec) {
        problem = "cannot list " + Utf8(result.dataDir) + " (" + ec.message() + ")";
        return false;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            problem = "cannot list " + Utf8(result.dataDir) + " (" + ec.message() + ")";
            return false;
        }
        // Links are not followed: a collected folder holds files, nothing that points elsewhere.
        if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
        const std::string name = Utf8(it->path().filename());
        if (const std::optional<DataFileName> kind = ClassifyDataFile(name))
            result.files.push_back({it->path(), name, *kind});
    }
    if (result.files.empty()) {
        problem = "no data files (DATA<n>, DATB<n>, DATC) in " + Utf8(result.dataDir);
        return false;
    }
    std::sort(result.files.begin(), result.files.end(), [](const DataFile& a, const DataFile& b) {
        const std::int64_t dayA = a.kind.day.value_or(-1), dayB = b.kind.day.value_or(-1);
        if (dayA != dayB) return dayA < dayB;
        const bool logA = a.kind.kind == DataKind::operations, logB = b.kind.kind == DataKind::operations;
        if (logA != logB) return logB;
        return a.name < b.name;
    });
    return true;
}

bool PlainContent(const std::string& bytes, std::string& plain, std::string& problem) {
    switch (ContainerShapeOf(bytes.data(), bytes.size())) {
        case ContainerShape::plain:
            plain = bytes;
            return true;
        case ContainerShape::container:
            if (UnscrambleBytes(bytes.data(), bytes.size(), plain)) return true;
            problem = "the container could not be unscrambled";
            return false;
        case ContainerShape::damaged:
            break;
    }
    problem = "damaged container (its length or size is wrong)";
    return false;
}

bool ReadPlainFile(const fs::path& path, std::string& plain, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!in || ec) {
        problem = "cannot be read";
        return false;
    }
    // Read straight into `plain` (its room is reused from file to file): most files are plain.
    plain.resize(static_cast<size_t>(size));
    in.read(plain.data(), static_cast<std::streamsize>(plain.size()));
    plain.resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) {
        problem = "cannot be read";
        return false;
    }
    if (ContainerShapeOf(plain.data(), plain.size()) == ContainerShape::plain) return true;
    const std::string bytes = std::move(plain);
    plain.clear();
    return PlainContent(bytes, plain, problem);
}

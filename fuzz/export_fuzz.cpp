// Fuzz target of the export of monitor-decode: arbitrary bytes as a data file, all in memory. The
// first byte picks the file's kind (operation log, statistics, system information), the rest is
// the file as stored, plain or a container. The content goes through the same steps as a file of
// a data folder (container shape, unscrambling, parsing, JSON Lines); every line written must be
// a JSON object of a known kind, an operation log must give one line per whole record, and a
// file refused must have said why.
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "tools/export/FleetReader.h"
#include "tools/export/JsonLines.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

const OperationNameTable& Names() {
    static const OperationNameTable names = [] {
        OperationNameTable table;
        table.kinds[1] = {"MenuCommand", {{1, "||系统|退出"}, {2, "||File|\"Open\"\n"}}, {}};
        table.kinds[4] = {"Dialog", {{0, "Settings"}}, {{-1, "\x01 control"}}};
        table.serial = 1;
        return table;
    }();
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const DataKind kinds[3] = {DataKind::operations, DataKind::statistics, DataKind::machine};
    FileOrigin origin;
    origin.source = "fleet/term1";
    origin.machine = "00-11-22-33-44-55";
    origin.kind = kinds[data[0] % 3];
    origin.file = origin.kind == DataKind::machine      ? "DATC"
                  : origin.kind == DataKind::statistics ? "DATB4706"
                                                        : "DATA4706";
    if (origin.kind != DataKind::machine) {
        origin.day = 4706 + (data[0] >> 2);
        origin.date = DateOfDay(*origin.day);
    }
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::string plain, problem;
    if (!PlainContent(bytes, plain, problem)) {
        Check(!problem.empty());
        return 0;
    }
    origin.content = plain;
    // One writer for the run (its buffer is a megabyte), emptied before each input.
    static std::ostringstream out;
    static JsonLinesWriter writer(out);
    out.str("");
    out.clear();
    if (!ExportPlainFile(origin, plain, Names(), writer, problem)) {
        Check(!problem.empty());
        return 0;
    }
    Check(writer.Finish(problem));

    std::istringstream lines(out.str());
    size_t count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        const nlohmann::json value = nlohmann::json::parse(line);  // throws, and so fails, on a bad line
        Check(value.is_object());
        const std::string kind = value.at("kind");
        Check(kind == "operation" || kind == "statistics" || kind == "transmission" || kind == "machine");
    }
    if (origin.kind == DataKind::operations)
        Check(count == OperationCount(plain));
    else
        Check(count >= 1);
    return 0;
}

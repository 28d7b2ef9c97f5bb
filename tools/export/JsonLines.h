// The export as JSON Lines: one object per operation record, statistics file, transmission entry
// and system information file (the fields are listed in the README). Every text goes through the
// JSON library's serializer; an operation record's line is put together from pieces that it
// serialized once per file (source, machine, file, date) and once per name table (names), since
// a log holds many thousand records and everything else in them is numbers.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "tools/export/ExportSink.h"

class JsonLinesWriter : public ExportSink {
public:
    explicit JsonLinesWriter(std::ostream& out);
    ~JsonLinesWriter() override;

    void Folder(const std::string& source, const std::string& machine) override;
    void Machine(const FileOrigin& origin, const MachineContent& machine) override;
    void Statistics(const FileOrigin& origin, const StatisticsContent& statistics) override;
    void Operations(const FileOrigin& origin, std::string_view log, const OperationNameTable& names) override;
    // Writes what is buffered; false when the stream failed.
    bool Finish(std::string& problem) override;

    // Bytes handed to the stream so far (buffered ones included).
    std::uint64_t BytesWritten() const { return m_written + m_used; }

private:
    struct KindPieces {
        std::string operation;  // ,"operation":"..."
        std::unordered_map<std::int32_t, std::string> value1, value2;
    };
    std::string Head(const char* kind, const FileOrigin& origin);
    void UseNames(const OperationNameTable& names);
    // Room for `size` more bytes at the end of the buffer (written out first when it is full).
    char* Room(size_t size);
    void Append(const std::string& text);
    bool Flush();

    std::ostream& m_out;
    // Lines are put together in a buffer of fixed size, with plain copies: a log's lines are some
    // 200 bytes each, and the stream is handed large blocks.
    std::vector<char> m_buffer;
    size_t m_used = 0;
    std::uint64_t m_written = 0;
    std::string m_source, m_machine, m_folderFields;  // ,"source":...,"machine":...
    std::uint64_t m_namesSerial = UINT64_MAX;
    std::unordered_map<std::int32_t, KindPieces> m_pieces;
};

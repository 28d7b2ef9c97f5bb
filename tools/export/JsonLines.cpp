#include "tools/export/JsonLines.h"

#include <charconv>
#include <nlohmann/json.hpp>

// Fields in the order written, kind first.
using json = nlohmann::ordered_json;

namespace {

constexpr size_t kFlushSize = 1 << 20;

std::string Dump(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

json Optional(const std::optional<std::string>& text) {
    return text ? json(*text) : json(nullptr);
}
template <class T>
json Optional(const std::optional<T>& number) {
    return number ? json(*number) : json(nullptr);
}

// The fields every line of a file starts with.
json Head(const char* kind, const FileOrigin& origin) {
    json line = {{"kind", kind}, {"source", origin.source}, {"machine", origin.machine}, {"file", origin.file}};
    if (origin.kind != DataKind::machine) {
        line["day"] = Optional(origin.day);
        line["date"] = Optional(origin.date);
    }
    return line;
}

void AppendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendTwoDigits(std::string& out, int value) {
    out.push_back(static_cast<char>('0' + value / 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

JsonLinesWriter::JsonLinesWriter(std::ostream& out) : m_out(out) {
    m_buffer.reserve(kFlushSize + 4096);
}

JsonLinesWriter::~JsonLinesWriter() {
    std::string ignored;
    Finish(ignored);
}

void JsonLinesWriter::Folder(const std::string&, const std::string&) {}

void JsonLinesWriter::Machine(const FileOrigin& origin, const MachineContent& machine) {
    json line = Head("machine", origin);
    json keys = json::object();
    for (const auto& [key, value] : machine) keys[key] = value;
    line["keys"] = std::move(keys);
    m_buffer += Dump(line);
    m_buffer += '\n';
    FlushIfFull();
}

void JsonLinesWriter::Statistics(const FileOrigin& origin, const StatisticsContent& statistics) {
    json line = Head("statistics", origin);
    line["form"] = statistics.form;
    line["samples"] = Optional(statistics.samples);
    line["memory_peak_mb"] = Optional(statistics.memoryPeakMb);
    line["memory_average_mb"] = Optional(statistics.memoryAverageMb);
    line["cpu_average_percent"] = Optional(statistics.cpuAveragePercent);
    line["cpu_peak_percent"] = Optional(statistics.cpuPeakPercent);
    line["shutdown_count"] = Optional(statistics.shutdownCount);
    json logons = json::array();
    for (const LogonEntry& logon : statistics.logons)
        logons.push_back({{"server", logon.server},
                          {"time", logon.time},
                          {"retry_time", Optional(logon.retryTime)},
                          {"is_proxy", Optional(logon.isProxy)}});
    line["logons"] = std::move(logons);
    m_buffer += Dump(line);
    m_buffer += '\n';
    for (const TransmissionEntry& entry : statistics.transmission) {
        json row = Head("transmission", origin);
        row["traffic"] = entry.traffic;
        row["request_type"] = entry.requestType;
        row["description"] = entry.description;
        for (int i = 0; i < 8; ++i) row[kTransmissionFieldNames[i]] = Optional(entry.counters[i]);
        m_buffer += Dump(row);
        m_buffer += '\n';
    }
    FlushIfFull();
}

void JsonLinesWriter::UseNames(const OperationNameTable& names) {
    if (names.serial == m_namesSerial) return;
    m_pieces.clear();
    for (const auto& [type, kind] : names.kinds) {
        KindPieces& pieces = m_pieces[type];
        pieces.operation = ",\"operation\":" + Dump(kind.name);
        for (const auto& [code, text] : kind.value1) pieces.value1.emplace(code, ",\"value1_name\":" + Dump(text));
        for (const auto& [code, text] : kind.value2) pieces.value2.emplace(code, ",\"value2_name\":" + Dump(text));
    }
    m_namesSerial = names.serial;
}

void JsonLinesWriter::Operations(const FileOrigin& origin, std::string_view log, const OperationNameTable& names) {
    UseNames(names);
    json head = Head("operation", origin);
    head["time"] = nullptr;
    // The serialized head up to the time's value: {"kind":"operation",...,"time":
    std::string prefix = Dump(head);
    prefix.resize(prefix.size() - std::string("null}").size());

    const size_t count = OperationCount(log);
    for (size_t i = 0; i < count; ++i) {
        const OperationEntry record = OperationAt(log, i);
        m_buffer += prefix;
        int hour = 0, minute = 0, second = 0;
        if (TimeOfDayParts(record.timeOfDay, hour, minute, second)) {
            m_buffer += '"';
            AppendTwoDigits(m_buffer, hour);
            m_buffer += ':';
            AppendTwoDigits(m_buffer, minute);
            m_buffer += ':';
            AppendTwoDigits(m_buffer, second);
            m_buffer += '"';
        } else {
            m_buffer += "null";
        }
        m_buffer += ",\"type\":";
        AppendNumber(m_buffer, record.type);
        m_buffer += ",\"value1\":";
        AppendNumber(m_buffer, record.value1);
        m_buffer += ",\"value2\":";
        AppendNumber(m_buffer, record.value2);
        if (const auto kind = m_pieces.find(record.type); kind != m_pieces.end()) {
            m_buffer += kind->second.operation;
            if (const auto name = kind->second.value1.find(record.value1); name != kind->second.value1.end())
                m_buffer += name->second;
            if (const auto name = kind->second.value2.find(record.value2); name != kind->second.value2.end())
                m_buffer += name->second;
        }
        m_buffer += "}\n";
        FlushIfFull();
    }
}

void JsonLinesWriter::FlushIfFull() {
    if (m_buffer.size() < kFlushSize) return;
    m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
    m_written += m_buffer.size();
    m_buffer.clear();
}

bool JsonLinesWriter::Finish(std::string& problem) {
    if (!m_buffer.empty()) {
        m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
        m_written += m_buffer.size();
        m_buffer.clear();
    }
    m_out.flush();
    if (m_out) return true;
    problem = "the output could not be written";
    return false;
}

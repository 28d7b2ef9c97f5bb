#include "tools/export/JsonLines.h"

#include <charconv>
#include <cstring>
#include <nlohmann/json.hpp>

// Fields in the order written, kind first.
using json = nlohmann::ordered_json;

namespace {

constexpr size_t kBufferSize = 1 << 20;

std::string Dump(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

// A line's fields in the order added. Names are our own constants; every text and decimal number
// is serialized by the JSON library.
class Fields {
public:
    // Starts a line, or goes on after `head` (an open object from Head()).
    explicit Fields(std::string& out) : m_out(out) { m_first = out.empty() || out.back() == '{'; }

    Fields& Add(const char* name, const std::string& text) { return Key(name).Raw(Dump(json(text))); }
    Fields& Add(const char* name, const char* text) { return Add(name, std::string(text)); }
    Fields& Add(const char* name, std::int64_t number) {
        char digits[24];
        Key(name).m_out.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
        return *this;
    }
    Fields& Add(const char* name, double number) { return Key(name).Raw(Dump(json(number))); }
    Fields& Add(const char* name, bool flag) { return Key(name).Raw(flag ? "true" : "false"); }
    template <class T>
    Fields& Add(const char* name, const std::optional<T>& value) {
        return value ? Add(name, *value) : Key(name).Raw("null");
    }
    // A field whose value the caller writes next.
    Fields& Key(const char* name) {
        m_out += m_first ? "\"" : ",\"";
        m_first = false;
        m_out += name;
        m_out += "\":";
        return *this;
    }
    Fields& Raw(const std::string& text) {
        m_out += text;
        return *this;
    }

private:
    std::string& m_out;
    bool m_first = true;
};

char* Copy(char* at, const std::string& text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}
template <size_t N>
char* Copy(char* at, const char (&text)[N]) {
    std::memcpy(at, text, N - 1);
    return at + N - 1;
}

char* TwoDigits(char* at, int value) {
    at[0] = static_cast<char>('0' + value / 10);
    at[1] = static_cast<char>('0' + value % 10);
    return at + 2;
}

// Room a record's numbers take at most: the time, three int32 and the field names between them.
constexpr size_t kNumbersRoom = 128;

}  // namespace

// The fields every line of a file starts with, the object left open. The folder's source and
// machine are serialized once per folder.
std::string JsonLinesWriter::Head(const char* kind, const FileOrigin& origin) {
    if (origin.source != m_source || origin.machine != m_machine) Folder(origin.source, origin.machine);
    std::string head = "{\"kind\":\"";
    head += kind;  // one of our own names
    head += '"';
    head += m_folderFields;
    Fields fields(head);
    fields.Add("file", origin.file);
    if (origin.kind != DataKind::machine) fields.Add("day", origin.day).Add("date", origin.date);
    return head;
}

JsonLinesWriter::JsonLinesWriter(std::ostream& out) : m_out(out), m_buffer(kBufferSize) {}

JsonLinesWriter::~JsonLinesWriter() {
    std::string ignored;
    Finish(ignored);
}

void JsonLinesWriter::Folder(const std::string& source, const std::string& machine) {
    m_source = source;
    m_machine = machine;
    std::string fields = "{";
    Fields(fields).Add("source", source).Add("machine", machine);
    m_folderFields = "," + fields.substr(1);
}

void JsonLinesWriter::Machine(const FileOrigin& origin, const MachineContent& machine) {
    std::string line = Head("machine", origin);
    json keys = json::object();
    for (const auto& [key, value] : machine) keys[key] = value;
    Fields(line).Key("keys").Raw(Dump(keys));
    Append(line + "}\n");
}

void JsonLinesWriter::Statistics(const FileOrigin& origin, const StatisticsContent& statistics) {
    std::string line = Head("statistics", origin);
    Fields(line)
        .Add("form", statistics.form)
        .Add("samples", statistics.samples)
        .Add("memory_peak_mb", statistics.memoryPeakMb)
        .Add("memory_average_mb", statistics.memoryAverageMb)
        .Add("cpu_average_percent", statistics.cpuAveragePercent)
        .Add("cpu_peak_percent", statistics.cpuPeakPercent)
        .Add("shutdown_count", statistics.shutdownCount)
        .Key("logons");
    line += '[';
    for (const LogonEntry& logon : statistics.logons) {
        line += line.back() == '[' ? "{" : ",{";
        Fields(line)
            .Add("server", logon.server)
            .Add("time", logon.time)
            .Add("retry_time", logon.retryTime)
            .Add("is_proxy", logon.isProxy);
        line += '}';
    }
    line += "]}\n";
    for (const TransmissionEntry& entry : statistics.transmission) {
        std::string row = Head("transmission", origin);
        Fields fields(row);
        fields.Add("traffic", entry.traffic)
            .Add("request_type", entry.requestType)
            .Add("description", entry.description);
        for (int i = 0; i < 8; ++i) fields.Add(kTransmissionFieldNames[i], entry.counters[i]);
        line += row + "}\n";
    }
    Append(line);
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
    // The head up to the time's value: {"kind":"operation",...,"time":
    std::string prefix = Head("operation", origin);
    Fields(prefix).Key("time");

    static const std::string none;
    const size_t count = OperationCount(log);
    for (size_t i = 0; i < count; ++i) {
        const OperationEntry record = OperationAt(log, i);
        const std::string *operation = &none, *name1 = &none, *name2 = &none;
        if (const auto kind = m_pieces.find(record.type); kind != m_pieces.end()) {
            operation = &kind->second.operation;
            if (const auto name = kind->second.value1.find(record.value1); name != kind->second.value1.end())
                name1 = &name->second;
            if (const auto name = kind->second.value2.find(record.value2); name != kind->second.value2.end())
                name2 = &name->second;
        }
        char* at = Room(prefix.size() + kNumbersRoom + operation->size() + name1->size() + name2->size());
        at = Copy(at, prefix);
        int hour = 0, minute = 0, second = 0;
        if (TimeOfDayParts(record.timeOfDay, hour, minute, second)) {
            *at++ = '"';
            at = TwoDigits(at, hour);
            *at++ = ':';
            at = TwoDigits(at, minute);
            *at++ = ':';
            at = TwoDigits(at, second);
            *at++ = '"';
        } else {
            at = Copy(at, "null");
        }
        at = Copy(at, ",\"type\":");
        at = std::to_chars(at, at + 12, record.type).ptr;
        at = Copy(at, ",\"value1\":");
        at = std::to_chars(at, at + 12, record.value1).ptr;
        at = Copy(at, ",\"value2\":");
        at = std::to_chars(at, at + 12, record.value2).ptr;
        at = Copy(at, *operation);
        at = Copy(at, *name1);
        at = Copy(at, *name2);
        at = Copy(at, "}\n");
        m_used = static_cast<size_t>(at - m_buffer.data());
    }
}

char* JsonLinesWriter::Room(size_t size) {
    if (m_used + size > m_buffer.size()) {
        Flush();
        // A line longer than the buffer (names of any length) gets a buffer that holds it.
        if (size > m_buffer.size()) m_buffer.resize(size);
    }
    return m_buffer.data() + m_used;
}

void JsonLinesWriter::Append(const std::string& text) {
    char* at = Room(text.size());
    std::memcpy(at, text.data(), text.size());
    m_used += text.size();
}

bool JsonLinesWriter::Flush() {
    if (m_used) {
        m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_used));
        m_written += m_used;
        m_used = 0;
    }
    return static_cast<bool>(m_out);
}

bool JsonLinesWriter::Finish(std::string& problem) {
    Flush();
    m_out.flush();
    if (m_out) return true;
    problem = "the output could not be written";
    return false;
}

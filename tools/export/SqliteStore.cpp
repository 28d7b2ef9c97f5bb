#include "tools/export/SqliteStore.h"

#include <sqlite3.h>

#include <boost/uuid/detail/sha1.hpp>
#include <cstdio>
#include <stdexcept>

namespace {

// Version 1 of the schema (PRAGMA user_version). Every table holds the machine, and the day
// tables the day and date, so that the usual questions need no join.
const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS machines (
    machine      TEXT PRIMARY KEY,  -- MacID1 of the system information, else the folder's name
    first_source TEXT NOT NULL      -- the folder it was first imported from
);
CREATE TABLE IF NOT EXISTS files (
    id      INTEGER PRIMARY KEY,
    machine TEXT NOT NULL,
    name    TEXT NOT NULL,          -- DATA4706, DATB4706, DATC
    kind    TEXT NOT NULL,          -- 'operation', 'statistics' or 'machine'
    day     INTEGER,                -- days since 2010-01-01; NULL for DATC
    source  TEXT NOT NULL,          -- the folder it was last imported from
    size    INTEGER NOT NULL,       -- plain bytes imported (an operation log: its whole records)
    sha1    TEXT NOT NULL,          -- of those bytes
    records INTEGER NOT NULL        -- rows imported from it: operation records, or 1
);
CREATE INDEX IF NOT EXISTS files_by_name ON files (machine, name);
CREATE TABLE IF NOT EXISTS operations (
    file_id     INTEGER NOT NULL REFERENCES files (id),
    machine     TEXT NOT NULL,
    day         INTEGER,
    date        TEXT,               -- YYYY-MM-DD
    time        TEXT,               -- HH:MM:SS, NULL when the stored time is none
    type        INTEGER NOT NULL,
    value1      INTEGER NOT NULL,
    value2      INTEGER NOT NULL,
    operation   TEXT,               -- names from the monitor configuration, NULL when unknown
    value1_name TEXT,
    value2_name TEXT
);
CREATE TABLE IF NOT EXISTS statistics (
    id                  INTEGER PRIMARY KEY,
    file_id             INTEGER NOT NULL REFERENCES files (id),
    machine             TEXT NOT NULL,
    day                 INTEGER,
    date                TEXT,
    form                TEXT NOT NULL,  -- 'profile' or 'xml'
    samples             INTEGER,        -- StatisticsTime: samples taken, one every 10 seconds
    memory_peak_mb      REAL,
    memory_average_mb   REAL,
    cpu_average_percent INTEGER,
    cpu_peak_percent    INTEGER,
    shutdown_count      INTEGER
);
CREATE TABLE IF NOT EXISTS logons (
    statistics_id INTEGER NOT NULL REFERENCES statistics (id),
    machine       TEXT NOT NULL,
    day           INTEGER,
    date          TEXT,
    position      INTEGER NOT NULL,  -- 1 for LogOn1, ...
    server        TEXT NOT NULL,
    time          TEXT NOT NULL,
    retry_time    INTEGER,
    is_proxy      INTEGER            -- 1, 0, or NULL when the file says neither
);
CREATE TABLE IF NOT EXISTS transmission (
    statistics_id        INTEGER NOT NULL REFERENCES statistics (id),
    machine              TEXT NOT NULL,
    day                  INTEGER,
    date                 TEXT,
    traffic              TEXT NOT NULL,  -- 'normal' or 'push'
    request_type         INTEGER NOT NULL,
    description          TEXT NOT NULL,
    count                INTEGER,
    time_ms              INTEGER,
    send_bytes           INTEGER,
    recv_bytes           INTEGER,
    count_no_serial      INTEGER,
    time_ms_no_serial    INTEGER,
    send_bytes_no_serial INTEGER,
    recv_bytes_no_serial INTEGER
);
CREATE TABLE IF NOT EXISTS machine_keys (
    file_id INTEGER NOT NULL REFERENCES files (id),
    machine TEXT NOT NULL,
    key     TEXT NOT NULL,
    value   TEXT NOT NULL
);
PRAGMA user_version = 1;
)";

std::string Sha1(std::string_view bytes) {
    boost::uuids::detail::sha1 hash;
    hash.process_bytes(bytes.data(), bytes.size());
    unsigned int digest[5];
    hash.get_digest(digest);
    char text[41];
    for (int i = 0; i < 5; ++i) std::snprintf(text + 8 * i, 9, "%08x", digest[i]);
    return std::string(text, 40);
}

const char* KindName(DataKind kind) {
    switch (kind) {
        case DataKind::operations:
            return "operation";
        case DataKind::statistics:
            return "statistics";
        case DataKind::machine:
            break;
    }
    return "machine";
}

}  // namespace

// A prepared statement, reset after each use; texts are bound as they are, for that one step.
class SqliteStore::Statement {
public:
    Statement(sqlite3* db, const char* sql) : m_db(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("database: ") + sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int at, std::int64_t value) {
        Check(sqlite3_bind_int64(m_statement, at, value));
        return *this;
    }
    Statement& Bind(int at, double value) {
        Check(sqlite3_bind_double(m_statement, at, value));
        return *this;
    }
    Statement& Bind(int at, std::string_view text) {
        Check(sqlite3_bind_text64(m_statement, at, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8));
        return *this;
    }
    Statement& Bind(int at, const char* text) { return Bind(at, std::string_view(text)); }
    Statement& BindNull(int at) {
        Check(sqlite3_bind_null(m_statement, at));
        return *this;
    }
    template <class T>
    Statement& Bind(int at, const std::optional<T>& value) {
        return value ? Bind(at, *value) : BindNull(at);
    }
    // One step: true when it gave a row (read it before the next call).
    bool Step() {
        const int result = sqlite3_step(m_statement);
        if (result == SQLITE_ROW) return true;
        if (result != SQLITE_DONE) {
            const std::string message = sqlite3_errmsg(m_db);
            sqlite3_reset(m_statement);
            throw std::runtime_error("database: " + message);
        }
        Reset();
        return false;
    }
    void Run() { Step(), Reset(); }
    void Reset() {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    std::int64_t Int(int column) const { return sqlite3_column_int64(m_statement, column); }
    std::string Text(int column) const {
        const unsigned char* text = sqlite3_column_text(m_statement, column);
        return text ? reinterpret_cast<const char*>(text) : "";
    }

private:
    void Check(int result) {
        if (result != SQLITE_OK) throw std::runtime_error(std::string("database: ") + sqlite3_errmsg(m_db));
    }
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

struct SqliteStore::Statements {
    explicit Statements(sqlite3* db)
        : begin(db, "BEGIN IMMEDIATE"),
          commit(db, "COMMIT"),
          rollback(db, "ROLLBACK"),
          machine(db, "INSERT OR IGNORE INTO machines (machine, first_source) VALUES (?1, ?2)"),
          findLog(db, "SELECT id, size, sha1 FROM files WHERE machine = ?1 AND name = ?2 AND kind = 'operation'"),
          findContent(db, "SELECT 1 FROM files WHERE machine = ?1 AND name = ?2 AND kind = ?3 AND sha1 = ?4"),
          addFile(db,
                  "INSERT INTO files (machine, name, kind, day, source, size, sha1, records)"
                  " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"),
          growFile(db, "UPDATE files SET source = ?2, size = ?3, sha1 = ?4, records = records + ?5 WHERE id = ?1"),
          addOperation(db,
                       "INSERT INTO operations (file_id, machine, day, date, time, type, value1, value2, operation,"
                       " value1_name, value2_name) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)"),
          addStatistics(db,
                        "INSERT INTO statistics (file_id, machine, day, date, form, samples, memory_peak_mb,"
                        " memory_average_mb, cpu_average_percent, cpu_peak_percent, shutdown_count)"
                        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)"),
          addLogon(db,
                   "INSERT INTO logons (statistics_id, machine, day, date, position, server, time, retry_time,"
                   " is_proxy) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"),
          addTransmission(db,
                          "INSERT INTO transmission (statistics_id, machine, day, date, traffic, request_type,"
                          " description, count, time_ms, send_bytes, recv_bytes, count_no_serial,"
                          " time_ms_no_serial, send_bytes_no_serial, recv_bytes_no_serial)"
                          " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)"),
          addKey(db, "INSERT INTO machine_keys (file_id, machine, key, value) VALUES (?1, ?2, ?3, ?4)") {}
    Statement begin, commit, rollback, machine, findLog, findContent, addFile, growFile, addOperation, addStatistics,
        addLogon, addTransmission, addKey;
};

SqliteStore::SqliteStore(const std::string& pathUtf8, std::function<void(const std::string&)> report)
    : m_report(std::move(report)) {
    if (sqlite3_open_v2(pathUtf8.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        throw std::runtime_error(pathUtf8 + ": cannot open the database (" + message + ")");
    }
    try {
        // A database of another layout is refused rather than extended.
        sqlite3_stmt* version = nullptr;
        int userVersion = -1;
        if (sqlite3_prepare_v2(m_db, "PRAGMA user_version", -1, &version, nullptr) == SQLITE_OK &&
            sqlite3_step(version) == SQLITE_ROW)
            userVersion = sqlite3_column_int(version, 0);
        sqlite3_finalize(version);
        if (userVersion < 0) throw std::runtime_error(std::string("not a database (") + sqlite3_errmsg(m_db) + ")");
        if (userVersion > 1) throw std::runtime_error("a database of a newer layout");
        // The write-ahead log: a commit per file costs no flush to disk, and a crash still leaves
        // every committed file whole or, at worst, the last ones missing (imported again next time).
        char* error = nullptr;
        if (sqlite3_exec(m_db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;", nullptr, nullptr, &error) !=
                SQLITE_OK ||
            sqlite3_exec(m_db, kSchema, nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : "unknown error";
            sqlite3_free(error);
            throw std::runtime_error(message);
        }
        m_statements = std::make_unique<Statements>(m_db);
    } catch (const std::exception& e) {
        m_statements.reset();
        sqlite3_close(m_db);
        throw std::runtime_error(pathUtf8 + ": " + e.what());
    }
}

SqliteStore::~SqliteStore() {
    m_statements.reset();
    sqlite3_close(m_db);
}

void SqliteStore::Begin() {
    m_statements->begin.Run();
}
void SqliteStore::Commit() {
    m_statements->commit.Run();
}
void SqliteStore::Rollback() {
    if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteStore::Folder(const std::string& source, const std::string& machine) {
    m_source = source;
    m_statements->machine.Bind(1, machine).Bind(2, source).Run();
}

std::int64_t SqliteStore::NewContentFile(const FileOrigin& origin, std::int64_t records) {
    const std::string sha1 = Sha1(origin.content);
    Statement& find = m_statements->findContent;
    find.Bind(1, origin.machine).Bind(2, origin.file).Bind(3, KindName(origin.kind)).Bind(4, sha1);
    if (find.Step()) {
        find.Reset();
        return 0;
    }
    m_statements->addFile.Bind(1, origin.machine)
        .Bind(2, origin.file)
        .Bind(3, KindName(origin.kind))
        .Bind(4, origin.day)
        .Bind(5, origin.source)
        .Bind(6, static_cast<std::int64_t>(origin.content.size()))
        .Bind(7, sha1)
        .Bind(8, records)
        .Run();
    return sqlite3_last_insert_rowid(m_db);
}

void SqliteStore::Machine(const FileOrigin& origin, const MachineContent& machine) {
    try {
        Begin();
        if (const std::int64_t file = NewContentFile(origin, 1))
            for (const auto& [key, value] : machine)
                m_statements->addKey.Bind(1, file).Bind(2, origin.machine).Bind(3, key).Bind(4, value).Run();
        Commit();
    } catch (...) {
        Rollback();
        throw;
    }
}

void SqliteStore::Statistics(const FileOrigin& origin, const StatisticsContent& statistics) {
    try {
        Begin();
        if (const std::int64_t file = NewContentFile(origin, 1)) {
            m_statements->addStatistics.Bind(1, file)
                .Bind(2, origin.machine)
                .Bind(3, origin.day)
                .Bind(4, origin.date)
                .Bind(5, statistics.form)
                .Bind(6, statistics.samples)
                .Bind(7, statistics.memoryPeakMb)
                .Bind(8, statistics.memoryAverageMb)
                .Bind(9, statistics.cpuAveragePercent)
                .Bind(10, statistics.cpuPeakPercent)
                .Bind(11, statistics.shutdownCount)
                .Run();
            const std::int64_t id = sqlite3_last_insert_rowid(m_db);
            std::int64_t position = 0;
            for (const LogonEntry& logon : statistics.logons) {
                Statement& add = m_statements->addLogon;
                add.Bind(1, id)
                    .Bind(2, origin.machine)
                    .Bind(3, origin.day)
                    .Bind(4, origin.date)
                    .Bind(5, ++position)
                    .Bind(6, logon.server)
                    .Bind(7, logon.time)
                    .Bind(8, logon.retryTime);
                if (logon.isProxy) add.Bind(9, std::int64_t{*logon.isProxy ? 1 : 0});
                add.Run();
            }
            for (const TransmissionEntry& entry : statistics.transmission) {
                Statement& add = m_statements->addTransmission;
                add.Bind(1, id)
                    .Bind(2, origin.machine)
                    .Bind(3, origin.day)
                    .Bind(4, origin.date)
                    .Bind(5, entry.traffic)
                    .Bind(6, entry.requestType)
                    .Bind(7, entry.description);
                for (int i = 0; i < 8; ++i) add.Bind(8 + i, entry.counters[i]);
                add.Run();
            }
        }
        Commit();
    } catch (...) {
        Rollback();
        throw;
    }
}

void SqliteStore::Operations(const FileOrigin& origin, std::string_view log, const OperationNameTable& names) {
    try {
        Begin();
        // A log imported before gives only the records it has gained since, provided that what was
        // imported is still its beginning; anything else under the same name is refused.
        std::int64_t file = 0;
        size_t first = 0;
        Statement& find = m_statements->findLog;
        find.Bind(1, origin.machine).Bind(2, origin.file);
        if (find.Step()) {
            file = find.Int(0);
            const auto size = static_cast<size_t>(find.Int(1));
            const std::string sha1 = find.Text(2);
            find.Reset();
            if (size > log.size() || Sha1(log.substr(0, size)) != sha1) {
                Rollback();
                ++m_problems;
                if (m_report)
                    m_report(origin.source + ": " + origin.file + " of " + origin.machine +
                             ": not the operation log imported before under this name; skipped");
                return;
            }
            first = size / kOperationRecordSize;
        }
        const size_t count = OperationCount(log);
        if (first == count) {
            Commit();
            return;
        }
        const std::string sha1 = Sha1(log);
        if (file) {
            m_statements->growFile.Bind(1, file)
                .Bind(2, origin.source)
                .Bind(3, static_cast<std::int64_t>(log.size()))
                .Bind(4, sha1)
                .Bind(5, static_cast<std::int64_t>(count - first))
                .Run();
        } else {
            m_statements->addFile.Bind(1, origin.machine)
                .Bind(2, origin.file)
                .Bind(3, KindName(origin.kind))
                .Bind(4, origin.day)
                .Bind(5, origin.source)
                .Bind(6, static_cast<std::int64_t>(log.size()))
                .Bind(7, sha1)
                .Bind(8, static_cast<std::int64_t>(count))
                .Run();
            file = sqlite3_last_insert_rowid(m_db);
        }
        Statement& add = m_statements->addOperation;
        for (size_t i = first; i < count; ++i) {
            const OperationEntry record = OperationAt(log, i);
            const std::optional<std::string> time = TimeOfDayText(record.timeOfDay);
            add.Bind(1, file)
                .Bind(2, origin.machine)
                .Bind(3, origin.day)
                .Bind(4, origin.date)
                .Bind(5, time)
                .Bind(6, std::int64_t{record.type})
                .Bind(7, std::int64_t{record.value1})
                .Bind(8, std::int64_t{record.value2});
            if (const auto kind = names.kinds.find(record.type); kind != names.kinds.end()) {
                add.Bind(9, kind->second.name);
                if (const auto name = kind->second.value1.find(record.value1); name != kind->second.value1.end())
                    add.Bind(10, name->second);
                if (const auto name = kind->second.value2.find(record.value2); name != kind->second.value2.end())
                    add.Bind(11, name->second);
            }
            add.Run();
        }
        Commit();
        m_operationsAdded += count - first;
    } catch (...) {
        Rollback();
        throw;
    }
}

bool SqliteStore::Finish(std::string& problem) {
    char* error = nullptr;
    if (sqlite3_exec(m_db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, &error) == SQLITE_OK) return true;
    problem = error ? error : "the database could not be written";
    sqlite3_free(error);
    return false;
}

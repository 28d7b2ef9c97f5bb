// The export into an SQLite database (the schema is in the README and in SqliteStore.cpp). An
// existing database is appended to, and no file is imported twice: an operation log is known by
// its machine and name, and a log that has grown since gives only its new records; statistics and
// system information files are known by machine, name and content hash, so the same content is
// skipped and a rewritten file is imported again. Each file is imported in one transaction, so an
// import that stops half-way leaves whole files only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "tools/export/ExportSink.h"

struct sqlite3;

class SqliteStore : public ExportSink {
public:
    // Opens or creates the database; throws std::runtime_error when it cannot be opened or is not
    // one of ours. `report` gets each file that is refused (one line).
    SqliteStore(const std::string& pathUtf8, std::function<void(const std::string&)> report);
    ~SqliteStore() override;

    void Folder(const std::string& source, const std::string& machine) override;
    void Machine(const FileOrigin& origin, const MachineContent& machine) override;
    void Statistics(const FileOrigin& origin, const StatisticsContent& statistics) override;
    void Operations(const FileOrigin& origin, std::string_view log, const OperationNameTable& names) override;
    bool Finish(std::string& problem) override;

    // Files refused so far, and rows added.
    int Problems() const { return m_problems; }
    std::uint64_t OperationsAdded() const { return m_operationsAdded; }

private:
    class Statement;
    struct Statements;
    void Begin();
    void Commit();
    void Rollback();
    // The id of a statistics or system information file not imported before (a new files row),
    // or 0 when the same content is there already.
    std::int64_t NewContentFile(const FileOrigin& origin, std::int64_t records);

    sqlite3* m_db = nullptr;
    std::unique_ptr<Statements> m_statements;
    std::function<void(const std::string&)> m_report;
    std::string m_source;
    int m_problems = 0;
    std::uint64_t m_operationsAdded = 0;
};

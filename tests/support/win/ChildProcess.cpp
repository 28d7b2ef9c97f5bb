// Child processes of tests on Windows: CreateProcessW with standard output and standard error on
// two inheritable file handles of the capture folder, WaitForSingleObject, TerminateProcess. A
// killed child ends with status 137, as one killed with SIGKILL reports on POSIX.
#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <map>

#include "tests/support/ChildProcess.h"

namespace fs = std::filesystem;

fs::path ChildCaptureFolder();

struct Child::Native {
    HANDLE process = nullptr;
    bool running = false;
};

namespace {

constexpr UINT kKilledStatus = 137;

// Arguments and environment strings are UTF-8, as the programs' own text is: a path the ANSI code
// page lacks reaches the child whole.
std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// One argument quoted so that the C runtime's parser gives it back unchanged.
void AppendQuoted(std::wstring& line, const std::wstring& arg) {
    if (!line.empty()) line += L' ';
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// The inherited environment with `extra` added, as the block CreateProcessW takes.
std::wstring EnvironmentBlock(const ChildEnvironment& extra) {
    std::map<std::wstring, std::wstring> variables;  // by upper-case name: names ignore case
    if (wchar_t* strings = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
            const std::wstring text = entry;
            const size_t equals = text.find(L'=', 1);  // "=C:=C:\dir" entries begin with '='
            if (equals != std::wstring::npos) variables[Upper(text.substr(0, equals))] = text;
        }
        ::FreeEnvironmentStringsW(strings);
    }
    for (const auto& [name, value] : extra) variables[Upper(Wide(name))] = Wide(name) + L"=" + Wide(value);
    std::wstring block;
    for (const auto& [key, line] : variables) {
        block += line;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

HANDLE InheritableFile(const fs::path& path, bool write) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
    return ::CreateFileW(path.wstring().c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &attributes,
                         write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

Child::Child(const std::vector<std::string>& argv, const fs::path& workDir, const ChildEnvironment& environment)
    : m_capture(ChildCaptureFolder()), m_native(std::make_unique<Native>()) {
    if (argv.empty()) return;
    std::wstring line;
    // The program path is made absolute first: a relative one would be taken from the new folder.
    const std::wstring program = argv[0].find_first_of("/\\") != std::string::npos
                                     ? fs::absolute(fs::path(Wide(argv[0]))).wstring()
                                     : Wide(argv[0]);
    AppendQuoted(line, program);
    for (size_t i = 1; i < argv.size(); ++i) AppendQuoted(line, Wide(argv[i]));
    std::wstring block = EnvironmentBlock(environment);
    const std::wstring dir = workDir.empty() ? fs::current_path().wstring() : workDir.wstring();

    // A start that fails is tried again a few times: under Wine on a loaded machine the start of
    // a new process now and then fails once and succeeds the next time. The last error is
    // printed, so a failure that stays says why.
    DWORD error = 0;
    for (int attempt = 1; attempt <= 5 && !m_native->process; ++attempt) {
        if (attempt > 1) ::Sleep(200);
        HANDLE in = InheritableFile("NUL", false);
        HANDLE out = InheritableFile(m_capture / "out", true);
        HANDLE err = InheritableFile(m_capture / "err", true);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in;
        startup.hStdOutput = out;
        startup.hStdError = err;
        PROCESS_INFORMATION info{};
        // No application name: the system finds the program from the command line, ".exe" included.
        if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
            error = ::GetLastError();
        } else if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                    block.data(), dir.c_str(), &startup, &info)) {
            ::CloseHandle(info.hThread);
            m_native->process = info.hProcess;
            m_native->running = true;
        } else {
            error = ::GetLastError();
        }
        for (HANDLE handle : {in, out, err})
            if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    }
    if (!m_native->process)
        std::fprintf(stderr, "cannot start %ls: error %lu\n", program.c_str(), static_cast<unsigned long>(error));
}

Child::~Child() {
    if (m_native->running) Kill();
    if (m_native->process) ::CloseHandle(m_native->process);
    std::error_code ec;
    fs::remove_all(m_capture, ec);
}

bool Child::Started() const {
    return m_native->process != nullptr;
}

bool Child::Wait(int timeoutMs) {
    if (!m_native->running) return true;
    if (::WaitForSingleObject(m_native->process, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    ::GetExitCodeProcess(m_native->process, &code);
    m_exitCode = static_cast<int>(code);
    m_native->running = false;
    return true;
}

void Child::Kill() {
    if (!m_native->running) return;
    ::TerminateProcess(m_native->process, kKilledStatus);
    Wait(-1);  // INFINITE
}

fs::path SelfPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return fs::path(path);
        }
        path.resize(path.size() * 2);
    }
}

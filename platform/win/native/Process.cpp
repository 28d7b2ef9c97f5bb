// Win32 calls behind child processes.
#include "platform/win/native/Process.h"

#include <windows.h>

#include <atomic>
#include <vector>

namespace native {
namespace {

std::atomic<unsigned> g_pipeSequence{0};

// How long KillChild waits for a terminated child to be gone.
constexpr DWORD kKillWaitMs = 5000;

void CloseIfOpen(Handle& handle) {
    if (handle) ::CloseHandle(handle);
    handle = nullptr;
}

// Inheritable handles are inherited by every child that any thread starts with inheritance on;
// the attribute list restricts this child to the two handles it is meant to have.
struct InheritList {
    explicit InheritList(HANDLE* handles, size_t count) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
        if (size == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, count * sizeof(HANDLE),
                                         nullptr, nullptr)) {
            ::DeleteProcThreadAttributeList(list);
            return;
        }
        attributes = list;
    }
    ~InheritList() {
        if (attributes) ::DeleteProcThreadAttributeList(attributes);
    }
    InheritList(const InheritList&) = delete;
    InheritList& operator=(const InheritList&) = delete;

    std::vector<char> storage;
    LPPROC_THREAD_ATTRIBUTE_LIST attributes = nullptr;
};

// A job for the child; null when none can be made or the child cannot join it.
HANDLE JobFor(HANDLE process) {
    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    if (job && !::AssignProcessToJobObject(job, process)) {
        ::CloseHandle(job);
        job = nullptr;
    }
    return job;
}

}  // namespace

bool CreateOutputPipe(OutputPipe& pipe, std::uint32_t& error) {
    error = 0;
    const std::wstring name = L"\\\\.\\pipe\\qzmonitor-output-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++g_pipeSequence) + L"-" + std::to_wstring(::GetTickCount());
    // One instance only, made by us: a client that is not ours cannot connect before we do, since
    // our own open below would then fail.
    pipe.read = ::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 64 * 1024, 0, nullptr);
    if (pipe.read == INVALID_HANDLE_VALUE) {
        pipe.read = nullptr;
        error = ::GetLastError();
        return false;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    pipe.write =
        ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (pipe.write == INVALID_HANDLE_VALUE) {
        pipe.write = nullptr;
        error = ::GetLastError();
        ClosePipe(pipe);
        return false;
    }
    pipe.readEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!pipe.readEvent) {
        error = ::GetLastError();
        ClosePipe(pipe);
        return false;
    }
    return true;
}

void CloseWriteEnd(OutputPipe& pipe) {
    CloseIfOpen(pipe.write);
}

void ClosePipe(OutputPipe& pipe) {
    CloseIfOpen(pipe.write);
    CloseIfOpen(pipe.read);
    CloseIfOpen(pipe.readEvent);
}

PipeRead ReadPipe(OutputPipe& pipe, char* buffer, std::size_t capacity, int timeoutMs) {
    PipeRead result;
    OVERLAPPED pending{};
    pending.hEvent = pipe.readEvent;
    ::ResetEvent(pipe.readEvent);
    DWORD n = 0;
    const DWORD size = static_cast<DWORD>(capacity > 0x10000 ? 0x10000 : capacity);
    DWORD error = ERROR_SUCCESS;
    if (!::ReadFile(pipe.read, buffer, size, &n, &pending)) {
        error = ::GetLastError();
        if (error == ERROR_IO_PENDING) {
            const DWORD waited =
                ::WaitForSingleObject(pipe.readEvent, timeoutMs < 0 ? 0 : static_cast<DWORD>(timeoutMs));
            // On time-out the read is cancelled; it may still have completed with data meanwhile.
            if (waited != WAIT_OBJECT_0) ::CancelIoEx(pipe.read, &pending);
            error = ::GetOverlappedResult(pipe.read, &pending, &n, TRUE) ? ERROR_SUCCESS : ::GetLastError();
            if (error == ERROR_OPERATION_ABORTED) {
                result.status = PipeRead::TimedOut;
                return result;
            }
        }
    }
    if (error == ERROR_SUCCESS || error == ERROR_MORE_DATA) {
        result.status = PipeRead::Data;
        result.size = n;
    } else if (error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED) {
        result.status = PipeRead::End;
    } else {
        result.status = PipeRead::Failed;
        result.error = error;
    }
    return result;
}

bool StartChild(const std::wstring& commandLine, Handle output, Child& child, std::uint32_t& error) {
    error = 0;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE input = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (input == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return false;
    }
    HANDLE inherited[2] = {input, output};
    InheritList inherit(inherited, 2);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = inherit.attributes ? sizeof(STARTUPINFOEXW) : sizeof(STARTUPINFOW);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = input;
    startup.StartupInfo.hStdOutput = output;
    startup.StartupInfo.hStdError = output;
    startup.lpAttributeList = inherit.attributes;

    // Started suspended, so that it is in its job before it can start anything of its own.
    DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT;
    if (inherit.attributes) flags |= EXTENDED_STARTUPINFO_PRESENT;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');  // the call may write into the command line
    PROCESS_INFORMATION started{};
    const BOOL ok = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                     &startup.StartupInfo, &started);
    if (!ok) error = ::GetLastError();
    ::CloseHandle(input);
    if (!ok) return false;

    child.process = started.hProcess;
    child.job = JobFor(started.hProcess);
    if (::ResumeThread(started.hThread) == static_cast<DWORD>(-1)) {
        error = ::GetLastError();
        ::TerminateProcess(started.hProcess, 1);
        ::CloseHandle(started.hThread);
        CloseChild(child);
        return false;
    }
    ::CloseHandle(started.hThread);
    return true;
}

ChildWait WaitForChild(const Child& child, int timeoutMs) {
    const DWORD waited = ::WaitForSingleObject(child.process, timeoutMs < 0 ? 0 : static_cast<DWORD>(timeoutMs));
    if (waited == WAIT_OBJECT_0) return ChildWait::Exited;
    return waited == WAIT_TIMEOUT ? ChildWait::TimedOut : ChildWait::Failed;
}

bool GetChildExitCode(const Child& child, std::uint32_t& exitCode) {
    DWORD code = 0;
    if (!::GetExitCodeProcess(child.process, &code)) return false;
    exitCode = code;
    return true;
}

void KillChild(const Child& child) {
    if (child.job) ::TerminateJobObject(child.job, 1);
    ::TerminateProcess(child.process, 1);  // also when the job ended it: harmless
    ::WaitForSingleObject(child.process, kKillWaitMs);
}

void CloseChild(Child& child) {
    CloseIfOpen(child.process);
    CloseIfOpen(child.job);
}

}  // namespace native

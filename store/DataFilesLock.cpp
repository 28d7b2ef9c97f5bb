#include "store/DataFilesLock.h"

#include "platform/System.h"

namespace {

// Long enough for any change another process makes (milliseconds, even under a debugger's
// slowness); short enough that a stopped process delays a start or a shutdown only by this.
constexpr unsigned kWaitMs = 10000;

}  // namespace

DataFilesLock::DataFilesLock() {
    const CString path = GetExecutableDir() + L"\\Data\\MONDAT\\LOCK";
    m_bProceed = m_lock.Lock(path, kWaitMs) != CFileLock::timedOut;
}

// The whole-file helpers of platform/File.h that every backend shares.
#include "platform/File.h"

bool DeleteFile(const CString& path) {
    // Through CFile::Remove, so that a file this process holds open is refused here too.
    try {
        CFile::Remove(path);
        return true;
    } catch (const CFileException&) {
        return false;
    }
}

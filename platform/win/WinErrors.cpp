// Win32 error codes to CFileException causes. The groups follow the classic framework's own
// translation, so that callers and messages see the causes a Windows build of it would give, with
// the few codes it leaves generic placed where the POSIX backend places their errno counterparts
// (a full quota or a file too large is diskFull, a bad handle is invalidFile).
#include "platform/win/WinErrors.h"

int Win32ErrorToFileCause(std::uint32_t error) {
    switch (error) {
        case 0:
            return CFileException::none;
        case 2:     // ERROR_FILE_NOT_FOUND
        case 18:    // ERROR_NO_MORE_FILES
        case 1006:  // ERROR_FILE_INVALID (the volume of an open file went away)
            return CFileException::fileNotFound;
        case 3:    // ERROR_PATH_NOT_FOUND
        case 15:   // ERROR_INVALID_DRIVE
        case 17:   // ERROR_NOT_SAME_DEVICE
        case 53:   // ERROR_BAD_NETPATH
        case 67:   // ERROR_BAD_NET_NAME
        case 123:  // ERROR_INVALID_NAME
        case 161:  // ERROR_BAD_PATHNAME
        case 206:  // ERROR_FILENAME_EXCED_RANGE
        case 267:  // ERROR_DIRECTORY
            return CFileException::badPath;
        case 4:    // ERROR_TOO_MANY_OPEN_FILES
        case 36:   // ERROR_SHARING_BUFFER_EXCEEDED
        case 113:  // ERROR_NO_MORE_SEARCH_HANDLES
            return CFileException::tooManyOpenFiles;
        case 5:     // ERROR_ACCESS_DENIED
        case 12:    // ERROR_INVALID_ACCESS
        case 19:    // ERROR_WRITE_PROTECT
        case 29:    // ERROR_WRITE_FAULT
        case 65:    // ERROR_NETWORK_ACCESS_DENIED
        case 80:    // ERROR_FILE_EXISTS
        case 82:    // ERROR_CANNOT_MAKE
        case 170:   // ERROR_BUSY
        case 183:   // ERROR_ALREADY_EXISTS
        case 303:   // ERROR_DELETE_PENDING
        case 1224:  // ERROR_USER_MAPPED_FILE
        case 1314:  // ERROR_PRIVILEGE_NOT_HELD
        case 1920:  // ERROR_CANT_ACCESS_FILE
            return CFileException::accessDenied;
        case 6:    // ERROR_INVALID_HANDLE
        case 11:   // ERROR_BAD_FORMAT
        case 193:  // ERROR_BAD_EXE_FORMAT
            return CFileException::invalidFile;
        case 16:   // ERROR_CURRENT_DIRECTORY
        case 145:  // ERROR_DIR_NOT_EMPTY
            return CFileException::removeCurrentDir;
        case 25:   // ERROR_SEEK
        case 131:  // ERROR_NEGATIVE_SEEK
        case 132:  // ERROR_SEEK_ON_DEVICE
            return CFileException::badSeek;
        case 21:    // ERROR_NOT_READY
        case 23:    // ERROR_CRC
        case 27:    // ERROR_SECTOR_NOT_FOUND
        case 30:    // ERROR_READ_FAULT
        case 31:    // ERROR_GEN_FAILURE
        case 1117:  // ERROR_IO_DEVICE
            return CFileException::hardIO;
        case 32:  // ERROR_SHARING_VIOLATION
            return CFileException::sharingViolation;
        case 33:   // ERROR_LOCK_VIOLATION
        case 108:  // ERROR_DRIVE_LOCKED
        case 167:  // ERROR_LOCK_FAILED
            return CFileException::lockViolation;
        case 39:    // ERROR_HANDLE_DISK_FULL
        case 112:   // ERROR_DISK_FULL
        case 223:   // ERROR_FILE_TOO_LARGE
        case 1295:  // ERROR_DISK_QUOTA_EXCEEDED
            return CFileException::diskFull;
        case 38:  // ERROR_HANDLE_EOF
            return CFileException::endOfFile;
        default:
            return CFileException::genericException;
    }
}

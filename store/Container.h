// The scrambled file container: an 8-byte header ("KVRA", then the plain length as a
// little-endian 32-bit number) followed by the content in RC5-32/15/16 blocks, each enciphered by
// itself, the last one filled up with zero bytes. Files are turned into containers and back in
// place, through a temporary file named after the file with "$" appended, which replaces the file
// in one atomic rename once it is complete.
//
// Paths are narrow text in the system's ANSI code page (WideToAnsi: UTF-8 on POSIX). Failures to
// open or create a file, a replacement that fails and a container whose length is not a multiple
// of 8 are reported on standard output; a container whose header does not fit is refused
// silently. A refused or failed call leaves the file as it was.
#pragma once

#include <cstddef>
#include <string>

#include "platform/WinTypes.h"

class Rc5;

// Turns the plain file at `path` into a container. False when the file could not be read, the
// temporary file could not be written or the file could not be replaced, and for files of 4 GiB
// or more, which the 32-bit length of the header cannot describe.
QZ_MONITOR_API bool ScrambleFile(const char* path);
// Turns the container at `path` back into the plain file. False when the file is not a container
// or could not be replaced.
QZ_MONITOR_API bool UnscrambleFile(const char* path);

// What the bytes of a file hold, judged by the header and the size: plain content (no magic), a
// container whose header and size agree, or a damaged container (the magic, but too short, a size
// that is not a multiple of 8 or a length field that does not fit the size).
enum class ContainerShape { plain, container, damaged };
QZ_MONITOR_API ContainerShape ContainerShapeOf(const void* bytes, std::size_t size);
// The plain content of a container held in memory; false (and `plain` empty) when the bytes are
// not a whole container. Files are neither read nor written.
QZ_MONITOR_API bool UnscrambleBytes(const void* bytes, std::size_t size, std::string& plain);

// The container's cipher. Its key table is built at the first call, once per process, also when
// several threads make that first call together; both functions above use it.
QZ_MONITOR_API const Rc5& ContainerCipher();
// How often the container's key table has been built in this process (0 or 1).
QZ_MONITOR_API int ContainerKeyTableBuilds();

// The destructor of the host framework's error class, which carries its vtable. Compiled into both
// libraries: the host library throws these errors, and the plug-in exports the same member.
#include "host/NuvolibError.h"

nuvoliberror::~nuvoliberror() = default;

// Helpers shared by the loader and the generator of the monitor configuration file.
#pragma once

#include "platform/CString.h"

class CMarkup;

// "<executable dir>\Config\MonitorConfig.xml".
CString MonitorConfigPath();

// Loads the configuration file and enters its "MonitorConfig" root. False, with nothing to
// change, when the file cannot be read, is not well formed or has another root: the generator
// then leaves the file as it is rather than saving a document the loader cannot use.
bool EnterMonitorConfig(CMarkup& xml, const CString& path);

// Returns the counter's value and advances it by one (wrapping instead of overflowing).
int TakeNumber(int& counter);

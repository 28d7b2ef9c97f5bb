// Case folding through the system's own tables (native layer: standard types only).
#pragma once

namespace native {

// The lower-case form of one UTF-16 unit under the invariant locale's simple mapping; the unit
// itself when it has none.
wchar_t LowerCaseUnit(wchar_t unit);

}  // namespace native

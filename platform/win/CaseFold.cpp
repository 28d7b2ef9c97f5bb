// Locale-independent case folding on Windows: the invariant locale's lowercase mapping, which
// depends neither on the thread's nor on the user's locale. One UTF-16 unit at a time, as CString
// holds them; the few cased letters outside the Basic Multilingual Plane compare exactly.
#include "platform/CaseFold.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/win/native/CaseFoldApi.h"

namespace {

constexpr unsigned kPlane = 0x10000;
constexpr unsigned kFirstSurrogate = 0xD800;
constexpr unsigned kPastSurrogates = 0xE000;

// The folds of the whole Basic Multilingual Plane, mapped by the system once: FoldCase runs for
// every character of every name compared. Surrogates are halves of other characters and stay as
// they are; without the system's mapping only ASCII folds.
const std::array<wchar_t, kPlane>& FoldTable() {
    static const std::array<wchar_t, kPlane>* table = [] {
        auto* folds = new std::array<wchar_t, kPlane>;
        for (unsigned ch = 0; ch < kPlane; ++ch)
            (*folds)[ch] =
                (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch + (L'a' - L'A')) : static_cast<wchar_t>(ch);
        for (const auto& [first, past] : {std::pair{0x80u, kFirstSurrogate}, std::pair{kPastSurrogates, kPlane}}) {
            std::wstring run(folds->begin() + first, folds->begin() + past);
            if (native::InvariantLowerInPlace(run)) std::copy(run.begin(), run.end(), folds->begin() + first);
        }
        return folds;
    }();
    return *table;
}

}  // namespace

wchar_t FoldCase(wchar_t ch) {
    if (ch < 0x80) return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch + (L'a' - L'A')) : ch;
    return FoldTable()[static_cast<unsigned>(ch) % kPlane];
}

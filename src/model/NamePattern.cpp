#include "model/NamePattern.h"

#include <cstdint>

#include "base/PathRules.h"

namespace varnel::core {
namespace {

wchar_t FoldForMatch(wchar_t unit) noexcept { return IsPathSeparator(unit) ? L'\\' : FoldCase(unit); }

// The units one character takes at `at`: two for a surrogate pair, so that
// '?' stands for one character (an emoji) on a 16-bit wchar_t as well.
std::size_t CharacterLength(std::wstring_view text, std::size_t at) noexcept {
    const auto unit = static_cast<std::uint32_t>(text[at]);
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < text.size()) {
        const auto next = static_cast<std::uint32_t>(text[at + 1]);
        return next >= 0xDC00 && next <= 0xDFFF ? 2 : 1;
    }
    return 1;
}

}  // namespace

wchar_t FoldCase(wchar_t unit) noexcept {
    const auto u = static_cast<unsigned>(unit);
    if (u < 0x80) {
        return u >= 'A' && u <= 'Z' ? static_cast<wchar_t>(u + 32) : unit;
    }
    // Latin-1: À..Þ except the multiplication sign.
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) {
        return static_cast<wchar_t>(u + 32);
    }
    // Latin Extended-A pairs capital/small at even/odd code points, except
    // the stretch 0x139..0x148 and 0x179..0x17E which pair at odd/even; the
    // dotted and dotless i (0x130, 0x131) fold to nothing else.
    if (u >= 0x100 && u <= 0x17F && u != 0x130 && u != 0x131 && u != 0x138 && u != 0x149 && u != 0x17F) {
        const bool oddCapitals = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
        if (u == 0x178) {
            return static_cast<wchar_t>(0xFF);
        }
        const bool isCapital = oddCapitals ? (u % 2 == 1) : (u % 2 == 0);
        return isCapital ? static_cast<wchar_t>(u + 1) : unit;
    }
    // Greek capitals Α..Ω (no capital at 0x3A2).
    if (u >= 0x391 && u <= 0x3AB && u != 0x3A2) {
        return static_cast<wchar_t>(u + 32);
    }
    if (u == 0x386) return static_cast<wchar_t>(0x3AC);
    if (u >= 0x388 && u <= 0x38A) return static_cast<wchar_t>(u + 37);
    if (u == 0x38C) return static_cast<wchar_t>(0x3CC);
    if (u == 0x38E || u == 0x38F) return static_cast<wchar_t>(u + 63);
    // Cyrillic: Ѐ..Џ, А..Я, and the pairs of 0x460..0x4FF.
    if (u >= 0x400 && u <= 0x40F) return static_cast<wchar_t>(u + 80);
    if (u >= 0x410 && u <= 0x42F) return static_cast<wchar_t>(u + 32);
    if (u >= 0x460 && u <= 0x481 && u % 2 == 0) return static_cast<wchar_t>(u + 1);
    if (u >= 0x48A && u <= 0x4BF && u % 2 == 0) return static_cast<wchar_t>(u + 1);
    if (u >= 0x4D0 && u <= 0x4FF && u % 2 == 0) return static_cast<wchar_t>(u + 1);
    return unit;
}

NamePattern::NamePattern(std::wstring_view pattern) {
    folded_.reserve(pattern.size());
    for (const wchar_t unit : pattern) {
        // Runs of '*' mean what one does; keeping one saves backtracking.
        if (unit == L'*' && !folded_.empty() && folded_.back() == L'*') {
            continue;
        }
        matchesPaths_ = matchesPaths_ || IsPathSeparator(unit);
        folded_.push_back(FoldForMatch(unit));
    }
    matchesEverything_ = folded_.empty() || folded_ == L"*";
    isSuffix_ = folded_.size() > 1 && folded_[0] == L'*' && folded_.find_first_of(L"*?", 1) == std::wstring::npos;
}

bool NamePattern::Matches(std::wstring_view text) const noexcept {
    if (matchesEverything_) {
        return true;
    }
    if (isSuffix_) {
        const std::size_t tail = folded_.size() - 1;
        if (text.size() < tail) {
            return false;
        }
        const std::size_t start = text.size() - tail;
        for (std::size_t k = 0; k < tail; ++k) {
            if (folded_[k + 1] != FoldForMatch(text[start + k])) {
                return false;
            }
        }
        return true;
    }
    // The classic greedy match with one resume point: on a mismatch the last
    // '*' takes one more character. Linear for patterns with one '*', and
    // never worse than pattern length times text length.
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t starAt = std::wstring::npos;
    std::size_t resumeText = 0;
    const std::size_t patternSize = folded_.size();
    while (t < text.size()) {
        if (p < patternSize && folded_[p] == L'*') {
            starAt = p++;
            resumeText = t;
            continue;
        }
        if (p < patternSize && folded_[p] == L'?') {
            ++p;
            t += CharacterLength(text, t);
            continue;
        }
        if (p < patternSize && folded_[p] == FoldForMatch(text[t])) {
            ++p;
            ++t;
            continue;
        }
        if (starAt == std::wstring::npos) {
            return false;
        }
        p = starAt + 1;
        resumeText += CharacterLength(text, resumeText);
        t = resumeText;
    }
    while (p < patternSize && folded_[p] == L'*') {
        ++p;
    }
    return p == patternSize;
}

}  // namespace varnel::core

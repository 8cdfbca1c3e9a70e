#pragma once
// A name pattern as people type it into a search box: '*' stands for any
// run of characters (also none, also across separators), '?' for exactly one,
// everything else for itself, compared without regard to case. A pattern
// that holds a separator ('\' or '/', which match each other) is matched
// against the whole path, anchored at both ends; any other pattern against
// the name alone. Portable, so search behaves alike on every build.

#include <string>
#include <string_view>

namespace varnel::core {

// The case-insensitive form of one UTF-16 unit: simple one-to-one folding of
// the Latin, Greek and Cyrillic letters, which is what a file system's own
// case rules cover in practice. Fixed tables rather than the C library, whose
// answer changes with the process locale; letters without a simple fold
// (such as the German sharp s) stay as they are.
wchar_t FoldCase(wchar_t unit) noexcept;

class NamePattern {
public:
    explicit NamePattern(std::wstring_view pattern);

    // True when the pattern is matched against the whole path.
    bool MatchesPaths() const noexcept { return matchesPaths_; }
    // True for "*" or an empty pattern: every node matches, nothing need be read.
    bool MatchesEverything() const noexcept { return matchesEverything_; }
    // Matches `text` (a name, or a path when MatchesPaths) as a whole.
    bool Matches(std::wstring_view text) const noexcept;

private:
    std::wstring folded_;  // separators as '\'
    // "*.iso" and the like, the commonest search: a tail compared directly.
    bool isSuffix_ = false;
    bool matchesPaths_ = false;
    bool matchesEverything_ = false;
};

}  // namespace varnel::core

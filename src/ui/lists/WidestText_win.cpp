#include "ui/lists/WidestText_win.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace varnel::ui {

int WidestText::Measure(std::wstring_view text) const {
    SIZE size{};
    ::GetTextExtentPoint32W(dc_, text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

int WidestText::Estimate(std::wstring_view text) {
    int sum = 0;
    for (const wchar_t character : text) {
        auto found = characterWidths_.find(character);
        if (found == characterWidths_.end()) {
            // Measured as a text of one character, so that a character the
            // font lacks is measured in the font GDI falls back to.
            found = characterWidths_.emplace(character, Measure(std::wstring_view(&character, 1))).first;
        }
        sum += found->second;
    }
    return sum;
}

int WidestText::Of(std::span<const std::wstring> texts) {
    std::vector<int> estimates;
    estimates.reserve(texts.size());
    int widestEstimate = 0;
    for (const std::wstring& text : texts) {
        estimates.push_back(Estimate(text));
        widestEstimate = std::max(widestEstimate, estimates.back());
    }
    int widest = 0;
    std::unordered_set<std::wstring_view> measured;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (estimates[i] + Slack >= widestEstimate && measured.insert(texts[i]).second) {
            widest = std::max(widest, Measure(texts[i]));
        }
    }
    return widest;
}

}  // namespace varnel::ui

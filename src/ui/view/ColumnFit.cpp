#include "ui/view/ColumnFit.h"

#include <algorithm>
#include <cstdint>

namespace varnel::ui {
namespace {

// Shares `room` among `weights` in proportion, each part rounded down and
// the pixels lost to rounding handed out from the first part on, so that
// the parts add up to `room` exactly.
void ShareOut(std::span<const int> weights, std::span<int> parts, int room) {
    std::int64_t total = 0;
    for (const int w : weights) total += std::max(w, 1);
    int given = 0;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        parts[i] = static_cast<int>(static_cast<std::int64_t>(room) * std::max(weights[i], 1) / total);
        given += parts[i];
    }
    for (std::size_t i = 0; given < room && !parts.empty(); i = (i + 1) % parts.size(), ++given) {
        ++parts[i];
    }
}

}  // namespace

std::vector<int> FitColumnWidths(std::span<const WantedColumn> wanted, int room, int textMinimum) {
    room = std::max(room, 0);
    std::vector<int> widths(wanted.size(), 0);
    std::vector<std::size_t> numbers;
    std::vector<std::size_t> texts;
    int numberWidth = 0;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (wanted[i].width <= 0) continue;
        (wanted[i].number ? numbers : texts).push_back(i);
        if (wanted[i].number) numberWidth += wanted[i].width;
    }
    const int textRoom = std::min(static_cast<int>(texts.size()) * std::max(textMinimum, 0), room);
    const int forNumbers = std::min(numberWidth, room - textRoom);
    std::vector<int> weights;
    std::vector<int> parts;
    if (forNumbers == numberWidth) {
        for (const std::size_t i : numbers) widths[i] = wanted[i].width;
    } else {
        for (const std::size_t i : numbers) weights.push_back(wanted[i].width);
        parts.resize(numbers.size());
        ShareOut(weights, parts, forNumbers);
        for (std::size_t k = 0; k < numbers.size(); ++k) widths[numbers[k]] = parts[k];
    }
    weights.clear();
    for (const std::size_t i : texts) weights.push_back(wanted[i].width);
    // Each text column first gets its minimum, then a part of the rest in
    // proportion to what it asked for.
    const int base = texts.empty() ? 0 : textRoom / static_cast<int>(texts.size());
    parts.assign(texts.size(), 0);
    ShareOut(weights, parts, room - forNumbers - base * static_cast<int>(texts.size()));
    for (std::size_t k = 0; k < texts.size(); ++k) widths[texts[k]] = base + parts[k];
    return widths;
}

}  // namespace varnel::ui

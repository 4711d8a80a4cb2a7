#include "app/AutoArrange.h"

#include "platform/Profile.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace varnix {

void AutoArrange::load(Profile& profile)
{
    enabled_ = profile.readInt(kSection, "AutoArrange", 1) != 0;
    method_ = profile.readInt(kSection, "AutoMethod", TileVertically);
}

void AutoArrange::save(Profile& profile) const
{
    profile.writeInt(kSection, "AutoArrange", enabled_ ? 1 : 0);
    profile.writeInt(kSection, "AutoMethod", method_);
}

AutoArrange::Step AutoArrange::step() const
{
    if (!enabled_)
        return Step::None;
    switch (method_) {
    case Cascade: return Step::Cascade;
    case TileVertically: return Step::TileVertically;
    case TileHorizontally: return Step::TileHorizontally;
    case MaximizeActive: return Step::MaximizeActive;
    default: return Step::None;
    }
}

namespace {

// Splits `length` starting at `start` into `parts` pieces; the last takes the rest.
std::vector<std::pair<int, int>> split(int start, int length, int parts)
{
    std::vector<std::pair<int, int>> pieces;
    int size = length / parts;
    for (int i = 0; i < parts; ++i)
        pieces.emplace_back(start + i * size, i + 1 == parts ? length - i * size : size);
    return pieces;
}

} // namespace

std::vector<TileRect> tileRects(int count, TileRect area, bool vertically, TileSize minimum)
{
    std::vector<TileRect> rects;
    if (count <= 0)
        return rects;
    // Lines run across the tiling direction: columns when tiling vertically.
    int lines = count <= 3 ? count : int(std::ceil(std::sqrt(double(count))));
    int perLine = count / lines;
    int fuller = count % lines; // the last `fuller` lines hold one more window
    const int mostPerLine = perLine + (fuller ? 1 : 0);
    const int columns = vertically ? lines : mostPerLine;
    const int rows = vertically ? mostPerLine : lines;
    area.width = std::max(area.width, columns * minimum.width);
    area.height = std::max(area.height, rows * minimum.height);
    auto across = vertically ? split(area.x, area.width, lines) : split(area.y, area.height, lines);
    for (int line = 0; line < lines; ++line) {
        int cells = perLine + (line >= lines - fuller ? 1 : 0);
        auto along = vertically ? split(area.y, area.height, cells) : split(area.x, area.width, cells);
        for (auto [pos, size] : along) {
            auto [linePos, lineSize] = across[std::size_t(line)];
            rects.push_back(vertically ? TileRect{linePos, pos, lineSize, size} : TileRect{pos, linePos, size, lineSize});
        }
    }
    return rects;
}

} // namespace varnix

#pragma once
// The main frame's automatic arrangement of its child windows: whether it is
// on, which method it uses, and where tiled windows go.

#include <cstdint>
#include <string_view>
#include <vector>

namespace varnix {

class Profile;

class AutoArrange {
public:
    enum Method : std::uint32_t { Cascade = 0, TileVertically = 1, TileHorizontally = 2, MaximizeActive = 3 };
    enum class Step { None, Cascade, TileVertically, TileHorizontally, MaximizeActive };
    static constexpr std::string_view kSection = "MainFrame";

    // On and tiling vertically unless the store says otherwise.
    void load(Profile& profile);
    void save(Profile& profile) const;

    bool enabled() const { return enabled_; }
    std::uint32_t method() const { return method_; }
    // The menu offers the first three methods; MaximizeActive comes only
    // from the store.
    void choose(Method method) { method_ = method; }
    void toggle() { enabled_ = !enabled_; }

    // What to do now: nothing while off or for a method no one knows.
    Step step() const;

private:
    bool enabled_ = true;
    std::uint32_t method_ = TileVertically;
};

struct TileRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TileRect&) const = default;
};

struct TileSize {
    int width = 0;
    int height = 0;
};

// Places `count` windows over `area`. Tiling vertically puts them side by
// side (up to three in one row, more in a grid of columns); horizontally
// stacks them the other way round. Leftover pixels go to the last cell of a
// row or column, so the cells cover the area exactly. Where cells would be
// narrower or lower than `minimum`, the area grows to the right and
// downwards until they are not: windows too small to use help no one, and
// the tabs still reach those that stand past the edge.
std::vector<TileRect> tileRects(int count, TileRect area, bool vertically, TileSize minimum = {});

} // namespace varnix

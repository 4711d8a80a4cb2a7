#include "browser/remote/RemotePathBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnix {
namespace {

std::vector<std::string> shown(const RemotePathBox& paths)
{
    std::vector<std::string> lines;
    for (const RemotePathBox::Item& item : paths.items())
        lines.push_back(std::string(std::size_t(item.indent) * 2, ' ') + item.label);
    return lines;
}

// A copy kept the way a view keeps its items: inserting the new paths at
// the places given, in the order given.
void replay(std::vector<std::string>& view, const RemotePathBox& paths, const std::vector<std::size_t>& places)
{
    for (std::size_t place : places)
        view.insert(view.begin() + std::ptrdiff_t(place), paths.items()[place].path);
}

TEST(RemotePathBox, EveryFolderAboveJoinsSortedByFullPathAndIndentedByDepth)
{
    RemotePathBox paths;
    std::vector<std::string> view;
    struct Step { const char* path; std::vector<std::size_t> places; } steps[] = {
        {"/pub/docs/old", {0, 1, 2, 3}},
        {"/pub/docs/old", {}},               // shown again: nothing new
        {"/etc", {1}},
        {"/pub/a b", {3}},                   // ' ' sorts before the letters
        {"/Pub", {1}},                       // capitals before small letters
        {"/pub/docs/new", {6}},
        {"/srv/x/y", {8, 9, 10}},
        {"", {}},
    };
    for (const Step& step : steps) {
        std::vector<std::size_t> places = paths.add(step.path);
        EXPECT_EQ(places, step.places) << step.path;
        replay(view, paths, places);
    }
    EXPECT_EQ(shown(paths), (std::vector<std::string>{"/", "  Pub", "  etc", "  pub", "    a b", "    docs",
                                                      "      new", "      old", "  srv", "    x", "      y"}));
    std::vector<std::string> full;
    for (const RemotePathBox::Item& item : paths.items())
        full.push_back(item.path);
    EXPECT_EQ(view, full);
    EXPECT_EQ(paths.indexOf("/pub/docs"), 5u);
    EXPECT_EQ(paths.indexOf("/pub/doc"), std::nullopt);
}

} // namespace
} // namespace varnix

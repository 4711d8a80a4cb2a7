#include "browser/qt/local/LocalFileModel.h"
#include "browser/qt/remote/RemoteFileModel.h"

#include <gtest/gtest.h>

#include <QPersistentModelIndex>

#include <string>
#include <vector>

namespace varnix {
namespace {

// Ascending and descending by name, the order after each, and where the row
// that was "a" (first, then last) has gone.
struct Resort { std::uint32_t mode; std::vector<std::string> names; int rowOfA; };
const Resort kResorts[] = {{16, {"c", "b", "a"}, 2}, {0, {"a", "b", "c"}, 0}};

TEST(ResortableTableModel, TheRemoteListsSelectionFollowsItsEntriesAndTheNewFolderStaysLast)
{
    FolderHandle folder = makeShared<RemoteFolder>();
    for (const char* name : {"b", "a", "c"})
        folder->append(RemoteFile::parse(std::string("-rw-r--r-- 1 o g 10 Jan 5 12:00 ") + name, 2020));
    RemoteFileModel model;
    model.setFolder(folder);
    QPersistentModelIndex a = model.index(0, RemoteFileModel::Name);
    QPersistentModelIndex placeholder = model.index(model.addPlaceholder(), RemoteFileModel::Type);
    for (const Resort& r : kResorts) {
        model.setSortMode(SortMode(r.mode));
        std::vector<std::string> names;
        for (int row = 0; row < 3; ++row)
            names.push_back(model.entryAt(row)->name());
        EXPECT_EQ(names, r.names) << r.mode;
        EXPECT_EQ(a.row(), r.rowOfA) << r.mode;
        EXPECT_EQ(a.column(), RemoteFileModel::Name);
        EXPECT_EQ(placeholder.row(), 3) << r.mode;
        EXPECT_EQ(placeholder.column(), RemoteFileModel::Type);
    }
}

TEST(ResortableTableModel, TheLocalListsSelectionFollowsItsRows)
{
    FolderContents contents{"/x", {}, 0};
    for (const char* name : {"b", "a", "c"})
        contents.items.push_back({std::string("/x/") + name, name, "T", "", "", 0, 10, false, true});
    LocalFileModel model;
    model.show(contents);
    QPersistentModelIndex a = model.index(0, 1);
    for (const Resort& r : kResorts) {
        model.sortBy(SortMode(r.mode));
        std::vector<std::string> names;
        for (int row = 0; row < 3; ++row)
            names.push_back(model.item(row).name);
        EXPECT_EQ(names, r.names) << r.mode;
        EXPECT_EQ(a.row(), r.rowOfA) << r.mode;
        EXPECT_EQ(a.column(), 1);
    }
}

// Both lists show the same columns under the same headings, sizes on the right.
TEST(ResortableTableModel, BothListsShareTheirColumns)
{
    FolderHandle folder = makeShared<RemoteFolder>();
    folder->append(RemoteFile::parse("-rw-r--r-- 1 o g 10 Jan 5 12:00 a", 2020));
    RemoteFileModel remote;
    remote.setFolder(folder);
    LocalFileModel local;
    local.show({"/x", {{"/x/a", "a", "T", "", "", 0, 10, false, true}}, 0});
    const char* const headings[] = {"Name", "Size", "Type", "Modified"};
    const QAbstractItemModel* const models[] = {&remote, &local};
    for (const QAbstractItemModel* model : models) {
        ASSERT_EQ(model->columnCount(), 4);
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), headings[column]);
            const int aligned = model->data(model->index(0, column), Qt::TextAlignmentRole).toInt();
            EXPECT_EQ(aligned & Qt::AlignHorizontal_Mask, column == 1 ? Qt::AlignRight : Qt::AlignLeft) << column;
        }
    }
}

} // namespace
} // namespace varnix

// The node record's sibling order and the tree that keeps it: drives before
// servers, paths compared folded to upper case as unsigned bytes, the
// placeholder never moved, every record released exactly once.

#include <gtest/gtest.h>

#include <ostream>

#include <memory>
#include <string>
#include <vector>

#include "browser/browser_node.h"
#include "browser/node_tree.h"

namespace {

std::unique_ptr<TBrowserNode> Record(int driveBased, std::string path) {
    auto record = std::make_unique<TBrowserNode>();
    record->driveBased = driveBased;
    record->path = std::move(path);
    return record;
}

struct CompareCase {
    const char* name;
    friend void PrintTo(const CompareCase& c, std::ostream* os) { *os << c.name; }
    int driveBased1;
    const char* path1;
    int driveBased2;
    const char* path2;
    int expected;  // sign only
};

class CompareTest : public ::testing::TestWithParam<CompareCase> {};

int Sign(int v) { return (v > 0) - (v < 0); }

TEST_P(CompareTest, OrdersTwoSiblings) {
    const CompareCase& c = GetParam();
    const auto a = Record(c.driveBased1, c.path1);
    const auto b = Record(c.driveBased2, c.path2);
    EXPECT_EQ(Sign(tvwDrivesCompare(a.get(), b.get(), 99)), c.expected);
    EXPECT_EQ(Sign(tvwDrivesCompare(b.get(), a.get(), 99)), -c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Siblings, CompareTest,
    ::testing::Values(
        CompareCase{"ServerAfterDriveWhateverThePath", 0, "AAA", 1, "Z:\\", 1},
        CompareCase{"DrivesByLetter", 1, "G:\\", 1, "F:\\", 1},
        CompareCase{"CaseFolded", 0, "fs1", 0, "FS1", 0},
        CompareCase{"FoldedBeforeCompared", 0, "fs2", 0, "FS10", 1},
        CompareCase{"UnderscoreAfterLetters", 0, "FS1\\SYS:\\_OLD", 0, "FS1\\SYS:\\zeta", 1},
        CompareCase{"HighBytesAfterAscii", 0, "FS1\\SYS:\\\x82t\xe9", 0, "FS1\\SYS:\\ZZ", 1},
        CompareCase{"PrefixFirst", 0, "FS1\\SYS:", 0, "FS1\\SYS:\\A", -1}),
    [](const ::testing::TestParamInfo<CompareCase>& info) { return info.param.name; });

TEST(CompareWithoutRecord, LeavesTheResultAsItCame) {
    const auto a = Record(0, "A");
    EXPECT_EQ(tvwDrivesCompare(nullptr, a.get(), 7), 7);
    EXPECT_EQ(tvwDrivesCompare(a.get(), nullptr, -3), -3);
}

std::vector<std::string> Texts(const NodeTree& tree, const TreeNode* parent) {
    std::vector<std::string> texts;
    for (const auto& child : tree.Children(parent)) {
        EXPECT_EQ(child->parent, parent);
        EXPECT_EQ(&tree.Children(parent)[static_cast<std::size_t>(child->row)], &child);
        texts.push_back(child->text);
    }
    return texts;
}

TEST(NodeTree, KeepsSiblingsInOrderWithThePlaceholderFirst) {
    NodeTree tree;
    TreeNode* server = tree.Add(nullptr, "FS1", NodeImage::Server, Record(0, "FS1"));
    tree.AddPlaceholder(server);
    tree.Add(nullptr, "F:", NodeImage::Computer, Record(1, "F:\\"));
    tree.Add(nullptr, "alpha", NodeImage::Server, Record(0, "alpha"));
    EXPECT_EQ(Texts(tree, nullptr), (std::vector<std::string>{"F:", "alpha", "FS1"}));

    // Loading a node adds its children beside the placeholder, which stays
    // where it is until the load deletes it.
    tree.Add(server, "ZED", NodeImage::Volume, Record(0, "FS1\\ZED:"));
    tree.Add(server, "ABC", NodeImage::Volume, Record(0, "FS1\\ABC:"));
    TreeNode* late = tree.Add(server, "MID", NodeImage::Volume, nullptr);
    EXPECT_EQ(Texts(tree, server), (std::vector<std::string>{"Working...", "ABC", "ZED", "MID"}));
    tree.Attach(late, Record(0, "FS1\\MID:"));
    EXPECT_EQ(Texts(tree, server), (std::vector<std::string>{"Working...", "ABC", "MID", "ZED"}));
    EXPECT_TRUE(NodeTree::Unloaded(server));
    tree.Delete(server->children.front().get());
    EXPECT_FALSE(NodeTree::Unloaded(server));
    EXPECT_EQ(Texts(tree, server), (std::vector<std::string>{"ABC", "MID", "ZED"}));
}

TEST(NodeTree, ReleasesEveryRecordOnceWhenNodesGo) {
    NodeTree tree;
    TreeNode* server = tree.Add(nullptr, "FS1", NodeImage::Server, Record(0, "FS1"));
    TreeNode* volume = tree.Add(server, "SYS", NodeImage::Volume, Record(0, "FS1\\SYS:"));
    tree.AddPlaceholder(volume);
    tree.Add(nullptr, "F:", NodeImage::Computer, Record(1, "F:\\"));
    EXPECT_EQ(tree.RecordsAttached(), 3u);

    tree.Delete(volume);
    EXPECT_EQ(tree.RecordsReleased(), 1u);
    tree.DeleteAll();
    EXPECT_EQ(tree.RecordsReleased(), 3u);
    EXPECT_TRUE(tree.Children(nullptr).empty());
}

}  // namespace

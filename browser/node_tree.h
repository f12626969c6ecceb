#pragma once

// The browser tree's nodes, kept in sibling order. The browser logic adds,
// attaches and deletes; a view model derives from NodeTree and turns the
// notification hooks into its own row signals (the Qt model in app/ does), so
// the logic never knows whether anyone is watching.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "browser/browser_node.h"

struct TreeNode {
    std::string text;  // workstation text
    NodeImage image = NodeImage::Folder;
    std::unique_ptr<TBrowserNode> record;  // none for a placeholder
    TreeNode* parent = nullptr;            // nullptr at the top level
    int row = 0;                           // position among its siblings
    bool inTree = true;                    // false while its load holds it back
    std::vector<std::unique_ptr<TreeNode>> children;

    bool IsPlaceholder() const { return text == kPlaceholderText; }
};

class NodeTree {
public:
    NodeTree() = default;
    virtual ~NodeTree();
    NodeTree(const NodeTree&) = delete;
    NodeTree& operator=(const NodeTree&) = delete;

    // The children of parent; nullptr: the top level.
    const std::vector<std::unique_ptr<TreeNode>>& Children(const TreeNode* parent) const;

    // A node with a record goes to its place in the sibling order; a node
    // without one is appended and moves to its place when Attach gives it one.
    TreeNode* Add(TreeNode* parent, std::string text, NodeImage image,
                  std::unique_ptr<TBrowserNode> record);
    void AddPlaceholder(TreeNode* node);
    void Attach(TreeNode* node, std::unique_ptr<TBrowserNode> record);
    // Between these, nodes added with a record under parent are held back
    // and join their siblings at EndLoad, in runs: a view then learns of a
    // directory's thousands of children in one insert, not in one each.
    void BeginLoad(TreeNode* parent);
    void EndLoad();

    // The node and everything below it; each record is released once.
    void Delete(TreeNode* node);
    void DeleteAll();

    // Whether node's first child is the placeholder: its children are unread.
    static bool Unloaded(const TreeNode* node);

    // Every node, depth first, until visit returns true; true if one did.
    template <typename Visit>
    bool AnyNode(Visit visit) const {
        return AnyBelow(m_top, visit);
    }

    // Records attached and released since the tree was made.
    std::size_t RecordsAttached() const { return m_attached; }
    std::size_t RecordsReleased() const { return m_released; }

protected:
    // For a view model: the same contract as Qt's begin/end pairs.
    virtual void BeginInsert(TreeNode* /*parent*/, int /*first*/, int /*last*/) {}
    virtual void EndInsert() {}
    virtual void BeginRemove(TreeNode* /*parent*/, int /*row*/) {}
    virtual void EndRemove() {}
    // Qt's convention: to is the row the node goes before, counted before it left.
    virtual void BeginMove(TreeNode* /*parent*/, int /*from*/, int /*to*/) {}
    virtual void EndMove() {}
    virtual void BeginReset() {}
    virtual void EndReset() {}

private:
    using Siblings = std::vector<std::unique_ptr<TreeNode>>;

    Siblings& ChildrenOf(TreeNode* parent) { return parent ? parent->children : m_top; }
    // Where a node with record goes among siblings, which are in order.
    static std::size_t SortedPlace(const Siblings& siblings, const TBrowserNode& record,
                                   const TreeNode* skip);
    static void Renumber(Siblings& siblings, std::size_t from, std::size_t to);
    // tvwDrivesDeletion for node and everything below it.
    void ReleaseRecords(TreeNode& node);

    template <typename Visit>
    static bool AnyBelow(const Siblings& siblings, Visit& visit) {
        for (const auto& child : siblings) {
            if (visit(*child) || AnyBelow(child->children, visit)) return true;
        }
        return false;
    }

    void Insert(TreeNode* parent, std::size_t place, Siblings nodes);

    Siblings m_top;
    bool m_loading = false;
    TreeNode* m_loadParent = nullptr;
    Siblings m_held;
    std::size_t m_attached = 0;
    std::size_t m_released = 0;
};

// The record a node loses when it is deleted: released here, once.
void tvwDrivesDeletion(TreeNode& node);

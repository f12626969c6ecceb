#include "browser/node_tree.h"

#include <algorithm>

NodeTree::~NodeTree() = default;

void tvwDrivesDeletion(TreeNode& node) { node.record.reset(); }

const std::vector<std::unique_ptr<TreeNode>>& NodeTree::Children(const TreeNode* parent) const {
    return parent ? parent->children : m_top;
}

// Siblings arrive mostly in order (a directory in its own order, volumes by
// number), so the place is searched from the end.
std::size_t NodeTree::SortedPlace(const Siblings& siblings, const TBrowserNode& record,
                                  const TreeNode* skip) {
    std::size_t place = siblings.size();
    for (std::size_t i = siblings.size(); i-- > 0;) {
        const TreeNode& sibling = *siblings[i];
        if (&sibling == skip || !sibling.record) continue;
        if (tvwDrivesCompare(sibling.record.get(), &record) <= 0) return place;
        place = i;
    }
    // Before every sibling with a record; a placeholder ahead of them stays first.
    return place;
}

void NodeTree::Renumber(Siblings& siblings, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to && i < siblings.size(); ++i)
        siblings[i]->row = static_cast<int>(i);
}

TreeNode* NodeTree::Add(TreeNode* parent, std::string text, NodeImage image,
                        std::unique_ptr<TBrowserNode> record) {
    Siblings& siblings = ChildrenOf(parent);
    const std::size_t place = record ? SortedPlace(siblings, *record, nullptr) : siblings.size();
    auto node = std::make_unique<TreeNode>();
    node->text = std::move(text);
    node->image = image;
    node->parent = parent;
    if (record) ++m_attached;
    node->record = std::move(record);
    TreeNode* added = node.get();

    BeginInsert(parent, static_cast<int>(place));
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(place), std::move(node));
    Renumber(siblings, place, siblings.size());
    EndInsert();
    return added;
}

void NodeTree::AddPlaceholder(TreeNode* node) {
    Add(node, kPlaceholderText, NodeImage::Folder, nullptr);
}

void NodeTree::Attach(TreeNode* node, std::unique_ptr<TBrowserNode> record) {
    if (!record) return;
    if (node->record) {
        tvwDrivesDeletion(*node);
        ++m_released;
    }
    Siblings& siblings = ChildrenOf(node->parent);
    std::size_t place = SortedPlace(siblings, *record, node);
    node->record = std::move(record);
    ++m_attached;

    const auto from = static_cast<std::size_t>(node->row);
    // SortedPlace counts the node itself where it still stands.
    if (place == from || place == from + 1) return;
    BeginMove(node->parent, static_cast<int>(from), static_cast<int>(place));
    std::unique_ptr<TreeNode> moving = std::move(siblings[from]);
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(from));
    if (place > from) --place;
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(place), std::move(moving));
    Renumber(siblings, std::min(from, place), std::max(from, place) + 1);
    EndMove();
}

void NodeTree::ReleaseRecords(TreeNode& node) {
    for (auto& child : node.children) ReleaseRecords(*child);
    if (node.record) {
        tvwDrivesDeletion(node);
        ++m_released;
    }
}

void NodeTree::Delete(TreeNode* node) {
    Siblings& siblings = ChildrenOf(node->parent);
    const auto row = static_cast<std::size_t>(node->row);
    BeginRemove(node->parent, node->row);
    ReleaseRecords(*node);
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(row));
    Renumber(siblings, row, siblings.size());
    EndRemove();
}

void NodeTree::DeleteAll() {
    BeginReset();
    for (auto& node : m_top) ReleaseRecords(*node);
    m_top.clear();
    EndReset();
}

bool NodeTree::Unloaded(const TreeNode* node) {
    return node && !node->children.empty() && node->children.front()->IsPlaceholder();
}

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
    auto node = std::make_unique<TreeNode>();
    node->text = std::move(text);
    node->image = image;
    node->parent = parent;
    if (record) ++m_attached;
    node->record = std::move(record);
    TreeNode* added = node.get();

    if (m_loading && parent == m_loadParent && added->record) {
        added->inTree = false;
        m_held.push_back(std::move(node));
        return added;
    }
    Siblings& siblings = ChildrenOf(parent);
    if (parent && !parent->inTree) {
        // Below a held-back node: nobody sees it yet.
        added->row = static_cast<int>(siblings.size());
        siblings.push_back(std::move(node));
        return added;
    }
    const std::size_t place =
        added->record ? SortedPlace(siblings, *added->record, nullptr) : siblings.size();
    Siblings one;
    one.push_back(std::move(node));
    Insert(parent, place, std::move(one));
    return added;
}

void NodeTree::Insert(TreeNode* parent, std::size_t place, Siblings nodes) {
    Siblings& siblings = ChildrenOf(parent);
    const auto count = nodes.size();
    BeginInsert(parent, static_cast<int>(place), static_cast<int>(place + count) - 1);
    for (auto& node : nodes) node->inTree = true;
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(place),
                    std::make_move_iterator(nodes.begin()), std::make_move_iterator(nodes.end()));
    Renumber(siblings, place, siblings.size());
    EndInsert();
}

void NodeTree::BeginLoad(TreeNode* parent) {
    m_loading = true;
    m_loadParent = parent;
    m_held.clear();
}

void NodeTree::EndLoad() {
    m_loading = false;
    Siblings held = std::move(m_held);
    m_held.clear();
    const auto before = [](const auto& a, const auto& b) {
        return tvwDrivesCompare(a->record.get(), b->record.get()) < 0;
    };
    // A directory most often lists its entries in order already.
    if (!std::is_sorted(held.begin(), held.end(), before))
        std::stable_sort(held.begin(), held.end(), before);
    Siblings& siblings = ChildrenOf(m_loadParent);
    std::size_t k = 0;
    while (k < held.size()) {
        const std::size_t place = SortedPlace(siblings, *held[k]->record, nullptr);
        // The run ends before the first held node that sorts after the next
        // sibling with a record.
        const TreeNode* bound = nullptr;
        for (std::size_t i = place; i < siblings.size() && !bound; ++i)
            if (siblings[i]->record) bound = siblings[i].get();
        std::size_t end = k + 1;
        while (end < held.size() &&
               (!bound || tvwDrivesCompare(bound->record.get(), held[end]->record.get()) > 0))
            ++end;
        Siblings run(std::make_move_iterator(held.begin() + static_cast<std::ptrdiff_t>(k)),
                     std::make_move_iterator(held.begin() + static_cast<std::ptrdiff_t>(end)));
        Insert(m_loadParent, place, std::move(run));
        k = end;
    }
    m_loadParent = nullptr;
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

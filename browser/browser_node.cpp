#include "browser/browser_node.h"

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

namespace {

unsigned char FoldUpper(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

}  // namespace

int tvwDrivesCompare(const TBrowserNode* node1, const TBrowserNode* node2, int result) {
    if (!node1 || !node2) return result;
    if (node1->driveBased == 0 && node2->driveBased == 1) return 1;
    if (node1->driveBased == 1 && node2->driveBased == 0) return -1;
    const std::string& a = node1->path;
    const std::string& b = node2->path;
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = FoldUpper(static_cast<unsigned char>(a[i]));
        const unsigned char cb = FoldUpper(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

#include "version_block.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::size_t kFixedSize = 52;
constexpr int kMaxDepth = 8; // the block nests three deep; more is damage

// One node: header (length, value length, type), key, value, children, each
// part starting on a 4-byte boundary of the block.
struct VerNode {
    std::u16string key;
    std::uint16_t type = 0;        // 1: text (value length in characters), 0: binary
    std::uint16_t valueLength = 0; // as recorded
    Bytes value;
    std::vector<VerNode> children;
};

std::size_t align4(std::size_t v) {
    return (v + 3) & ~std::size_t{3};
}

std::uint16_t get16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

bool parseNode(const Bytes& b, std::size_t at, std::size_t end, int depth, VerNode& node,
               std::size_t& next) {
    if (depth > kMaxDepth || at > end || end - at < 6) return false;
    const std::size_t length = get16(b, at);
    if (length < 6 || length > end - at) return false;
    const std::size_t stop = at + length;
    node.valueLength = get16(b, at + 2);
    node.type = get16(b, at + 4);
    std::size_t p = at + 6;
    for (;;) {
        if (stop - p < 2) return false;
        const std::uint16_t c = get16(b, p);
        p += 2;
        if (c == 0) break;
        node.key.push_back(static_cast<char16_t>(c));
    }
    p = align4(p);
    const std::size_t valueBytes = node.type == 1 ? 2u * node.valueLength : node.valueLength;
    if (p > stop || stop - p < valueBytes) return false;
    node.value.assign(b.begin() + static_cast<std::ptrdiff_t>(p),
                      b.begin() + static_cast<std::ptrdiff_t>(p + valueBytes));
    p = align4(p + valueBytes);
    while (p < stop) {
        VerNode child;
        std::size_t after = 0;
        if (!parseNode(b, p, stop, depth + 1, child, after)) return false;
        node.children.push_back(std::move(child));
        p = align4(after);
    }
    next = stop;
    return true;
}

void put16(Bytes& b, std::size_t at, std::size_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

// Appends the node at a 4-byte boundary of `out`; false when it would not
// fit its 16-bit length.
bool writeNode(const VerNode& node, Bytes& out) {
    out.resize(align4(out.size()), 0);
    const std::size_t at = out.size();
    out.resize(at + 6, 0);
    put16(out, at + 2, node.valueLength);
    put16(out, at + 4, node.type);
    for (char16_t c : node.key) {
        out.push_back(static_cast<unsigned char>(c));
        out.push_back(static_cast<unsigned char>(c >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    out.resize(align4(out.size()), 0);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const VerNode& child : node.children)
        if (!writeNode(child, out)) return false;
    if (out.size() - at > 0xFFFF) return false;
    put16(out, at, out.size() - at);
    return true;
}

VerNode* child(VerNode& node, const char* key) {
    for (VerNode& c : node.children) {
        bool same = c.key.size() == std::char_traits<char>::length(key);
        for (std::size_t i = 0; same && i < c.key.size(); ++i)
            same = c.key[i] == static_cast<unsigned char>(key[i]);
        if (same) return &c;
    }
    return nullptr;
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

} // namespace

bool ParseVersionQuad(const char* text, VersionQuad& v) {
    const char* p = text;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (*p < '0' || *p > '9') return false;
        char* end = nullptr;
        errno = 0;
        const unsigned long long n = std::strtoull(p, &end, 10);
        if (errno != 0 || n > 0xFFFF || end - p > 5) return false;
        v[i] = static_cast<std::uint16_t>(n);
        p = end;
        if (i + 1 < v.size() && *p++ != '.') return false;
    }
    return *p == '\0';
}

std::string SetVersion(Bytes& block, const VersionQuad& v) {
    VerNode root;
    std::size_t end = 0;
    if (!parseNode(block, 0, block.size(), 0, root, end)) return "the version block is damaged";
    if (root.value.size() != kFixedSize || get16(root.value, 0) != (kFixedSignature & 0xFFFF) ||
        get16(root.value, 2) != kFixedSignature >> 16)
        return "the version block has no fixed version fields";
    const std::uint32_t ms = static_cast<std::uint32_t>(v[0]) << 16 | v[1];
    const std::uint32_t ls = static_cast<std::uint32_t>(v[2]) << 16 | v[3];
    put32(root.value, 8, ms); // file version
    put32(root.value, 12, ls);
    put32(root.value, 16, ms); // product version
    put32(root.value, 20, ls);

    const std::string text = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." +
                             std::to_string(v[2]) + "." + std::to_string(v[3]);
    Bytes value;
    for (char c : text) {
        value.push_back(static_cast<unsigned char>(c));
        value.push_back(0);
    }
    value.push_back(0);
    value.push_back(0);
    VerNode* strings = child(root, "StringFileInfo");
    if (strings == nullptr || strings->children.empty())
        return "the version block has no string table";
    for (VerNode& table : strings->children) {
        for (const char* key : {"FileVersion", "ProductVersion"}) {
            VerNode* found = child(table, key);
            if (found == nullptr) return std::string("the version block has no ") + key;
            found->type = 1;
            found->valueLength = static_cast<std::uint16_t>(text.size() + 1);
            found->value = value;
        }
    }
    Bytes out;
    if (!writeNode(root, out)) return "the new version block would be too large";
    block = std::move(out);
    return {};
}

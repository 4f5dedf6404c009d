#include "core/settings/Properties.h"

#include <utility>

namespace {

constexpr size_t kMaxCount = 0xFFFF;
constexpr size_t kMaxValueBytes = 0xFFFF;
constexpr size_t kMaxNameUnits = 0xFFFF;

// The smallest byte forms, used to reject counts that the bytes left cannot hold before
// anything is allocated for them: a value is an empty name and a one-byte length, a child an
// empty name and an empty node.
constexpr size_t kMinValueBytes = 2 + 1;
constexpr size_t kMinChildBytes = 2 + 2;

bool isSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// Walks the path's segments but the last; the last is left in leafKey.
template <typename Step>
Properties* walkPath(Properties* node, const std::wstring& path, std::wstring& leafKey, Step step) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (!isSeparator(path[i])) continue;
        node = step(*node, path.substr(start, i - start));
        if (!node) {
            leafKey.clear();
            return nullptr;
        }
        start = i + 1;
    }
    leafKey = path.substr(start);
    return node;
}

} // namespace

Properties::~Properties() = default;

std::unique_ptr<Properties> Properties::createChild() const { return std::make_unique<Properties>(); }

void Properties::onChanged(const std::wstring&) {}

Properties& Properties::getChild(const std::wstring& name) {
    auto it = children_.find(name);
    if (it == children_.end()) it = children_.emplace(name, createChild()).first;
    return *it->second;
}

Properties& Properties::resolvePath(const std::wstring& path, std::wstring& leafKey) {
    return *walkPath(this, path, leafKey, [](Properties& node, const std::wstring& name) {
        return &node.getChild(name);
    });
}

Properties* Properties::findPath(const std::wstring& path, std::wstring& leafKey) {
    return walkPath(this, path, leafKey, [](Properties& node, const std::wstring& name) -> Properties* {
        auto it = node.children_.find(name);
        return it == node.children_.end() ? nullptr : it->second.get();
    });
}

bool Properties::contains(const std::wstring& path) {
    std::wstring leaf;
    Properties* node = findPath(path, leaf);
    return node && (node->typed_.count(leaf) != 0 || node->raw_.count(leaf) != 0);
}

void Properties::clear() {
    typed_.clear();
    children_.clear();
    raw_.clear();
}

Property__* Properties::typedForGet(const std::wstring& name, const std::type_info& type, Factory make) {
    auto typed = typed_.find(name);
    if (typed != typed_.end()) {
        if (typeid(*typed->second) == type) return typed->second.get();
        // Stored with another type: take it over only when its bytes are exactly this
        // type's form, so that an unrelated value is never misread.
        std::vector<uint8_t> bytes;
        typed->second->write(bytes);
        std::unique_ptr<Property__> converted = make();
        ByteReader in(bytes);
        if (!converted->read(in) || !in.atEnd() || converted->size() != bytes.size()) return nullptr;
        typed->second = std::move(converted);
        return typed->second.get();
    }
    auto raw = raw_.find(name);
    if (raw == raw_.end()) return nullptr;
    std::unique_ptr<Property__> property = make();
    ByteReader in(raw->second);
    // Bytes too short for the type (a damaged file) stay raw: the key reads as the default
    // and the bytes are written back as they came.
    if (!property->read(in)) return nullptr;
    raw_.erase(raw);
    return typed_.emplace(name, std::move(property)).first->second.get();
}

Property__& Properties::typedForSet(const std::wstring& name, const std::type_info& type, Factory make) {
    raw_.erase(name);
    std::unique_ptr<Property__>& slot = typed_[name];
    if (!slot || typeid(*slot) != type) slot = make();
    return *slot;
}

void Properties::serialize(std::vector<uint8_t>& out) const { serializeAt(out, 0); }

void Properties::serializeAt(std::vector<uint8_t>& out, int depth) const {
    // A 32,767-unit string is 65,536 bytes: its length would wrap to 0 and every byte after
    // it would be misread. Such values stay in memory but are not written, and the count
    // leaves them out. The length written is always that of the bytes written.
    std::vector<std::pair<const std::wstring*, const std::vector<uint8_t>*>> raws;
    std::vector<std::pair<const std::wstring*, std::vector<uint8_t>>> typeds;
    size_t count = 0;
    for (const auto& [name, bytes] : raw_) {
        if (count == kMaxCount) break;
        if (name.size() > kMaxNameUnits || bytes.size() > kMaxValueBytes) continue;
        raws.emplace_back(&name, &bytes);
        ++count;
    }
    for (const auto& [name, property] : typed_) {
        if (count == kMaxCount) break;
        if (name.size() > kMaxNameUnits || property->size() > kMaxValueBytes) continue;
        std::vector<uint8_t> bytes;
        bytes.reserve(property->size());
        property->write(bytes);
        if (bytes.size() > kMaxValueBytes) continue;
        typeds.emplace_back(&name, std::move(bytes));
        ++count;
    }

    writeVarint(out, static_cast<uint16_t>(count));
    for (const auto& [name, bytes] : raws) {
        writeString(out, *name);
        writeVarint(out, static_cast<uint16_t>(bytes->size()));
        out.insert(out.end(), bytes->begin(), bytes->end());
    }
    for (const auto& [name, bytes] : typeds) {
        writeString(out, *name);
        writeVarint(out, static_cast<uint16_t>(bytes.size()));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }

    std::vector<std::pair<const std::wstring*, const Properties*>> kids;
    if (depth < kMaxDepth) {
        for (const auto& [name, child] : children_) {
            if (kids.size() == kMaxCount) break;
            if (name.size() > kMaxNameUnits) continue;
            kids.emplace_back(&name, child.get());
        }
    }
    writeVarint(out, static_cast<uint16_t>(kids.size()));
    for (const auto& [name, child] : kids) {
        writeString(out, *name);
        child->serializeAt(out, depth + 1);
    }
}

bool Properties::parse(ByteReader& in) {
    std::unique_ptr<Properties> parsed = parseDetached(in);
    if (!parsed) return false;
    adopt(std::move(parsed));
    return true;
}

std::unique_ptr<Properties> Properties::parseDetached(ByteReader& in) const {
    std::unique_ptr<Properties> node = createChild();
    if (!node->parseInto(in, 0)) return nullptr;
    return node;
}

bool Properties::parseInto(ByteReader& in, int depth) {
    const size_t values = readVarint(in);
    if (in.failed() || values * kMinValueBytes > in.remaining()) return false;
    for (size_t i = 0; i < values; ++i) {
        std::wstring name;
        if (!readString(in, name)) return false;
        const size_t length = readVarint(in);
        const uint8_t* bytes = in.readBytes(length);
        if (in.failed()) return false;
        // A later value of the same name replaces an earlier one.
        raw_[name].assign(bytes, bytes + length);
    }

    const size_t kids = readVarint(in);
    if (in.failed() || kids * kMinChildBytes > in.remaining()) return false;
    if (kids != 0 && depth >= kMaxDepth) return false;
    for (size_t i = 0; i < kids; ++i) {
        std::wstring name;
        if (!readString(in, name)) return false;
        std::unique_ptr<Properties> child = createChild();
        if (!child->parseInto(in, depth + 1)) return false;
        children_[name] = std::move(child);
    }
    return true;
}

void Properties::adopt(std::unique_ptr<Properties> parsed) {
    clear();
    raw_ = std::move(parsed->raw_);
    typed_ = std::move(parsed->typed_);
    children_ = std::move(parsed->children_);
    announce();
}

void Properties::announce() {
    // Every value arrives raw; children tell their own listeners. A listener may read or set
    // values as it is told, so the names are taken first and children looked up again.
    std::vector<std::wstring> names;
    names.reserve(raw_.size());
    for (const auto& entry : raw_) names.push_back(entry.first);
    for (const std::wstring& name : names) onChanged(name);

    std::vector<std::wstring> kids;
    kids.reserve(children_.size());
    for (const auto& entry : children_) kids.push_back(entry.first);
    for (const std::wstring& name : kids) {
        auto it = children_.find(name);
        if (it != children_.end()) it->second->announce();
    }
}

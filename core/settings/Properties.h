#pragma once

#include "core/settings/ByteReader.h"
#include "core/settings/Property.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

// A node of the settings tree. Values are addressed by a path of names separated by '/' or
// '\'; each name but the last is a child node. A value stays as the raw bytes read from the
// settings file until it is first read or written, and is a typed Property<T> from then on.
// All maps are ordered by UTF-16 code units.
class Properties {
public:
    using RawValues = std::map<std::wstring, std::vector<uint8_t>>;
    using TypedValues = std::map<std::wstring, std::unique_ptr<Property__>>;
    using Children = std::map<std::wstring, std::unique_ptr<Properties>>;

    // Nodes deeper than this below the node that is parsed or serialised are not kept: a
    // damaged file could otherwise nest without end.
    static constexpr int kMaxDepth = 64;

    Properties() = default;
    Properties(const Properties&) = delete;
    Properties& operator=(const Properties&) = delete;
    virtual ~Properties();

    // A new empty node of this node's own class.
    virtual std::unique_ptr<Properties> createChild() const;
    // Told the leaf key of every value that is set here or arrives from a parse.
    virtual void onChanged(const std::wstring& key);

    // The node that holds the path's leaf, creating missing children on the way.
    Properties& resolvePath(const std::wstring& path, std::wstring& leafKey);
    // The same walk without creating anything; null (and an empty leaf key) when a child is
    // missing.
    Properties* findPath(const std::wstring& path, std::wstring& leafKey);
    bool contains(const std::wstring& path);
    Properties& getChild(const std::wstring& name);
    void clear();

    // The stored value, or the caller's default (its own object) when the path names nothing;
    // reading never creates anything. A raw value becomes typed here. A value stored with
    // another type of the same byte form (colours: unsigned long and unsigned int) is taken
    // over through its bytes; one that does not fit the type, or raw bytes too short for it,
    // give the default and stay as they are.
    // The reference stays valid until the node is cleared or the same key is used with
    // another type.
    template <typename T>
    const T& get(const std::wstring& path, const T& defaultValue);
    // Stores the value (fonts deeply) and tells this node's onChanged with the leaf key,
    // also when the value did not change.
    template <typename T>
    void set(const std::wstring& path, const T& value);

    // The node form of the settings file. Values whose byte form does not fit the format's
    // 16-bit lengths (or whose name does not fit) are left out, of the count too.
    void serialize(std::vector<uint8_t>& out) const;
    // Reads one node from the cursor. Only a sound node replaces this node's contents (then
    // every value arriving is told to onChanged); on damage false, and this node is unchanged.
    bool parse(ByteReader& in);

    const RawValues& rawValues() const { return raw_; }
    const TypedValues& typedValues() const { return typed_; }
    const Children& children() const { return children_; }
    // What the program's exit saves: a typed value or a child node (raw values never read do
    // not count).
    bool holdsUsedValues() const { return !typed_.empty() || !children_.empty(); }

protected:
    // Parses a node into a fresh child-class node without touching this one; null on damage.
    std::unique_ptr<Properties> parseDetached(ByteReader& in) const;
    // Takes over the contents of a parsed node and tells every value that arrived.
    void adopt(std::unique_ptr<Properties> parsed);

private:
    using Factory = std::unique_ptr<Property__> (*)();

    template <typename T>
    static std::unique_ptr<Property__> makeProperty() {
        return std::make_unique<Property<T>>();
    }

    Property__* typedForGet(const std::wstring& name, const std::type_info& type, Factory make);
    Property__& typedForSet(const std::wstring& name, const std::type_info& type, Factory make);

    bool parseInto(ByteReader& in, int depth);
    void serializeAt(std::vector<uint8_t>& out, int depth) const;
    void announce();

    RawValues raw_;
    TypedValues typed_;
    Children children_;
};

template <typename T>
const T& Properties::get(const std::wstring& path, const T& defaultValue) {
    std::wstring leaf;
    Properties* node = findPath(path, leaf);
    if (!node) return defaultValue;
    Property__* stored = node->typedForGet(leaf, typeid(Property<T>), &makeProperty<T>);
    return stored ? static_cast<Property<T>*>(stored)->value : defaultValue;
}

template <typename T>
void Properties::set(const std::wstring& path, const T& value) {
    std::wstring leaf;
    Properties& node = resolvePath(path, leaf);
    auto& stored = static_cast<Property<T>&>(node.typedForSet(leaf, typeid(Property<T>), &makeProperty<T>));
    stored.value = value;
    onChanged(leaf);
}

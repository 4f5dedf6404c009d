#include "tmx_engine/GroupFileReader.h"

#include "core/util/StringUtils.h"
#include "core/xml/XmlFileStream.h"
#include "tmx_engine/TmxFileGroupParser.h"

#include <new>

bool readGroupFile(const std::wstring& path, GroupFileMembers& members) {
    try {
        XmlFileStream stream(path);
        TmxFileGroupParser parser;
        // A missing file reads as an empty document, a damaged one may end early, a text file
        // has no elements: none of them is a group (an empty group is "<plexa></plexa>").
        if (stream.hadError() || !parser.parse(stream) || stream.hadError() || parser.truncated() ||
            !parser.complete())
            return false;
        GroupFileMembers read;
        const std::wstring folder = getDirectory(path);
        read.fullPaths.reserve(parser.paths().size());
        for (const std::wstring& member : parser.paths())
            read.fullPaths.push_back(resolveGroupMemberPath(member, folder));
        read.paths = parser.paths();
        read.names = parser.names();
        read.colors = parser.colors();
        members = std::move(read);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

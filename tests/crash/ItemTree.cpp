#include "crash/ItemTree.h"

#include "support/TempFolder.h"

namespace vk::test {

namespace {

namespace fs = std::filesystem;

std::string EntryContent(const fs::path& path) {
    const fs::file_status status = fs::symlink_status(path);
    if (fs::is_symlink(status))
        return "->" + fs::read_symlink(path).string();
    if (fs::is_directory(status))
        return "/";
    return ReadFile(path);
}

} // namespace

ItemTree ReadItemTree(const fs::path& path) {
    ItemTree tree;
    if (!fs::exists(fs::symlink_status(path)))
        return tree;
    tree[""] = EntryContent(path);
    if (tree[""] != "/")
        return tree;
    for (const auto& entry : fs::recursive_directory_iterator(path))
        tree[fs::relative(entry.path(), path).generic_string()] = EntryContent(entry.path());
    return tree;
}

void WriteItemTree(const fs::path& path, const ItemTree& tree) {
    for (const auto& [relative, content] : tree) {
        const fs::path target = relative.empty() ? path : path / relative;
        if (content == "/")
            fs::create_directories(target);
        else
            WriteFile(target, content);
    }
}

std::string TreeDifference(const ItemTree& expected, const ItemTree& actual) {
    if (actual.empty())
        return expected.empty() ? "" : "nothing is there";
    for (const auto& [relative, content] : expected) {
        const auto found = actual.find(relative);
        if (found == actual.end())
            return "\"" + relative + "\" is missing";
        if (found->second != content)
            return "\"" + relative + "\" differs";
    }
    for (const auto& [relative, content] : actual)
        if (!expected.contains(relative))
            return "\"" + relative + "\" is extra";
    return "";
}

} // namespace vk::test

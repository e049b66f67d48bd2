#include "FolderVersions.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace zov {
namespace fs = std::filesystem;

namespace {

constexpr size_t kVersionLength = 3;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// The stem and extension lengths of `name`.
std::pair<size_t, size_t> ShapeOf(const std::string& name) {
    const size_t us = name.rfind('_');
    const size_t dot = name.rfind('.');
    return {us == std::string::npos ? 0 : us + 1, dot == std::string::npos ? 0 : name.size() - dot};
}

}  // namespace

FolderVersions::FolderVersions(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code statError;
        if (fs::is_regular_file(it->path(), statError)) names.push_back(it->path().filename().string());
    }
    // The listing order of a file system is no order at all.
    std::sort(names.begin(), names.end());
    for (std::string& name : names) {
        std::string path = (fs::path(folder) / name).string();
        versions_.push_back({std::move(name), std::move(path), kInstalled, false});
    }
}

bool FolderVersions::KeyOf(size_t index, const Shape& shape, std::string& key) const {
    const std::string& name = versions_[index].name;
    const auto [stem, extension] = shape;
    if (name.size() != stem + kVersionLength + extension || name.find('_') == std::string::npos) return false;
    // A "/" never appears in a file name: stem and extension cannot run into each other.
    key = Lower(name.substr(0, stem)) + "/" + Lower(name.substr(stem + kVersionLength));
    return true;
}

FolderVersions::ShapeIndex& FolderVersions::IndexFor(const Shape& shape) {
    const auto found = byShape_.find(shape);
    if (found != byShape_.end()) return found->second;
    ShapeIndex& index = byShape_[shape];
    std::string key;
    for (size_t i = 0; i < versions_.size(); ++i)
        if (KeyOf(i, shape, key)) index[key].push_back(i);
    return index;
}

std::vector<size_t> FolderVersions::Of(const std::string& name) {
    const Shape shape = ShapeOf(name);
    const std::string key =
        Lower(name.substr(0, shape.first)) + "/" + Lower(name.substr(name.size() - shape.second));
    const ShapeIndex& index = IndexFor(shape);
    std::vector<size_t> out;
    const auto found = index.find(key);
    if (found == index.end()) return out;
    for (size_t i : found->second)
        if (!versions_[i].superseded) out.push_back(i);
    return out;
}

size_t FolderVersions::Add(Version version) {
    versions_.push_back(std::move(version));
    const size_t added = versions_.size() - 1;
    std::string key;
    for (auto& [shape, index] : byShape_)
        if (KeyOf(added, shape, key)) index[key].push_back(added);
    return added;
}

}  // namespace zov

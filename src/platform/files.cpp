#include "platform/files.h"

namespace qvMsgErr::platform {

std::string openerTarget(const std::string& target, const std::string& currentDirectory) {
    if (target.empty() || target.front() == '/') {
        return target;
    }
    const auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto schemeEnd = target.find_first_not_of(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-.");
    if (isAlpha(target.front()) && schemeEnd >= 2 && schemeEnd != std::string::npos &&
        target[schemeEnd] == ':') {
        return target;
    }
    std::string path = currentDirectory;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path + target;
}

} // namespace qvMsgErr::platform

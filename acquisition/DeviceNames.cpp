// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/DeviceNames.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

template <typename Key>
std::vector<std::size_t> Candidates(const std::vector<std::string>& names, Key key) {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (key(names[i]))
            found.push_back(i);
    return found;
}

} // namespace

std::vector<std::string> CDeviceNames::Listed(const std::vector<SDeviceEntry>& devices) {
    std::map<std::string, int> uses;
    for (const SDeviceEntry& d : devices)
        ++uses[d.strName];
    std::vector<std::string> names;
    for (const SDeviceEntry& d : devices)
        names.push_back(uses[d.strName] > 1 ? d.strName + " [" + d.strHost + "]" : d.strName);
    // Same name on the same host: number them in order.
    std::map<std::string, int> qualified;
    for (const std::string& name : names)
        ++qualified[name];
    std::map<std::string, int> seen;
    for (std::string& name : names)
        if (qualified[name] > 1)
            name += " #" + std::to_string(++seen[name]);
    return names;
}

int CDeviceNames::Match(const std::vector<std::string>& names, const std::string& requested,
                        std::string& error) {
    error.clear();
    const std::string wanted = Lower(requested);
    std::vector<std::size_t> found =
        Candidates(names, [&](const std::string& name) { return name == requested; });
    if (found.empty())
        found = Candidates(names, [&](const std::string& name) { return Lower(name) == wanted; });
    if (found.empty() && !wanted.empty())
        found = Candidates(names, [&](const std::string& name) {
            return Lower(name).find(wanted) != std::string::npos;
        });
    if (found.size() == 1)
        return static_cast<int>(found.front());
    if (found.empty()) {
        error = "no capture device named \"" + requested + "\" (see --list-devices)";
    } else {
        error = "\"" + requested + "\" matches several capture devices:";
        for (std::size_t i : found)
            error += (i == found.front() ? " \"" : ", \"") + names[i] + "\"";
    }
    return -1;
}

// The text pixel maps of res/icons and of the expected pictures in tests/native/data, read as pictures:
// a legend "K = #rrggbb", rows with one character per pixel, "." empty.
#pragma once

#include "IconPixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace lodestar::testing {

inline std::filesystem::path SourceRoot() {
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

struct TPixelMap {
    std::map<char, std::uint32_t> Legend;
    TIconPixels Picture;
};

inline TPixelMap ReadPixelMapFile(const std::filesystem::path& file) {
    std::ifstream in(file);
    EXPECT_TRUE(in) << file;
    TPixelMap map;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line.size() >= 11 && line.compare(1, 4, " = #") == 0) {
            map.Legend[line[0]] = static_cast<std::uint32_t>(std::stoul(line.substr(5, 6), nullptr, 16));
            continue;
        }
        if (map.Picture.Width == 0) map.Picture.Width = static_cast<int>(line.size());
        EXPECT_EQ(line.size(), static_cast<std::size_t>(map.Picture.Width)) << file << ": " << line;
        for (char c : line) {
            const bool drawn = c != '.';
            EXPECT_TRUE(!drawn || map.Legend.count(c)) << file << ": " << c;
            map.Picture.Color.push_back(drawn ? map.Legend[c] : 0);
            map.Picture.Opaque.push_back(drawn ? 1 : 0);
        }
        ++map.Picture.Height;
    }
    return map;
}

// "<stem>-<size>" of res/icons.
inline TPixelMap ReadIconMap(const std::string& name) {
    return ReadPixelMapFile(SourceRoot() / "res" / "icons" / (name + ".txt"));
}

} // namespace lodestar::testing

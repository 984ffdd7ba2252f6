// Replays every saved fuzz input (crashes found once, interesting seeds) through the checks of its target.
#include "FuzzBodies.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

TEST(FuzzRegressions, SavedInputsPass) {
    const struct {
        const char* dir;
        void (*body)(std::span<const std::uint8_t>);
    } targets[] = {
        {"item_stream", lodestar::fuzz::ItemStream},
        {"item_list", lodestar::fuzz::ItemList},
        {"split_cmdline", lodestar::fuzz::SplitCmdLine},
        {"ini_text", lodestar::fuzz::IniText},
        {"cida", lodestar::fuzz::Cida},
    };
    int replayed = 0;
    for (const auto& target : targets) {
        const fs::path dir = fs::path(LODESTAR_FUZZ_REGRESSIONS) / target.dir;
        if (!fs::exists(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), {});
            SCOPED_TRACE(entry.path().string());
            target.body(data);
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0);
}

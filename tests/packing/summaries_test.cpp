#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "packing/summaries.hpp"
#include "tests/kit/portable.hpp"

namespace {

using packing::Json;
namespace fs = std::filesystem;

TEST(LoadSummaries, StoreFailuresGiveAnEmptyMapAndABomIsSkipped) {
    const kit::Scratch scratch("packing_store");
    const std::string root = scratch.path();
    const fs::path store = fs::path(root) / ".nimbrel" / "structured_summaries.json";
    EXPECT_EQ(packing::load_summaries(root).value, Json::object());  // no store
    fs::create_directories(store);
    EXPECT_EQ(packing::load_summaries(root).value, Json::object());  // a directory in its place
    fs::remove(store);
    const struct {
        std::string bytes;
        Json expected;
    } cases[] = {
        {"[1, 2]", Json::object()},
        {"{\"a\": ", Json::object()},
        {"\"text\"", Json::object()},
        {"{\"a.py\": {\"description\": \"x\"}, \"b\": 1}", Json::parse(R"({"a.py": {"description": "x"}, "b": 1})")},
        {"\xef\xbb\xbf{\"a\": {}}", Json::parse(R"({"a": {}})")},
        {"\xef\xbb\xbf\xef\xbb\xbf{}", Json::object()},  // only one mark is skipped
        // integers beyond 64 bits stay exact
        {"{\"n\": [100000000000000000000000000001, -9223372036854775809]}",
         Json{{"n",
               Json::array({core::big_int("100000000000000000000000000001"), core::big_int("-9223372036854775809")})}}},
    };
    for (const auto& c : cases) {
        std::ofstream(store, std::ios::binary) << c.bytes;
        const packing::StoreRead got = packing::load_summaries(root);
        EXPECT_EQ(got.kind, packing::StoreRead::Kind::Loaded) << c.bytes;
        EXPECT_EQ(got.value, c.expected) << c.bytes;
    }
    std::ofstream(store, std::ios::binary) << "{\"a\": \"\xff\"}";
    const packing::StoreRead bad = packing::load_summaries(root);
    EXPECT_EQ(bad.kind, packing::StoreRead::Kind::NotUtf8);
    EXPECT_EQ(bad.bytes, "{\"a\": \"\xff\"}");
    fs::remove_all(root);
}

}  // namespace

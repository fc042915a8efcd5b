#include "cli/render_options.h"

#include <gtest/gtest.h>

namespace cartonic {
namespace {

TEST(RenderOptions, ParsesEveryOption) {
    const ParseResult r = parseRenderOptions({"in.ctn", "--box", "1,2.5,50", "--save", "out.ctn",
                                              "--print", "-o", "x.png", "--size", "2047x1"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.project, "in.ctn");
    EXPECT_EQ(r.options.box, (std::array<float, 3>{1.0f, 2.5f, 50.0f}));
    EXPECT_EQ(r.options.save, "out.ctn");
    EXPECT_TRUE(r.options.print);
    EXPECT_EQ(r.options.output, "x.png");
    EXPECT_EQ(r.options.width, 2047);
    EXPECT_EQ(r.options.height, 1);

    const ParseResult defaults = parseRenderOptions({});
    EXPECT_EQ(defaults.error, "");
    EXPECT_FALSE(defaults.options.project);
    EXPECT_EQ(defaults.options.width, 800);
    EXPECT_EQ(defaults.options.height, 600);
}

TEST(RenderOptions, RejectsMalformedValues) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--box"},
             {"--box", "1,2"},
             {"--box", "1,2,3,4"},
             {"--box", "0,1,1"},
             {"--box", "1,1,50.5"},
             {"--box", "1,nan,1"},
             {"--box", "1,,1"},
             {"--size", "0x10"},
             {"--size", "8193x10"},
             {"--size", "10"},
             {"--size", "10x"},
             {"--frobnicate"},
             {"a.ctn", "b.ctn"},
         }) {
        EXPECT_NE(parseRenderOptions(args).error, "") << ::testing::PrintToString(args);
    }
}

} // namespace
} // namespace cartonic

#include "support/TestDevice.hpp"
#include "uikit/UIImage.hpp"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string pngHeader(std::uint32_t width, std::uint32_t height)
{
    std::string bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (std::uint32_t value : { width, height }) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
    bytes.append("\x08\x06\0\0\0", 5);
    return bytes;
}

} // namespace

TEST(UIImage, SizeIsThePixelSizeDividedByTheFileNameScale)
{
    TestDevice device;
    struct Case {
        const char* path;
        double width, height, scale;
    } cases[] = {
        { "/Bundle/banner.png", 750, 301, 1 },
        { "/Bundle/banner@2x.png", 375, 150.5, 2 },
        { "/Bundle/banner@3x.png", 250, 301.0 / 3, 3 },
        { "/Bundle/banner@2x.copy.png", 750, 301, 1 },
    };
    for (const auto& c : cases) {
        device.write(c.path, pngHeader(750, 301));
        auto image = fw::UIImage::imageWithContentsOfFile(c.path);
        ASSERT_TRUE(image) << c.path;
        EXPECT_DOUBLE_EQ(image->size().width, c.width) << c.path;
        EXPECT_DOUBLE_EQ(image->size().height, c.height) << c.path;
        EXPECT_DOUBLE_EQ(image->scale(), c.scale) << c.path;
    }
}

TEST(UIImage, MissingShortOrForeignFilesGiveNoImage)
{
    TestDevice device;
    device.write("/Bundle/short.png", pngHeader(10, 10).substr(0, 20));
    device.write("/Bundle/text.png", "not a picture at all, only some words");
    EXPECT_FALSE(fw::UIImage::imageWithContentsOfFile("/Bundle/missing.png"));
    EXPECT_FALSE(fw::UIImage::imageWithContentsOfFile("/Bundle/short.png"));
    EXPECT_FALSE(fw::UIImage::imageWithContentsOfFile("/Bundle/text.png"));
}

TEST(UIImageView, TakesTheSizeOfItsImage)
{
    TestDevice device;
    device.write("/Bundle/icon@2x.png", pngHeader(58, 58));
    fw::UIImageView view(fw::UIImage::imageWithContentsOfFile("/Bundle/icon@2x.png"));
    EXPECT_EQ(view.frame(), (fw::CGRect { 0, 0, 29, 29 }));
    fw::UIImageView empty(nullptr);
    EXPECT_EQ(empty.frame(), (fw::CGRect {}));
}

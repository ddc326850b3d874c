#include "uikit/UIImage.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/NSFileManager.hpp"

#include <cstdint>

namespace fw {

namespace {

constexpr std::string_view kPngSignature { "\x89PNG\r\n\x1a\n", 8 };
// Signature, chunk length, "IHDR", width, height: the first 24 bytes of every PNG.
constexpr std::size_t kPngHeaderBytes = 24;

std::uint32_t bigEndian32(std::string_view bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

// "name@2x.png" → 2; the marker must end the name, just before the extension.
double scaleOfFileName(std::string_view path)
{
    auto slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    auto dot = name.rfind('.');
    std::string_view stem = dot == std::string_view::npos ? name : name.substr(0, dot);
    if (stem.ends_with("@3x"))
        return 3;
    if (stem.ends_with("@2x"))
        return 2;
    return 1;
}

} // namespace

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFile(std::string_view devicePath)
{
    auto bytes = NSFileManager::defaultManager().contentsAtPath(devicePath);
    if (!bytes || bytes->size() < kPngHeaderBytes)
        return nullptr;
    std::string_view header(*bytes);
    if (!header.starts_with(kPngSignature) || header.substr(12, 4) != "IHDR")
        return nullptr;
    auto image = std::make_shared<UIImage>();
    image->m_scale = scaleOfFileName(devicePath);
    image->m_size = CGSize { bigEndian32(header, 16) / image->m_scale,
        bigEndian32(header, 20) / image->m_scale };
    image->m_devicePath = std::string(devicePath);
    return image;
}

UIImageView::UIImageView(std::shared_ptr<UIImage> image)
    : m_image(std::move(image))
{
    if (m_image)
        setFrame(CGRect { 0, 0, m_image->size().width, m_image->size().height });
}

const ClassDescriptor& UIImageView::classObject()
{
    static const ClassDescriptor cls
        = describeClass<UIImageView>("UIImageView", UIView::classObject());
    return cls;
}

} // namespace fw

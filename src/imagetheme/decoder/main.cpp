// quillane-image-decoder quantiser|wallpaper: decodes the image on standard input in a process of
// its own, so that the program that asks never links libvips. It writes the quantiser's input
// (RGBA, row by row) and, for a wallpaper, the display copy's JPEG after it; a refusal is one
// line on standard error and exit status 1.
#include "foundation/FileIO.hpp"
#include "imagetheme/ImageDecoder.hpp"

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <new>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Set before the first byte is read: whatever the image declares, the decoder cannot take more
// (nor more than whoever started it allows).
void limitResources()
{
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer's shadow memory counts as data: under it the bound would refuse every
    // allocation, so only the normal build has it.
    rlimit memory {};
    ::getrlimit(RLIMIT_DATA, &memory);
    memory.rlim_cur = std::min<rlim_t>(memory.rlim_cur, imagetheme::kDecoderMemoryBytes);
    memory.rlim_max = std::min<rlim_t>(memory.rlim_max, imagetheme::kDecoderMemoryBytes);
    ::setrlimit(RLIMIT_DATA, &memory);
#endif
    rlimit cpu { imagetheme::kDecoderCpuSeconds, imagetheme::kDecoderCpuSeconds + 1 };
    ::setrlimit(RLIMIT_CPU, &cpu);
    // The codecs written in C++ (HEIF's) meet the limit as a failed allocation, which their own
    // error handling would report as damage.
    std::set_new_handler([] {
        auto message = imagetheme::memoryRefusal() + "\n";
        fw::writeAll(2, message);
        ::_exit(imagetheme::kDecoderOutOfMemoryStatus);
    });
}

} // namespace

int main(int argc, char** argv)
{
    std::string mode = argc == 2 ? argv[1] : "";
    if (mode != "quantiser" && mode != "wallpaper") {
        std::cerr << "usage: quillane-image-decoder quantiser|wallpaper < IMAGE\n";
        return 2;
    }
    limitResources();
    // One byte past the limit is enough to refuse it.
    std::string bytes;
    char buffer[65536];
    while (bytes.size() <= imagetheme::kMaxImageBytes) {
        ssize_t count = ::read(0, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    try {
        if (mode == "quantiser")
            return fw::writeAll(
                       1, imagetheme::pixelBytes(imagetheme::decodeForQuantiserHere(bytes)))
                ? 0
                : 3;
        auto images = imagetheme::decodeWallpaperHere(bytes);
        return fw::writeAll(1, imagetheme::pixelBytes(images.input))
                && fw::writeAll(1, images.display)
            ? 0
            : 3;
    } catch (const std::exception& refusal) {
        std::cerr << refusal.what() << '\n';
        return 1;
    }
}

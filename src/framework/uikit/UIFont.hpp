#pragma once

#include <string>

namespace fw {

struct UIFont {
    std::string name;
    double pointSize { 17 };

    static UIFont fontWithName(std::string name, double size) { return { std::move(name), size }; }
    static UIFont systemFontOfSize(double size) { return { ".SFUI-Regular", size }; }
    bool operator==(const UIFont&) const = default;
};

} // namespace fw

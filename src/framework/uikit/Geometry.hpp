#pragma once

namespace fw {

struct CGPoint {
    double x { 0 }, y { 0 };
    bool operator==(const CGPoint&) const = default;
};
struct CGSize {
    double width { 0 }, height { 0 };
    bool operator==(const CGSize&) const = default;
};
struct CGRect {
    double x { 0 }, y { 0 }, width { 0 }, height { 0 };
    bool operator==(const CGRect&) const = default;
};

// UIViewAutoresizing bits used by the bundle.
enum : unsigned {
    UIViewAutoresizingFlexibleWidth = 2,
    UIViewAutoresizingFlexibleHeight = 16,
};

enum NSTextAlignment : int {
    NSTextAlignmentLeft = 0,
    NSTextAlignmentCenter = 1,
    NSTextAlignmentRight = 2
};

} // namespace fw

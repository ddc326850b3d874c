#include "imagetheme/Quantiser.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>

namespace imagetheme {

namespace {

// Wu's quantiser works on a 32-step cube per channel; index 0 is kept empty so that cumulative
// moments need no special case at the lower faces.
constexpr int kSide = 33;

struct Moments {
    std::int64_t weight { 0 };
    std::int64_t red { 0 };
    std::int64_t green { 0 };
    std::int64_t blue { 0 };
    std::int64_t squares { 0 };

    Moments& operator+=(const Moments& other)
    {
        weight += other.weight;
        red += other.red;
        green += other.green;
        blue += other.blue;
        squares += other.squares;
        return *this;
    }
    Moments operator-(const Moments& other) const
    {
        return { weight - other.weight, red - other.red, green - other.green, blue - other.blue,
            squares - other.squares };
    }
    Moments operator+(const Moments& other) const
    {
        Moments sum = *this;
        return sum += other;
    }
};

// A box of the cube: lower bounds exclusive, upper bounds inclusive.
struct Box {
    std::array<int, 3> lower { 0, 0, 0 };
    std::array<int, 3> upper { kSide - 1, kSide - 1, kSide - 1 };
};

class WuCube {
public:
    explicit WuCube(const QuantiserInput& input)
        : m_moments(kSide * kSide * kSide)
    {
        for (const Pixel& pixel : input.pixels) {
            if (pixel.alpha == 0)
                continue;
            std::int64_t w = pixel.alpha;
            std::int64_t r = pixel.red, g = pixel.green, b = pixel.blue;
            Moments& cell = at((pixel.red >> 3) + 1, (pixel.green >> 3) + 1, (pixel.blue >> 3) + 1);
            cell += { w, w * r, w * g, w * b, w * (r * r + g * g + b * b) };
        }
        accumulate();
    }

    Moments volume(const Box& box) const
    {
        const auto& [r0, g0, b0] = box.lower;
        const auto& [r1, g1, b1] = box.upper;
        return at(r1, g1, b1) - at(r1, g1, b0) - at(r1, g0, b1) + at(r1, g0, b0) - at(r0, g1, b1)
            + at(r0, g1, b0) + at(r0, g0, b1) - at(r0, g0, b0);
    }

    static double variance(const Moments& m)
    {
        if (m.weight <= 0)
            return 0;
        double sum = static_cast<double>(m.red) * m.red + static_cast<double>(m.green) * m.green
            + static_cast<double>(m.blue) * m.blue;
        return static_cast<double>(m.squares) - sum / static_cast<double>(m.weight);
    }

private:
    Moments& at(int r, int g, int b) { return m_moments[(r * kSide + g) * kSide + b]; }
    const Moments& at(int r, int g, int b) const { return m_moments[(r * kSide + g) * kSide + b]; }

    // Turns the histogram into moments summed over every box from the origin.
    void accumulate()
    {
        for (int r = 1; r < kSide; ++r)
            for (int g = 1; g < kSide; ++g)
                for (int b = 1; b < kSide; ++b)
                    at(r, g, b) += at(r - 1, g, b) + at(r, g - 1, b) + at(r, g, b - 1)
                        - at(r - 1, g - 1, b) - at(r - 1, g, b - 1) - at(r, g - 1, b - 1)
                        + at(r - 1, g - 1, b - 1);
    }

    std::vector<Moments> m_moments;
};

// The sum over both halves of (|moment|² / weight): the larger, the less variance is left.
double splitGain(const Moments& half, const Moments& whole)
{
    Moments other = whole - half;
    if (half.weight <= 0 || other.weight <= 0)
        return -1;
    auto part = [](const Moments& m) {
        return (static_cast<double>(m.red) * m.red + static_cast<double>(m.green) * m.green
                   + static_cast<double>(m.blue) * m.blue)
            / static_cast<double>(m.weight);
    };
    return part(half) + part(other);
}

// Splits `box` where the two halves leave the least variance; false when it cannot be split.
bool cut(const WuCube& cube, Box& box, Box& second)
{
    Moments whole = cube.volume(box);
    double best = -1;
    int bestAxis = -1, bestPosition = 0;
    for (int axis = 0; axis < 3; ++axis) {
        for (int position = box.lower[axis] + 1; position < box.upper[axis]; ++position) {
            Box half = box;
            half.upper[axis] = position;
            double gain = splitGain(cube.volume(half), whole);
            if (gain > best) {
                best = gain;
                bestAxis = axis;
                bestPosition = position;
            }
        }
    }
    if (bestAxis < 0)
        return false;
    second = box;
    box.upper[bestAxis] = bestPosition;
    second.lower[bestAxis] = bestPosition;
    return true;
}

std::vector<Srgb> wuColours(const QuantiserInput& input, int maxColours)
{
    WuCube cube(input);
    std::vector<Box> boxes(1);
    std::vector<double> variances { WuCube::variance(cube.volume(boxes[0])) };
    while (static_cast<int>(boxes.size()) < maxColours) {
        auto next = std::max_element(variances.begin(), variances.end());
        if (*next <= 0)
            break;
        std::size_t index = static_cast<std::size_t>(next - variances.begin());
        Box second;
        if (!cut(cube, boxes[index], second)) {
            variances[index] = 0;
            continue;
        }
        boxes.push_back(second);
        variances[index] = WuCube::variance(cube.volume(boxes[index]));
        variances.push_back(WuCube::variance(cube.volume(second)));
    }
    std::vector<Srgb> colours;
    for (const Box& box : boxes) {
        Moments m = cube.volume(box);
        if (m.weight <= 0)
            continue;
        auto mean = [&](std::int64_t sum) {
            return static_cast<std::uint8_t>((sum + m.weight / 2) / m.weight);
        };
        colours.push_back({ mean(m.red), mean(m.green), mean(m.blue) });
    }
    return colours;
}

struct WeightedPoint {
    Lab lab;
    double weight { 0 };
};

// The image's distinct colours, in a fixed order, each weighed by the alpha of its pixels.
std::vector<WeightedPoint> distinctColours(const QuantiserInput& input, double& totalWeight)
{
    std::map<Srgb, std::int64_t> weights;
    for (const Pixel& pixel : input.pixels) {
        if (pixel.alpha > 0)
            weights[{ pixel.red, pixel.green, pixel.blue }] += pixel.alpha;
    }
    std::vector<WeightedPoint> points;
    points.reserve(weights.size());
    totalWeight = 0;
    for (const auto& [colour, weight] : weights) {
        points.push_back({ toLab(colour), static_cast<double>(weight) });
        totalWeight += static_cast<double>(weight);
    }
    return points;
}

double distanceSquared(const Lab& one, const Lab& two)
{
    double dL = one.L - two.L, da = one.a - two.a, db = one.b - two.b;
    return dL * dL + da * da + db * db;
}

struct Cluster {
    Lab centre;
    double weight { 0 };
};

std::vector<Cluster> kMeans(const std::vector<WeightedPoint>& points, std::vector<Lab> centres)
{
    constexpr int kIterations = 10;
    std::vector<std::size_t> assignment(points.size(), 0);
    std::vector<Cluster> clusters;
    for (int iteration = 0; iteration < kIterations; ++iteration) {
        bool moved = false;
        for (std::size_t p = 0; p < points.size(); ++p) {
            std::size_t nearest = 0;
            double best = distanceSquared(points[p].lab, centres[0]);
            for (std::size_t c = 1; c < centres.size(); ++c) {
                double distance = distanceSquared(points[p].lab, centres[c]);
                if (distance < best) {
                    best = distance;
                    nearest = c;
                }
            }
            moved = moved || assignment[p] != nearest || iteration == 0;
            assignment[p] = nearest;
        }
        clusters.assign(centres.size(), {});
        for (std::size_t p = 0; p < points.size(); ++p) {
            Cluster& cluster = clusters[assignment[p]];
            cluster.centre.L += points[p].lab.L * points[p].weight;
            cluster.centre.a += points[p].lab.a * points[p].weight;
            cluster.centre.b += points[p].lab.b * points[p].weight;
            cluster.weight += points[p].weight;
        }
        for (std::size_t c = 0; c < clusters.size(); ++c) {
            Cluster& cluster = clusters[c];
            if (cluster.weight > 0)
                centres[c] = { cluster.centre.L / cluster.weight, cluster.centre.a / cluster.weight,
                    cluster.centre.b / cluster.weight };
            cluster.centre = centres[c];
        }
        if (!moved)
            break;
    }
    return clusters;
}

} // namespace

std::optional<Srgb> meanColour(const QuantiserInput& input)
{
    std::array<double, 3> sums { 0, 0, 0 };
    double totalWeight = 0;
    for (const Pixel& pixel : input.pixels) {
        sums[0] += pixel.red * static_cast<double>(pixel.alpha);
        sums[1] += pixel.green * static_cast<double>(pixel.alpha);
        sums[2] += pixel.blue * static_cast<double>(pixel.alpha);
        totalWeight += pixel.alpha;
    }
    if (totalWeight <= 0)
        return std::nullopt;
    auto meanOf
        = [&](double sum) { return static_cast<std::uint8_t>(std::lround(sum / totalWeight)); };
    return Srgb { meanOf(sums[0]), meanOf(sums[1]), meanOf(sums[2]) };
}

ImageColours quantise(const QuantiserInput& input, int maxColours)
{
    double totalWeight = 0;
    std::vector<WeightedPoint> points = distinctColours(input, totalWeight);
    auto mean = meanColour(input);
    if (points.empty() || totalWeight <= 0 || !mean)
        throw ImageRefused("the image is fully transparent: it has no colours to take");

    ImageColours result;
    result.mean = *mean;

    std::vector<Lab> seeds;
    for (Srgb colour : wuColours(input, maxColours))
        seeds.push_back(toLab(colour));
    for (const Cluster& cluster : kMeans(points, seeds)) {
        if (cluster.weight <= 0)
            continue;
        Srgb colour = toSrgb(cluster.centre);
        result.clusters.push_back({ colour, toLab(colour), cluster.weight / totalWeight });
    }
    std::stable_sort(result.clusters.begin(), result.clusters.end(),
        [](const ColourCluster& one, const ColourCluster& two) {
            if (one.coverage != two.coverage)
                return one.coverage > two.coverage;
            return one.colour < two.colour;
        });
    return result;
}

SourceColours scoreColours(const ImageColours& colours)
{
    // A colour counts as dominant from this share of the image, and as distinct when it differs
    // from every colour already taken by this CIEDE2000 distance.
    constexpr double kDominantCoverage = 0.05;
    constexpr double kDistinct = 10.0;
    constexpr std::size_t kDominantCount = 3;
    // Below this chroma a colour is a grey, and below this share a speck.
    constexpr double kColourfulChroma = 5.0;
    constexpr double kAccentCoverage = 0.01;

    SourceColours source;
    source.backdrop = colours.mean;
    for (const ColourCluster& cluster : colours.clusters) {
        if (source.dominant.size() == kDominantCount)
            break;
        if (!source.dominant.empty() && cluster.coverage < kDominantCoverage)
            break;
        bool distinct = std::all_of(
            source.dominant.begin(), source.dominant.end(), [&](const ColourCluster& taken) {
                return deltaE2000(taken.lab, cluster.lab) >= kDistinct;
            });
        if (distinct)
            source.dominant.push_back(cluster);
    }

    source.accent = source.dominant.front();
    double bestScore = 0;
    for (const ColourCluster& cluster : colours.clusters) {
        double colourfulness = chroma(cluster.lab);
        if (colourfulness < kColourfulChroma || cluster.coverage < kAccentCoverage)
            continue;
        double score = colourfulness * std::sqrt(cluster.coverage);
        if (score > bestScore) {
            bestScore = score;
            source.accent = cluster;
        }
    }
    return source;
}

} // namespace imagetheme

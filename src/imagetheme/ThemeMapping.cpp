#include "imagetheme/ThemeMapping.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

namespace imagetheme {

namespace {

enum class Role { Container, Tint, StateBackground, Background, Fill, Glyph, Text };

bool contains(std::string_view key, std::string_view part)
{
    return key.find(part) != std::string_view::npos;
}

Role roleOf(std::string_view key)
{
    if (key == "backgroundTint")
        return Role::Tint;
    if (contains(key, "ContainerBackground") || key.ends_with("MenuBackground"))
        return Role::Container;
    if (key.ends_with("Fill") || key.ends_with("Knob"))
        return Role::Fill;
    if (key.ends_with("Track") || key.ends_with("ButtonBackground") || key.ends_with("Placeholder"))
        return Role::Background;
    constexpr std::array<std::string_view, 6> textEndings { "Temperature", "Condition", "Location",
        "HighLow", "AppName", "DeviceName" };
    if (contains(key, "Text")
        || std::any_of(textEndings.begin(), textEndings.end(),
            [&](std::string_view ending) { return key.ends_with(ending); }))
        return Role::Text;
    if (contains(key, "Glyph"))
        return Role::Glyph;
    if (key.ends_with("Enabled") || key.ends_with("Disabled"))
        return Role::StateBackground;
    // Buttons, action icons, page indicators: small marks drawn like glyphs.
    return Role::Glyph;
}

bool isForeground(Role role)
{
    return role == Role::Glyph || role == Role::Text;
}

std::string_view stateSuffix(std::string_view key)
{
    if (key.ends_with("Enabled"))
        return "Enabled";
    if (key.ends_with("Disabled"))
        return "Disabled";
    return {};
}

struct Entry {
    std::string key;
    Role role;
};

struct Group {
    std::vector<Entry> entries;
    std::string container; // "" when drawn straight over the backdrop
};

// Drawn straight over the wallpaper and its tint, not inside a module.
bool drawnOverWallpaper(std::string_view key)
{
    return key == "statusBarText" || key == "statusText" || key == "chevronGlyph";
}

constexpr std::string_view kTint = "backgroundTint";
constexpr double kTintAlpha = 0.3;

// Groups of keys with the container they are drawn in: a group's own container, else the first
// container of its layout file. Modules form a group of their own inside the module container.
std::vector<Group> groupKeys(const ThemeTargets& targets, std::string& moduleContainer)
{
    std::vector<Group> groups;
    std::map<std::string, std::string> firstContainer; // layout → container key
    for (const auto& rows : targets.groups) {
        for (const auto& row : rows.rows) {
            if (roleOf(row.key) == Role::Container && !firstContainer.contains(rows.layout))
                firstContainer[rows.layout] = row.key;
            if (row.key == "moduleContainerBackground")
                moduleContainer = row.key;
        }
    }
    for (const auto& rows : targets.groups) {
        Group group;
        for (const auto& row : rows.rows) {
            group.entries.push_back({ row.key, roleOf(row.key) });
            if (group.container.empty() && roleOf(row.key) == Role::Container)
                group.container = row.key;
        }
        if (group.container.empty() && firstContainer.contains(rows.layout))
            group.container = firstContainer[rows.layout];
        groups.push_back(std::move(group));
    }
    Group modules { {}, moduleContainer };
    // By what they are, not by their names: an identifier may well contain "Text" or "Glyph".
    for (const std::string& identifier : targets.moduleIdentifiers) {
        modules.entries.push_back({ identifier + "Enabled", Role::StateBackground });
        modules.entries.push_back({ identifier + "Disabled", Role::StateBackground });
    }
    groups.push_back(std::move(modules));
    return groups;
}

std::vector<std::string> stack(const std::string& layer, const std::string& container)
{
    std::vector<std::string> layers;
    if (!layer.empty())
        layers.push_back(layer);
    if (!container.empty() && container != layer)
        layers.push_back(container);
    return layers;
}

// What each glyph and text is drawn over: a state's glyph over that state's background; any
// other mark over its container and over every background and fill of its group.
std::vector<LegibilityPair> legibilityPairs(const std::vector<Group>& groups,
    const ThemeTargets& targets, const std::string& moduleContainer)
{
    std::vector<LegibilityPair> pairs;
    for (const Group& group : groups) {
        std::vector<std::string> backgrounds;
        for (const auto& [key, role] : group.entries) {
            if (role == Role::StateBackground || role == Role::Background || role == Role::Fill)
                backgrounds.push_back(key);
        }
        for (const auto& [key, role] : group.entries) {
            if (!isForeground(role))
                continue;
            double ratio = role == Role::Text ? kTextContrast : kGlyphContrast;
            if (drawnOverWallpaper(key)) {
                pairs.push_back({ key, { std::string(kTint) }, ratio });
                continue;
            }
            std::string_view state = stateSuffix(key);
            bool paired = false;
            for (const std::string& background : backgrounds) {
                if (!state.empty() && stateSuffix(background) != state)
                    continue;
                pairs.push_back({ key, stack(background, group.container), ratio });
                paired = true;
            }
            if (state.empty() || !paired)
                pairs.push_back({ key, stack({}, group.container), ratio });
            // The glyphs and titles of module tiles are drawn over every module's states.
            if (key == "moduleGlyph" || key == "moduleText") {
                for (const std::string& identifier : targets.moduleIdentifiers) {
                    for (std::string_view suffix : { "Enabled", "Disabled" })
                        pairs.push_back({ key,
                            stack(identifier + std::string(suffix), moduleContainer), ratio });
                }
            }
        }
    }
    return pairs;
}

double luminance(Srgb colour)
{
    return relativeLuminance(toRgba(colour));
}

// A background that shares a foreground with other backgrounds must lie on the same side of
// the contrast threshold as the containers, or no single foreground colour could stand out
// from all of them.
class Conformer {
public:
    explicit Conformer(Srgb container)
        : m_dark(luminance(container) <= 0.179)
    {
    }

    bool dark() const { return m_dark; }

    bool fits(Srgb colour) const
    {
        double y = luminance(colour);
        return m_dark ? y <= 0.17 : y >= 0.19;
    }

    Srgb conform(Srgb colour) const
    {
        if (fits(colour))
            return colour;
        Lab lab = toLab(colour);
        for (int step = 1; step <= 100; ++step) {
            double lightness = std::clamp(lab.L + (m_dark ? -step : step), 0.0, 100.0);
            Srgb candidate = toSrgb({ lightness, lab.a, lab.b });
            if (fits(candidate))
                return candidate;
        }
        return m_dark ? Srgb { 0, 0, 0 } : Srgb { 255, 255, 255 };
    }

    // A colour too close to the container to tell apart is moved in lightness.
    Srgb distinctFrom(Srgb colour, Srgb container) const
    {
        constexpr double kDistinct = 10.0;
        Lab lab = toLab(colour);
        Lab base = toLab(container);
        if (deltaE2000(lab, base) >= kDistinct)
            return colour;
        for (double shift : { 25.0, -25.0 }) {
            double lightness = std::clamp(lab.L + (m_dark ? shift : -shift), 0.0, 100.0);
            Srgb candidate = conform(toSrgb({ lightness, lab.a, lab.b }));
            if (deltaE2000(toLab(candidate), base) >= kDistinct)
                return candidate;
        }
        return conform(toSrgb({ m_dark ? 45.0 : 60.0, lab.a, lab.b }));
    }

private:
    bool m_dark { true };
};

// The colour moved in lightness (its hue kept, its chroma as far as the gamut allows) by the
// smallest step that reaches `ratio` against `ground`; unchanged when it reaches it already.
Srgb standOut(Srgb colour, const Rgba& ground, double ratio)
{
    auto reaches
        = [&](Srgb candidate) { return contrastRatio(toRgba(candidate), ground) >= ratio; };
    if (reaches(colour))
        return colour;
    Lab lab = toLab(colour);
    for (int step = 1; step <= 100; ++step) {
        for (double lightness : { lab.L - step, lab.L + step }) {
            if (lightness < 0 || lightness > 100)
                continue;
            Srgb candidate = toSrgb({ lightness, lab.a, lab.b });
            if (reaches(candidate))
                return candidate;
        }
    }
    return relativeLuminance(ground) > 0.179 ? Srgb { 0, 0, 0 } : Srgb { 255, 255, 255 };
}

// A disabled state as a switched-off control looks: its own hue, muted, moved in lightness away
// from the enabled state until the two are told apart at a glance. When it shares a foreground it
// stays on the containers' side of the threshold, which that foreground's legibility needs; apart
// from the container too where it can be, close to it (as iOS draws a switched-off module)
// where it cannot.
Srgb setApart(Srgb disabled, Srgb enabled, Srgb container, const Conformer* conformer)
{
    constexpr double kMutedChroma = 12.0;
    constexpr double kApartFromContainer = 10.0;
    const Lab on = toLab(enabled);
    const Lab box = toLab(container);
    auto fits = [&](Srgb candidate) { return !conformer || conformer->fits(candidate); };
    auto apart = [&](Srgb candidate, bool fromContainer) {
        Lab lab = toLab(candidate);
        return fits(candidate) && deltaE2000(lab, on) >= kStateSeparation
            && (!fromContainer || deltaE2000(lab, box) >= kApartFromContainer)
            && leastSeparationSeen(candidate, enabled) >= kStateSeparationSeen;
    };
    if (apart(disabled, true))
        return disabled;
    const Lab off = toLab(disabled);
    const double tint = std::min(chroma(off), kMutedChroma);
    const double hue = std::atan2(off.b, off.a);
    const double away = off.L >= on.L ? 1.0 : -1.0;
    std::vector<Srgb> candidates;
    for (int step = 0; step <= 100; ++step) {
        for (double direction : { away, -away }) {
            double lightness = off.L + direction * step;
            if (lightness >= 0 && lightness <= 100)
                candidates.push_back(
                    toSrgb({ lightness, tint * std::cos(hue), tint * std::sin(hue) }));
        }
    }
    for (bool fromContainer : { true, false }) {
        for (Srgb candidate : candidates) {
            if (apart(candidate, fromContainer))
                return candidate;
        }
    }
    // None reaches the separation: the farthest that keeps the shared foreground legible.
    Srgb farthest = disabled;
    double farthestDistance = -1;
    for (Srgb candidate : candidates) {
        double distance = std::min(deltaE2000(toLab(candidate), on) / kStateSeparation,
            leastSeparationSeen(candidate, enabled) / kStateSeparationSeen);
        if (fits(candidate) && distance > farthestDistance) {
            farthest = candidate;
            farthestDistance = distance;
        }
    }
    return farthest;
}

// Every enabled state with a disabled one beside it, set apart.
void separateStates(
    Theme& theme, Srgb container, const Conformer& conformer, const std::set<std::string>& shared)
{
    constexpr std::string_view enabledSuffix = "Enabled";
    for (const auto& [key, colour] : theme.colours) {
        if (!key.ends_with(enabledSuffix))
            continue;
        std::string partner = key.substr(0, key.size() - enabledSuffix.size()) + "Disabled";
        auto disabled = theme.colours.find(partner);
        if (disabled == theme.colours.end())
            continue;
        disabled->second.colour = setApart(disabled->second.colour, colour.colour, container,
            shared.contains(partner) ? &conformer : nullptr);
    }
}

Rgba stackColour(const Theme& theme, const std::vector<std::string>& layers)
{
    Rgba below = toRgba(theme.backdrop);
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
        auto found = theme.colours.find(*layer);
        if (found != theme.colours.end())
            below = composite(toRgba(found->second.colour, found->second.alpha), below);
    }
    return below;
}

double minimumContrast(Srgb colour, const std::vector<Rgba>& backgrounds)
{
    double lowest = 21;
    for (const Rgba& background : backgrounds)
        lowest = std::min(lowest, contrastRatio(toRgba(colour), background));
    return lowest;
}

// The most coloured tone of the accent's hue that stands out enough, else white or black, else
// the grey that stands out most.
Srgb chooseForeground(
    Role role, double ratio, const Lab& accent, const std::vector<Rgba>& backgrounds)
{
    auto passes = [&](Srgb colour) { return minimumContrast(colour, backgrounds) >= ratio; };
    if (role == Role::Glyph && passes(toSrgb(accent)))
        return toSrgb(accent);
    constexpr Srgb white { 255, 255, 255 };
    constexpr Srgb black { 0, 0, 0 };
    bool light = minimumContrast(white, backgrounds) >= minimumContrast(black, backgrounds);
    double tint = std::min(chroma(accent), 30.0);
    double hue = std::atan2(accent.b, accent.a);
    for (int step = 0; step <= 20; ++step) {
        double lightness = light ? 80.0 + step : 40.0 - 2.0 * step;
        Srgb candidate = toSrgb({ lightness, tint * std::cos(hue), tint * std::sin(hue) });
        if (passes(candidate))
            return candidate;
    }
    if (passes(light ? white : black))
        return light ? white : black;
    Srgb best = white;
    double bestContrast = 0;
    for (int level = 0; level <= 255; ++level) {
        auto grey = static_cast<std::uint8_t>(level);
        double contrast = minimumContrast({ grey, grey, grey }, backgrounds);
        if (contrast > bestContrast) {
            bestContrast = contrast;
            best = { grey, grey, grey };
        }
    }
    return best;
}

// Backgrounds under a foreground that is also drawn over some other background.
std::set<std::string> sharedBackgrounds(const std::vector<LegibilityPair>& pairs)
{
    std::map<std::string, std::set<std::string>> beneath; // foreground → direct layers
    for (const LegibilityPair& pair : pairs)
        beneath[pair.foreground].insert(pair.layers.empty() ? std::string() : pair.layers.front());
    std::set<std::string> shared;
    for (const auto& [foreground, layers] : beneath) {
        if (layers.size() > 1)
            shared.insert(layers.begin(), layers.end());
    }
    return shared;
}

} // namespace

Theme mapTheme(const SourceColours& source, const ThemeTargets& targets)
{
    Theme theme;
    theme.backdrop = source.backdrop;
    std::string moduleContainer;
    std::vector<Group> groups = groupKeys(targets, moduleContainer);
    theme.pairs = legibilityPairs(groups, targets, moduleContainer);
    std::set<std::string> shared = sharedBackgrounds(theme.pairs);

    const Srgb primary = source.dominant.front().colour;
    // The tint is the image's own colour; the containers stand out from what it leaves visible.
    const Rgba seen = composite(toRgba(primary, kTintAlpha), toRgba(source.backdrop));
    const Srgb container = standOut(primary, seen, kContainerContrast);
    Conformer conformer(container);
    Srgb secondary = source.dominant.size() > 1 ? source.dominant[1].colour
                                                : conformer.distinctFrom(primary, container);
    Srgb tertiary = source.dominant.size() > 2 ? source.dominant[2].colour : secondary;
    Srgb accent = conformer.distinctFrom(source.accent.colour, container);

    auto wish = [&](const std::string& key, Role role) -> Srgb {
        switch (role) {
        case Role::StateBackground:
            return stateSuffix(key) == "Enabled" ? accent : secondary;
        case Role::Background:
            return key.ends_with("Track") || key.ends_with("Placeholder") ? tertiary : secondary;
        case Role::Fill:
            return accent;
        default:
            return primary;
        }
    };
    for (const Group& group : groups) {
        for (const auto& [key, role] : group.entries) {
            if (isForeground(role))
                continue;
            if (role == Role::Container) {
                theme.colours[key] = { container, 1.0 };
            } else if (role == Role::Tint) {
                theme.colours[key] = { primary, kTintAlpha };
            } else {
                Srgb colour = wish(key, role);
                theme.colours[key]
                    = { shared.contains(key) ? conformer.conform(colour) : colour, 1.0 };
            }
        }
    }

    separateStates(theme, container, conformer, shared);

    Lab accentLab = toLab(accent);
    std::map<std::string, std::vector<Rgba>> beneath;
    std::map<std::string, double> ratios;
    for (const LegibilityPair& pair : theme.pairs) {
        beneath[pair.foreground].push_back(stackColour(theme, pair.layers));
        ratios[pair.foreground] = std::max(ratios[pair.foreground], pair.minimumRatio);
    }
    for (const auto& [key, backgrounds] : beneath)
        theme.colours[key]
            = { chooseForeground(ratios[key] > kGlyphContrast ? Role::Text : Role::Glyph,
                    ratios[key], accentLab, backgrounds),
                  1.0 };
    return theme;
}

double leastSeparationSeen(Srgb first, Srgb second)
{
    auto seen = [](Srgb colour, theming::Vision vision) {
        Rgba simulated = theming::seenWith(toRgba(colour), vision);
        auto byte = [](double c) { return static_cast<std::uint8_t>(std::lround(c * 255)); };
        return toLab(Srgb { byte(simulated.red), byte(simulated.green), byte(simulated.blue) });
    };
    double least = 100;
    for (theming::Vision vision : theming::kVisions) {
        if (vision != theming::Vision::Typical)
            least = std::min(least, deltaE2000(seen(first, vision), seen(second, vision)));
    }
    return least;
}

double pairContrast(const Theme& theme, const LegibilityPair& pair)
{
    Rgba below = stackColour(theme, pair.layers);
    auto found = theme.colours.find(pair.foreground);
    if (found == theme.colours.end())
        return 1.0;
    Rgba top = composite(toRgba(found->second.colour, found->second.alpha), below);
    return contrastRatio(top, below);
}

} // namespace imagetheme

#include "preferences/PSTableCell.hpp"

#include "foundation/ClassDescription.hpp"

namespace fw {

namespace {

constexpr double kCellWidth = 375;
constexpr double kCellHeight = 44;
constexpr double kLabelInset = 15;

struct LabelFrames {
    CGRect title;
    CGRect detail;
};

// Where the platform puts the two labels in a fresh cell; autoresizing keeps the widths.
LabelFrames labelFramesForStyle(int style, double width)
{
    double labelWidth = width - 2 * kLabelInset;
    if (style == UITableViewCellStyleSubtitle)
        return { { kLabelInset, 4, labelWidth, 21 }, { kLabelInset, 25, labelWidth, 15 } };
    return { { kLabelInset, 11, labelWidth, 22 }, { kLabelInset, 33, labelWidth, 16 } };
}

std::shared_ptr<UITableViewLabel> makeLabel(const CGRect& frame)
{
    auto label = std::make_shared<UITableViewLabel>(frame);
    label->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    return label;
}

bool readsValue(const PSSpecifier& specifier)
{
    return !specifier.getter().empty() && specifier.stringForKey("key") != nullptr;
}

} // namespace

const ClassDescriptor& PSTableCell::classObject()
{
    static const ClassDescriptor cls
        = describeClass<PSTableCell>("PSTableCell", UIView::classObject());
    return cls;
}

bool PSTableCell::initWithStyle(int style, const std::string& /*reuseIdentifier*/,
    const std::shared_ptr<PSSpecifier>& specifier)
{
    m_style = style;
    m_specifier = specifier;
    if (m_contentView)
        return true;
    setFrame(CGRect { 0, 0, kCellWidth, kCellHeight });
    m_contentView = std::make_shared<UIView>(bounds());
    m_contentView->setAutoresizingMask(
        UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    addSubview(m_contentView);
    auto frames = labelFramesForStyle(style, kCellWidth);
    m_imageView = std::make_shared<UIImageView>();
    m_textLabel = makeLabel(frames.title);
    m_detailTextLabel = makeLabel(frames.detail);
    m_contentView->addSubview(m_imageView);
    m_contentView->addSubview(m_textLabel);
    m_contentView->addSubview(m_detailTextLabel);
    return true;
}

bool PSTableCell::initWithSpecifier(const std::shared_ptr<PSSpecifier>& specifier)
{
    return initWithStyle(UITableViewCellStyleDefault, {}, specifier);
}

std::optional<double> PSTableCell::preferredHeightForWidth(double /*width*/)
{
    return std::nullopt;
}

void PSTableCell::refreshCellContentsWithSpecifier(const std::shared_ptr<PSSpecifier>& specifier)
{
    if (!specifier)
        return;
    m_specifier = specifier;
    if (m_textLabel)
        m_textLabel->setText(specifier->name());
    int type = specifier->cellType();
    if ((type == PSLinkCell || type == PSLinkListCell) && specifier->detailControllerClass())
        setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
    if (!readsValue(*specifier))
        return;
    auto target = specifier->target();
    if (!target)
        return;
    setValue(target->perform(specifier->getter(), { Arg(Id(specifier)) }));
}

void PSTableCell::setValue(const std::optional<Value>& /*value*/) { }

void PSTableCell::setAccessoryView(const std::shared_ptr<UIView>& view)
{
    if (view == m_accessoryView)
        return;
    if (m_accessoryView)
        m_accessoryView->removeFromSuperview();
    m_accessoryView = view;
    if (view)
        addSubview(view);
}

void PSTableCell::layoutForWidth(double width)
{
    CGRect frame = this->frame();
    frame.width = width;
    setFrame(frame);
    layoutSubviews();
}

} // namespace fw

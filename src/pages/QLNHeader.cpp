#include "pages/QLNHeader.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/Dispatch.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/Process.hpp"
#include "foundation/PropertyListFormats.hpp"
#include "store/Settings.hpp"

namespace qln {

namespace {

constexpr const char* kInstalledCommand
    = "dpkg -s com.tarrowvine.quillane | grep -i version | cut -d' ' -f2";
constexpr const char* kFallbackCommand
    = "dpkg -s com.pelmot.tarrowvine.quillane | grep -i version | cut -d' ' -f2";
constexpr unsigned kBothFlexible
    = fw::UIViewAutoresizingFlexibleWidth | fw::UIViewAutoresizingFlexibleHeight;
// UIViewAnimationOptionCurveEaseIn.
constexpr unsigned long kCurveEaseIn = 65536;

// Runs on a background queue: the shell's answer, or nothing when it gave none.
std::optional<std::string> lookUpVersion()
{
    auto pipe = std::make_shared<fw::NSPipe>();
    fw::NSTask task;
    bool listed = fw::NSFileManager::defaultManager().fileExistsAtPath(packageListFile);
    task.launchPath = std::string(shellPath);
    task.arguments = { "-c", listed ? kInstalledCommand : kFallbackCommand };
    task.standardOutput = pipe;
    // Without a shell there is no answer: the label keeps "Version unknown".
    if (!task.launch())
        return std::nullopt;
    // Read to the end before waiting: a child blocked on a full pipe never exits.
    auto reading = pipe->fileHandleForReading();
    std::string output = reading->readDataToEndOfFile();
    reading->closeFile();
    task.waitUntilExit();
    if (!fw::isValidUtf8(output))
        return std::nullopt;
    return output;
}

} // namespace

const fw::ClassDescriptor& QLNHeader::classObject()
{
    static const fw::ClassDescriptor cls
        = fw::describeClass<QLNHeader>("QLNHeader", fw::PSTableCell::classObject());
    return cls;
}

bool QLNHeader::initWithSpecifier(const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    if (!PSTableCell::initWithStyle(fw::UITableViewCellStyleDefault, "", specifier))
        return false;
    addTitleLabel();
    addVersionLabel();
    startVersionLookup();
    return true;
}

std::optional<double> QLNHeader::preferredHeightForWidth(double /*width*/)
{
    return 100;
}

void QLNHeader::addTitleLabel()
{
    m_title = std::make_shared<fw::UILabel>(fw::CGRect { -15, 28, frame().width, 10 });
    m_title->layoutIfNeeded();
    m_title->setNumberOfLines(1);
    m_title->setAutoresizingMask(kBothFlexible);
    m_title->setFont(fw::UIFont::fontWithName("HelveticaNeue-Light", 34));
    m_title->setTextColor(accentColour());
    fw::NSAttributedString title("QUILLANE");
    title.addFont(fw::UIFont::fontWithName("HelveticaNeue", 34), { 0, 5 });
    m_title->setAttributedText(title);
    m_title->setTextAlignment(fw::NSTextAlignmentCenter);
    addSubview(m_title);
}

void QLNHeader::addVersionLabel()
{
    m_version = std::make_shared<fw::UILabel>(fw::CGRect { -15, 55, frame().width, 5 });
    m_version->setNumberOfLines(1);
    m_version->setAutoresizingMask(kBothFlexible);
    m_version->setFont(fw::UIFont::fontWithName("HelveticaNeue-Light", 15));
    m_version->setTextColor(fw::UIColor::systemGrayColor());
    m_version->setTextAlignment(fw::NSTextAlignmentCenter);
    m_version->setText("Version unknown");
    m_version->setAlpha(0);
    addSubview(m_version);
}

void QLNHeader::startVersionLookup()
{
    // The job holds the cell until the answer is shown, even if the table lets it go.
    auto cell = std::static_pointer_cast<QLNHeader>(shared_from_this());
    fw::DispatchGlobalQueue::async([cell] {
        std::optional<std::string> text = lookUpVersion();
        fw::DispatchMainQueue::async([cell, text] { cell->showVersion(text); });
    });
}

void QLNHeader::showVersion(const std::optional<std::string>& text)
{
    if (text && !text->empty())
        m_version->setText("Version " + *text);
    fw::UIView::animateWithDuration(0.75, 0, kCurveEaseIn, [this] { m_version->setAlpha(1.0); });
}

} // namespace qln

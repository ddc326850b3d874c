#include "foundation/StringCompare.hpp"

#include <mutex>
#include <unicode/ucol.h>

namespace fw {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// Compares two runs of digits by value, without limits on their length.
int compareDigitRuns(std::string_view a, std::string_view b)
{
    while (a.size() > 1 && a[0] == '0')
        a.remove_prefix(1);
    while (b.size() > 1 && b[0] == '0')
        b.remove_prefix(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return sign(a.compare(b));
}

std::string_view digitRun(std::string_view text, std::size_t from)
{
    std::size_t end = from;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return text.substr(from, end - from);
}

// ICU's collator compares from several threads safely only through its own clones; a lock is
// simpler and sorting a page's rows is not hot.
class EnglishCollator {
public:
    EnglishCollator()
    {
        UErrorCode status = U_ZERO_ERROR;
        m_collator = ucol_open("en", &status);
        if (U_FAILURE(status)) {
            m_collator = nullptr;
            return;
        }
        ucol_setStrength(m_collator, UCOL_SECONDARY);
    }
    ~EnglishCollator()
    {
        if (m_collator)
            ucol_close(m_collator);
    }
    EnglishCollator(const EnglishCollator&) = delete;
    EnglishCollator& operator=(const EnglishCollator&) = delete;

    bool available() const { return m_collator != nullptr; }

    int compare(std::string_view a, std::string_view b)
    {
        std::lock_guard lock(m_mutex);
        UErrorCode status = U_ZERO_ERROR;
        UCollationResult result = ucol_strcollUTF8(m_collator, a.data(),
            static_cast<int32_t>(a.size()), b.data(), static_cast<int32_t>(b.size()), &status);
        if (U_FAILURE(status))
            return sign(a.compare(b));
        return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
    }

private:
    std::mutex m_mutex;
    UCollator* m_collator { nullptr };
};

int asciiCaseInsensitiveCompare(std::string_view a, std::string_view b)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        char x = lower(a[i]);
        char y = lower(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

} // namespace

int compareNumeric(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::string_view runA = digitRun(a, i);
            std::string_view runB = digitRun(b, j);
            if (int order = compareDigitRuns(runA, runB))
                return order;
            i += runA.size();
            j += runB.size();
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        ++i;
        ++j;
    }
    bool aDone = i == a.size();
    bool bDone = j == b.size();
    return aDone && bDone ? 0 : aDone ? -1 : 1;
}

int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b)
{
    static EnglishCollator collator;
    // Without ICU's data the names still sort sensibly for ASCII.
    if (!collator.available())
        return asciiCaseInsensitiveCompare(a, b);
    return collator.compare(a, b);
}

} // namespace fw

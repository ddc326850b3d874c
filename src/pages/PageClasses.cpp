#include "pages/PageClasses.hpp"

#include "pages/QLNBaseController.hpp"
#include "pages/QLNHeader.hpp"
#include "pages/QLNRootListController.hpp"
#include "pages/SectionPageClasses.hpp"

namespace qln {

void registerPageClasses()
{
    fw::registerClass(QLNBaseController::classObject());
    // The Settings app opens the bundle on its root page.
    fw::declarePrincipalClass(QLNRootListController::classObject());
    fw::registerClass(QLNHeader::classObject());
    registerSectionPageClasses();
}

} // namespace qln

#include "ccservices/ControlCenterServices.hpp"

#include "ccservices/CCSModuleMetadata.hpp"
#include "ccservices/CCSModuleRepository.hpp"
#include "ccservices/CCSModuleSettingsProvider.hpp"
#include "foundation/NSObject.hpp"

namespace fw {

void registerControlCenterServicesClasses()
{
    registerClass(CCSModuleRepository::classObject());
    registerClass(CCSModuleSettingsProvider::classObject());
    registerClass(CCSModuleMetadata::classObject());
}

} // namespace fw

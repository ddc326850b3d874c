#include "ccservices/CCSModuleMetadata.hpp"

namespace fw {

const ClassDescriptor& CCSModuleMetadata::classObject()
{
    static const ClassDescriptor cls { "CCSModuleMetadata", &NSObject::classObject(), {}, {} };
    return cls;
}

} // namespace fw

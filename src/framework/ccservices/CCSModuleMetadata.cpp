#include "ccservices/CCSModuleMetadata.hpp"

#include "foundation/ClassDescription.hpp"

namespace fw {

const ClassDescriptor& CCSModuleMetadata::classObject()
{
    static const ClassDescriptor cls = describeClass("CCSModuleMetadata", NSObject::classObject());
    return cls;
}

} // namespace fw

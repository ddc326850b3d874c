#include "cells/CellClasses.hpp"

#include "cells/QLNButton.hpp"
#include "cells/QLNColorPicker.hpp"
#include "cells/QLNImage.hpp"
#include "cells/QLNMovableCell.hpp"
#include "cells/QLNSegment.hpp"
#include "cells/QLNStateSwitcher.hpp"
#include "cells/QLNToggle.hpp"
#include "foundation/NSObject.hpp"

namespace qln {

void registerCellClasses()
{
    fw::registerClass(QLNColorPicker::classObject());
    fw::registerClass(QLNStateSwitcher::classObject());
    fw::registerClass(QLNButton::classObject());
    fw::registerClass(QLNImage::classObject());
    fw::registerClass(QLNMovableCell::classObject());
    fw::registerClass(QLNSegment::classObject());
    fw::registerClass(QLNToggle::classObject());
}

} // namespace qln

#pragma once
// The list of serial ports under the port field: the arrow at the field's right end, or
// Alt+Down in the field, opens it, read afresh from the system each time so that an adapter
// plugged in a moment ago is there. Choosing an entry writes into the field what names it.

#include "port/systemports.h"

#include <memory>

class QLineEdit;

namespace morvane
{

void AttachPortList(QLineEdit* field,
                    std::shared_ptr<const PortSystem> system = std::make_shared<HostPortSystem>());

} // namespace morvane

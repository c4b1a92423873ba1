#pragma once
// The desktop this program runs on (see desktop/DesktopSession.h), read from
// the running application's platform and the environment at each call.
#include "desktop/DesktopSession.h"

namespace tirvelo {

DesktopSession currentDesktopSession();

} // namespace tirvelo

#pragma once

#include <memory>
#include <string>

#include "cli/Commands.h"

namespace vestrel::cli {

// The first phone of each mode, opened, or NoPhone.
std::shared_ptr<TMotoP2KModemItem> RequireP2K(Session& session);
std::shared_ptr<TMotoFlashModemItem> RequireFlash(Session& session);
std::shared_ptr<TMotoATModemItem> RequireAT(Session& session);

// " (... try --virtual-phone)" where the host reaches no real phones, else "".
std::string NoBackendHint(Session& session);

// Throws OperationFailed with `what` when `ok` is false.
void Check(bool ok, const std::string& what);

}  // namespace vestrel::cli

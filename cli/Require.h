#pragma once

#include <memory>
#include <string>

#include "cli/Commands.h"
#include "phonefiles/PhoneFiles.h"

namespace vestrel::cli {

// The first phone of each mode, opened, or NoPhone.
std::shared_ptr<phonelink::TMotoP2KModemItem> RequireP2K(Session& session);
std::shared_ptr<phonelink::TMotoFlashModemItem> RequireFlash(Session& session);
std::shared_ptr<phonelink::TMotoATModemItem> RequireAT(Session& session);

// " (... try --virtual-phone)" where the host reaches no real phones, else "".
std::string NoBackendHint(Session& session);

// Throws OperationFailed with `what` when `ok` is false.
void Check(bool ok, const std::string& what);
// The same for an item operation just done, its own report added: "what (Restart is Failed)".
void CheckReported(Session& session, bool ok, const std::string& what);

// A failed result of the file unit as the tool's exit: no phone is NoPhone (exit 3), everything
// else OperationFailed (exit 1) with the result's own cause, never an unrelated debug line.
void Require(const phonefiles::Result& result);

// A phone name given on the command line (UTF-8), as the phone spells it; UsageError when it is
// empty or has no Windows-1251 form.
std::string PhoneName(const std::string& utf8);

}  // namespace vestrel::cli

// Shell services: the browse dialog and opening an address.
#pragma once

#include <optional>

#include "services/text.h"

namespace fendrix {

// The chosen folder (or file, with includeFiles) as an absolute path; empty
// when the person cancelled or chose nothing usable.
Text PickPath(const Text& title, std::optional<bool> includeFiles = {});

// Opens the address with the system's default handler; failures are silent.
void OpenURL(const Text& address);

}  // namespace fendrix

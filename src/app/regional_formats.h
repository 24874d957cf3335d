#pragma once
// The user's regional date, time and number settings, taken from the system locale.
#include "common/format_settings.h"

namespace nummora {

FormatSettings SystemRegionalSettings();

}  // namespace nummora

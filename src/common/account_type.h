#pragma once
// The payment system an account belongs to; stored as its number in the profile.
#include <cstdint>

namespace nummora {

enum class AccountType : int32_t { Egold = 0, LibertyReserve = 1 };

}  // namespace nummora

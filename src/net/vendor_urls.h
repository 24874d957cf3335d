#pragma once
// Base addresses of the outside services for the pages the windows open in the browser, from
// the server configuration (servers.ini and its environment overrides).
#include <string>

namespace nummora {

std::string VendorBaseUrl();
std::string EgoldSecureBaseUrl();

}  // namespace nummora

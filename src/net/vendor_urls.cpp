#include "net/vendor_urls.h"

#include "net/server_config.h"

namespace nummora {

std::string VendorBaseUrl() {
  return LoadServerConfig().Vendor;
}
std::string EgoldSecureBaseUrl() {
  return LoadServerConfig().EgoldSecure;
}

}  // namespace nummora

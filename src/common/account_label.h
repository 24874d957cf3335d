#pragma once
// How an account is named in lists, captions and prompts.
#include <string>

namespace nummora {

// Name + " (" + id + ")", or the id alone when the name is empty.
inline std::string AccountLabel(const std::string& name, const std::string& id) {
  if (name.empty()) return id;
  return name + " (" + id + ")";
}

}  // namespace nummora
